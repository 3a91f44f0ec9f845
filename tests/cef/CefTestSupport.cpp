#include "CefTestSupport.h"

#include <winsock2.h>

#include <algorithm>
#include <memory>
#include <sstream>

#include "Win32Handles.h"

std::atomic<int> RecordingClient::live{0};
std::atomic<int> RecordingApp::live{0};
std::atomic<int> RecordingApp::liveFunctions{0};

namespace {

long long FrameId(const CefRefPtr<CefFrame>& frame) {
    return frame ? frame->GetIdentifier() : 0;
}

int BrowserId(const CefRefPtr<CefBrowser>& browser) {
    return browser ? browser->GetIdentifier() : 0;
}

std::wstring Describe(const CefRefPtr<CefV8Value>& value) {
    if (value->IsUndefined()) {
        return L"undefined";
    }
    if (value->IsNull()) {
        return L"null";
    }
    if (value->IsBool()) {
        return value->GetBoolValue() ? L"bool:true" : L"bool:false";
    }
    if (value->IsInt()) {
        return L"int:" + std::to_wstring(value->GetIntValue());
    }
    if (value->IsDouble()) {
        std::wostringstream text;
        text << L"double:" << value->GetDoubleValue();
        return text.str();
    }
    if (value->IsString()) {
        return L"string:" + value->GetStringValue().ToWString();
    }
    return value->IsFunction() ? L"function" : L"object";
}

// Page-callable functions: Describe lists its arguments' types and values, Echo returns its first
// argument, Fail throws, WhichFrame names the frame of the current context, Nothing returns
// nothing.
class TestFunctions : public CefV8Handler {
public:
    TestFunctions() { ++RecordingApp::liveFunctions; }
    ~TestFunctions() override { --RecordingApp::liveFunctions; }

    bool Execute(const CefString& name, CefRefPtr<CefV8Value>, const CefV8ValueList& arguments,
                 CefRefPtr<CefV8Value>& retval, CefString& exception) override {
        if (name == "Describe") {
            std::wstring text;
            for (const auto& argument : arguments) {
                text += (text.empty() ? L"" : L",") + Describe(argument);
            }
            retval = CefV8Value::CreateString(text);
        } else if (name == "Echo") {
            retval = arguments.empty() ? CefV8Value::CreateUndefined() : arguments[0];
        } else if (name == "Fail") {
            exception = "broken on purpose";
        } else if (name == "WhichFrame") {
            CefRefPtr<CefFrame> frame = CefV8Context::GetCurrentContext()->GetFrame();
            retval =
                CefV8Value::CreateString(frame->IsMain() ? CefString("main") : frame->GetName());
        } else if (name != "Nothing") {
            return false;
        }
        return true;
    }

private:
    IMPLEMENT_REFCOUNTING(TestFunctions);
};

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void EventLog::Add(const std::string& name, int browser, long long frame, int number,
                   const std::wstring& text, long long bytes) {
    Event event;
    event.name = name;
    event.thread = GetCurrentThreadId();
    event.onUi = CefCurrentlyOn(TID_UI);
    event.onRenderer = CefCurrentlyOn(TID_RENDERER);
    event.onIo = CefCurrentlyOn(TID_IO);
    event.browser = browser;
    event.frame = frame;
    event.number = number;
    event.text = text;
    event.bytes = bytes;
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(event);
}

std::vector<Event> EventLog::All() {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
}

std::vector<Event> EventLog::Named(const std::string& name) {
    std::vector<Event> named;
    for (const auto& event : All()) {
        if (event.name == name) {
            named.push_back(event);
        }
    }
    return named;
}

std::vector<std::string> EventLog::Names(const std::vector<std::string>& only) {
    std::vector<std::string> names;
    for (const auto& event : All()) {
        bool wanted = only.empty();
        for (const auto& name : only) {
            wanted = wanted || name == event.name;
        }
        if (wanted) {
            names.push_back(event.name);
        }
    }
    return names;
}

int EventLog::Count(const std::string& name) {
    return static_cast<int>(Named(name).size());
}

void EventLog::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.clear();
}

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        PumpMessages();
    }
    return true;
}

ParentWindow::ParentWindow() {
    static const bool registered = [] {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = ParentProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"CefTestParent";
        return RegisterClassW(&windowClass) != 0;
    }();
    (void)registered;
    window_ = CreateWindowExW(0, L"CefTestParent", L"parent", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

ParentWindow::~ParentWindow() {
    if (IsWindow(window_)) {
        DestroyWindow(window_);
    }
}

CefRefPtr<CefBrowser> RecordingClient::Browser(int id) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& browser : browsers_) {
        if (browser->GetIdentifier() == id) {
            return browser;
        }
    }
    return nullptr;
}

std::vector<int> RecordingClient::BrowserIds() {
    std::vector<int> ids;
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& browser : browsers_) {
        ids.push_back(browser->GetIdentifier());
    }
    return ids;
}

bool RecordingClient::OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                    const CefString& target_url, const CefString&,
                                    WindowOpenDisposition target_disposition, bool,
                                    const CefPopupFeatures&, CefWindowInfo& windowInfo,
                                    CefRefPtr<CefClient>&, CefBrowserSettings&, bool*) {
    log_.Add("OnBeforePopup", BrowserId(browser), FrameId(frame), target_disposition,
             target_url.ToWString());
    windowInfo.style &= ~WS_VISIBLE;
    if (!createWhileDeciding.empty()) {
        CefWindowInfo hidden;
        hidden.SetAsPopup(nullptr, "other");
        hidden.style &= ~WS_VISIBLE;
        const int created = log_.Count("OnAfterCreated");
        CefBrowserHost::CreateBrowser(hidden, this, createWhileDeciding, CefBrowserSettings(),
                                      nullptr);
        WaitFor([&] { return log_.Count("OnAfterCreated") > created; }, 30000);
    }
    return target_disposition == WOD_NEW_FOREGROUND_TAB;
}

void RecordingClient::OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                                TerminationStatus status) {
    log_.Add("OnRenderProcessTerminated", BrowserId(browser), 0, status);
}

void RecordingClient::OnAfterCreated(CefRefPtr<CefBrowser> browser) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        browsers_.push_back(browser);
    }
    log_.Add("OnAfterCreated", BrowserId(browser), 0, browser->IsPopup() ? 1 : 0);
}

bool RecordingClient::DoClose(CefRefPtr<CefBrowser> browser) {
    log_.Add("DoClose", BrowserId(browser));
    return keepOnDoClose;
}

void RecordingClient::OnBeforeClose(CefRefPtr<CefBrowser> browser) {
    log_.Add("OnBeforeClose", BrowserId(browser));
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = browsers_.begin(); it != browsers_.end(); ++it) {
        if ((*it)->IsSame(browser)) {
            browsers_.erase(it);
            break;
        }
    }
}

void RecordingClient::OnLoadingStateChange(CefRefPtr<CefBrowser> browser, bool isLoading,
                                           bool canGoBack, bool) {
    log_.Add(isLoading ? "Loading" : "Loaded", BrowserId(browser), 0, canGoBack ? 1 : 0);
}

void RecordingClient::OnLoadStart(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) {
    log_.Add("OnLoadStart", BrowserId(browser), FrameId(frame), 0, frame->GetURL().ToWString());
}

void RecordingClient::OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                int httpStatusCode) {
    log_.Add("OnLoadEnd", BrowserId(browser), FrameId(frame), httpStatusCode,
             frame->GetURL().ToWString());
}

void RecordingClient::OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                  ErrorCode errorCode, const CefString& errorText,
                                  const CefString& failedUrl) {
    log_.Add("OnLoadError", BrowserId(browser), FrameId(frame), errorCode,
             failedUrl.ToWString() + L" " + errorText.ToWString());
}

void RecordingClient::OnAddressChange(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                      const CefString& url) {
    log_.Add("OnAddressChange", BrowserId(browser), FrameId(frame), 0, url.ToWString());
}

void RecordingClient::OnTitleChange(CefRefPtr<CefBrowser> browser, const CefString& title) {
    log_.Add("OnTitleChange", BrowserId(browser), 0, 0, title.ToWString());
}

void RecordingClient::OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame>,
                                          CefRefPtr<CefContextMenuParams> params,
                                          CefRefPtr<CefMenuModel> model) {
    log_.Add("OnBeforeContextMenu", BrowserId(browser), 0, params->GetTypeFlags(),
             std::to_wstring(params->GetXCoord()) + L"," + std::to_wstring(params->GetYCoord()));
    model->AddSeparator();
    model->AddItem(kDevToolsCommand, "DevTools");
}

bool RecordingClient::OnContextMenuCommand(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame>,
                                           CefRefPtr<CefContextMenuParams>, int command_id,
                                           EventFlags) {
    log_.Add("OnContextMenuCommand", BrowserId(browser), 0, command_id);
    if (command_id != kDevToolsCommand) {
        return false;
    }
    CefWindowInfo windowInfo;
    windowInfo.SetAsPopup(nullptr, "DevTools");
    windowInfo.style &= ~WS_VISIBLE;
    browser->GetHost()->ShowDevTools(windowInfo, this, CefBrowserSettings(), CefPoint());
    return true;
}

void RecordingClient::OnContextMenuDismissed(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame>) {
    log_.Add("OnContextMenuDismissed", BrowserId(browser));
}

void RecordingClient::OnBeforeDownload(CefRefPtr<CefBrowser> browser,
                                       CefRefPtr<CefDownloadItem> download_item,
                                       const CefString& suggested_name,
                                       CefRefPtr<CefBeforeDownloadCallback> callback) {
    log_.Add("OnBeforeDownload", BrowserId(browser), 0, static_cast<int>(download_item->GetId()),
             suggested_name.ToWString());
    callback->Continue(downloadPath, showSaveDialog);
}

void RecordingClient::OnDownloadUpdated(CefRefPtr<CefBrowser> browser,
                                        CefRefPtr<CefDownloadItem> download_item,
                                        CefRefPtr<CefDownloadItemCallback>) {
    const std::string state = download_item->IsComplete()   ? "DownloadComplete"
                              : download_item->IsCanceled() ? "DownloadCanceled"
                                                            : "DownloadProgress";
    log_.Add(state, BrowserId(browser), 0, static_cast<int>(download_item->GetId()),
             download_item->GetFullPath().ToWString(), download_item->GetReceivedBytes());
}

std::vector<CefRefPtr<CefV8Context>> RecordingApp::Contexts() {
    std::lock_guard<std::mutex> lock(mutex_);
    return contexts_;
}

void RecordingApp::ForgetContexts() {
    std::vector<CefRefPtr<CefV8Context>> contexts;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        contexts.swap(contexts_);
    }
}

void RecordingApp::OnContextInitialized() {
    log_.Add("OnContextInitialized");
}

void RecordingApp::OnRenderProcessThreadCreated(CefRefPtr<CefListValue> extra_info) {
    log_.Add("OnRenderProcessThreadCreated");
    extra_info->SetString(0, "from the browser side");
}

void RecordingApp::OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) {
    log_.Add("OnRenderThreadCreated", 0, 0, static_cast<int>(extra_info->GetSize()),
             extra_info->GetString(0).ToWString());
}

void RecordingApp::OnWebKitInitialized() {
    log_.Add("OnWebKitInitialized");
}

void RecordingApp::OnBrowserCreated(CefRefPtr<CefBrowser> browser) {
    log_.Add("OnBrowserCreated", BrowserId(browser));
}

void RecordingApp::OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) {
    log_.Add("OnBrowserDestroyed", BrowserId(browser));
}

bool RecordingApp::OnBeforeNavigation(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                      CefRefPtr<CefRequest> request, NavigationType navigation_type,
                                      bool) {
    log_.Add("OnBeforeNavigation", BrowserId(browser), FrameId(frame), navigation_type,
             request->GetURL().ToWString());
    return !blockedUrl.empty() && request->GetURL().ToWString() == blockedUrl;
}

void RecordingApp::OnContextCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                    CefRefPtr<CefV8Context> context) {
    log_.Add("OnContextCreated", BrowserId(browser), FrameId(frame),
             CefV8Context::GetCurrentContext()->IsSame(context) ? 1 : 0);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        contexts_.push_back(context);
    }
    CefRefPtr<CefV8Value> global = context->GetGlobal();
    CefRefPtr<CefV8Handler> functions = new TestFunctions();
    for (const char* name : {"Describe", "Echo", "Fail", "WhichFrame", "Nothing"}) {
        global->SetValue(name, CefV8Value::CreateFunction(name, functions),
                         V8_PROPERTY_ATTRIBUTE_NONE);
    }
}

void RecordingApp::OnContextReleased(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                     CefRefPtr<CefV8Context> context) {
    log_.Add("OnContextReleased", BrowserId(browser), FrameId(frame), context->IsValid() ? 1 : 0);
}

namespace {

class EmptyApp : public CefApp {
    IMPLEMENT_REFCOUNTING(EmptyApp);
};

}  // namespace

bool StartLibrary(CefRefPtr<CefApp> app) {
    if (!app) {
        app = new EmptyApp();
    }
    CefSettings settings;
    settings.single_process = 1;
    settings.no_sandbox = 1;
    settings.multi_threaded_message_loop = 1;
    return CefInitialize(CefMainArgs(GetModuleHandleW(nullptr)), settings, app, nullptr);
}

int InkPixels(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    const gdi::MemoryDc memory(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const gdi::Object<HBITMAP> bitmap(
        CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const COLORREF paper = GetSysColor(COLOR_WINDOW);
    const DWORD background = (GetRValue(paper) << 16) | (GetGValue(paper) << 8) | GetBValue(paper);
    auto* pixels = static_cast<DWORD*>(bits);
    // Blank to start with, so that a window that paints nothing shows no ink.
    std::fill(pixels, pixels + client.right * client.bottom, background);
    const gdi::Selection selected(memory, bitmap);
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(static_cast<HDC>(memory)),
                 PRF_CLIENT);
    GdiFlush();
    int count = 0;
    for (int i = 0; i < client.right * client.bottom; ++i) {
        count += (pixels[i] & 0xFFFFFF) != background ? 1 : 0;
    }
    return count;
}

unsigned short ClosedPort() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    bind(s, reinterpret_cast<sockaddr*>(&address), length);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    closesocket(s);
    WSACleanup();
    return ntohs(address.sin_port);
}
