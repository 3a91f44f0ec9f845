#include "PageDriver.h"

#include "TcpDriver.h"

#include "../src/Runtime.h"
#include "../src/V8Impl.h"
#include "../src/Values.h"

namespace cefdriver {

using cefimpl::BrowserImpl;
using cefimpl::FrameImpl;
using cefimpl::LiveCounter;
using cefimpl::LiveKind;
using cefimpl::RunOn;
using cefimpl::Runtime;

namespace {

CefRefPtr<BrowserImpl> FindBrowser(int browserId) {
    Runtime* runtime = Runtime::Get();
    return runtime ? runtime->FindBrowser(browserId) : nullptr;
}

CefRefPtr<CefV8Value> ToV8(const ScriptValue& value) {
    switch (value.type) {
        case ScriptValue::Type::Null:
            return CefV8Value::CreateNull();
        case ScriptValue::Type::Bool:
            return CefV8Value::CreateBool(value.boolean);
        case ScriptValue::Type::Number:
            return CefV8Value::CreateDouble(value.number);
        case ScriptValue::Type::String:
            return CefV8Value::CreateString(value.text);
        case ScriptValue::Type::Object:
            return CefV8Value::CreateObject();
        case ScriptValue::Type::Array:
            return CefV8Value::CreateArray(0);
        default:
            return CefV8Value::CreateUndefined();
    }
}

ScriptValue FromV8(const CefRefPtr<CefV8Value>& value) {
    if (!value || value->IsUndefined()) {
        return ScriptValue::Undefined();
    }
    if (value->IsNull()) {
        return ScriptValue::Null();
    }
    if (value->IsBool()) {
        return ScriptValue::Bool(value->GetBoolValue());
    }
    if (value->IsDouble()) {
        return ScriptValue::Number(value->GetDoubleValue());
    }
    if (value->IsString()) {
        return ScriptValue::String(value->GetStringValue().ToWString());
    }
    ScriptValue other;
    other.type = value->IsFunction() ? ScriptValue::Type::Function
                 : value->IsArray()  ? ScriptValue::Type::Array
                                     : ScriptValue::Type::Object;
    return other;
}

MenuItem ToItem(const cefimpl::MenuEntry& entry) {
    MenuItem item;
    item.commandId = entry.commandId;
    item.label = entry.label;
    item.type = entry.type;
    item.enabled = entry.enabled;
    item.checked = entry.checked;
    for (const auto& child : entry.submenu) {
        item.submenu.push_back(ToItem(child));
    }
    return item;
}

}  // namespace

ScriptValue ScriptValue::Null() {
    ScriptValue value;
    value.type = Type::Null;
    return value;
}

ScriptValue ScriptValue::Bool(bool b) {
    ScriptValue value;
    value.type = Type::Bool;
    value.boolean = b;
    return value;
}

ScriptValue ScriptValue::Number(double n) {
    ScriptValue value;
    value.type = Type::Number;
    value.number = n;
    return value;
}

ScriptValue ScriptValue::String(const std::wstring& s) {
    ScriptValue value;
    value.type = Type::String;
    value.text = s;
    return value;
}

State GetState() {
    State state;
    Runtime* runtime = Runtime::Get();
    if (!runtime) {
        return state;
    }
    state.running = true;
    for (const auto& browser : runtime->Browsers()) {
        state.browsers.push_back(browser->Snapshot());
    }
    state.downloads = runtime->downloads().Snapshots();
    return state;
}

bool WaitUntilIdle(unsigned long timeoutMs, size_t browsers) {
    const DWORD start = GetTickCount();
    cefimpl::UniqueHandle never(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    for (;;) {
        Runtime* runtime = Runtime::Get();
        if (!runtime) {
            return false;
        }
        // Work queued on the library's threads counts as well: let both run dry first.
        RunOn(runtime->ui(), [] {});
        RunOn(runtime->renderer(), [] {});
        RunOn(runtime->ui(), [] {});
        if (!runtime->Busy() && runtime->Browsers().size() >= browsers) {
            return true;
        }
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
        cefimpl::WaitPumping(never.get(), 20);
    }
}

NavigateResult Navigate(int browserId, int64 frameId, const std::wstring& url) {
    NavigateResult result;
    CefRefPtr<BrowserImpl> browser = FindBrowser(browserId);
    CefRefPtr<FrameImpl> frame = browser ? browser->FindFrame(frameId) : nullptr;
    if (!frame) {
        return result;
    }
    result.found = true;
    Runtime* runtime = Runtime::Get();
    RunOn(runtime->renderer(), [&] {
        if (CefRefPtr<CefRenderProcessHandler> handler = runtime->renderHandler()) {
            CefRefPtr<CefRequest> request = new cefimpl::RequestImpl(url, true);
            result.cancelled = handler->OnBeforeNavigation(browser.get(), frame.get(), request,
                                                           NAVIGATION_LINK_CLICKED, false);
        }
    });
    if (!result.cancelled) {
        RunOn(runtime->ui(), [&] { browser->Navigate(frame, url); });
    }
    return result;
}

PopupResult RequestNewWindow(int browserId, const std::wstring& url,
                             cef_window_open_disposition_t disposition, bool userGesture) {
    PopupResult result;
    CefRefPtr<BrowserImpl> browser = FindBrowser(browserId);
    if (!browser) {
        return result;
    }
    result.found = true;
    RunOn(Runtime::Get()->ui(), [&] {
        const cefimpl::PopupOutcome outcome = browser->RequestPopup(
            browser->FindFrame(0), url, disposition, userGesture, CefPopupFeatures());
        result.cancelled = outcome.cancelled;
        result.browserId = outcome.browserId;
    });
    return result;
}

CallResult CallFunction(int browserId, int64 frameId, const std::wstring& name,
                        const std::vector<ScriptValue>& arguments) {
    CallResult result;
    CefRefPtr<BrowserImpl> browser = FindBrowser(browserId);
    CefRefPtr<FrameImpl> frame = browser ? browser->FindFrame(frameId) : nullptr;
    if (!frame) {
        result.error = L"no such browser or frame";
        return result;
    }
    Runtime* runtime = Runtime::Get();
    RunOn(runtime->renderer(), [&] {
        CefRefPtr<CefV8Context> context = frame->context().get();
        if (!context || !context->Enter()) {
            result.error = L"the frame has no script context";
            return;
        }
        CefV8ValueList values;
        for (const auto& argument : arguments) {
            values.push_back(ToV8(argument));
        }
        cefimpl::ScriptCallResult call = runtime->engine().CallFunction(context, name, values);
        context->Exit();
        result.called = call.called;
        result.error = call.error;
        result.threw = call.called && !call.result;
        result.exception = call.exception;
        result.value = FromV8(call.result);
        if (result.threw && runtime->settings().uncaught_exception_stack_size > 0) {
            if (CefRefPtr<CefRenderProcessHandler> handler = runtime->renderHandler()) {
                handler->OnUncaughtException(browser.get(), frame.get(), context,
                                             new cefimpl::V8ExceptionImpl(call.exception),
                                             new cefimpl::V8StackTraceImpl());
            }
        }
    });
    return result;
}

int64 AddFrame(int browserId, int64 parentFrameId, const std::wstring& name,
               const std::wstring& url) {
    CefRefPtr<BrowserImpl> browser = FindBrowser(browserId);
    if (!browser) {
        return 0;
    }
    int64 id = 0;
    RunOn(Runtime::Get()->ui(), [&] {
        CefRefPtr<FrameImpl> frame = browser->AddFrame(parentFrameId, name, url);
        id = frame ? frame->GetIdentifier() : 0;
    });
    return id;
}

uint32 StartDownload(int browserId, const std::wstring& url, const std::wstring& suggestedName) {
    CefRefPtr<BrowserImpl> browser = FindBrowser(browserId);
    if (!browser) {
        return 0;
    }
    uint32 id = 0;
    RunOn(Runtime::Get()->ui(),
          [&] { id = Runtime::Get()->downloads().Start(browser, url, suggestedName); });
    return id;
}

MenuResult RightClick(int browserId, int x, int y, int commandId) {
    MenuResult result;
    CefRefPtr<BrowserImpl> browser = FindBrowser(browserId);
    if (!browser) {
        return result;
    }
    result.found = true;
    RunOn(Runtime::Get()->ui(), [&] {
        const cefimpl::MenuOutcome outcome = browser->RunContextMenu(
            POINT{x, y}, [commandId](const std::vector<cefimpl::MenuEntry>&) { return commandId; });
        result.shown = outcome.shown;
        for (const auto& entry : outcome.items) {
            result.items.push_back(ToItem(entry));
        }
        result.runByClient = outcome.runByClient;
        result.command = outcome.command;
        result.handledByClient = outcome.handledByClient;
    });
    return result;
}

bool Close(int browserId, bool force) {
    CefRefPtr<BrowserImpl> browser = FindBrowser(browserId);
    if (!browser) {
        return false;
    }
    browser->CloseBrowser(force);
    return true;
}

bool CrashPage(int browserId) {
    Runtime* runtime = Runtime::Get();
    bool crashed = false;
    if (runtime && FindBrowser(browserId)) {
        RunOn(runtime->ui(), [&] { crashed = runtime->engine().CrashPage(browserId); });
    }
    return crashed;
}

std::vector<double> ProtocolRoundTrips(int browserId, int count) {
    Runtime* runtime = Runtime::Get();
    return runtime && FindBrowser(browserId) ? runtime->engine().TimeRoundTrips(browserId, count)
                                             : std::vector<double>();
}

int BrowserPages() {
    Runtime* runtime = Runtime::Get();
    return runtime ? runtime->engine().CountPages() : -1;
}

void AnswerSaveDialogs(const std::wstring& path) {
    if (Runtime* runtime = Runtime::Get()) {
        runtime->SetSaveDialogAnswer(true, path);
    }
}

void ShowSaveDialogs() {
    if (Runtime* runtime = Runtime::Get()) {
        runtime->SetSaveDialogAnswer(false, std::wstring());
    }
}

std::wstring LastSaveDialogProposal() {
    Runtime* runtime = Runtime::Get();
    return runtime ? runtime->LastSaveProposal() : std::wstring();
}

void SetLoadTimeout(unsigned long milliseconds) {
    if (Runtime* runtime = Runtime::Get()) {
        runtime->SetLoadTimeout(milliseconds);
    }
}

LiveObjects CountLiveObjects() {
    LiveObjects live;
    live.browsers = LiveCounter(LiveKind::Browser);
    live.frames = LiveCounter(LiveKind::Frame);
    live.v8Contexts = LiveCounter(LiveKind::V8Context);
    live.v8Values = LiveCounter(LiveKind::V8Value);
    live.others = LiveCounter(LiveKind::Other);
    return live;
}

unsigned short ListeningPort() {
    return cefimpl::TcpDriver::ListeningPort();
}

}  // namespace cefdriver
