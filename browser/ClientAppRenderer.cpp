#include "ClientAppRenderer.h"

#include <map>

#include "CodePage.h"
#include "DesktopFile.h"
#include "DesktopName.h"
#include "HttpTransfer.h"
#include "JsonHelper.h"
#include "LogFile.h"

namespace {

constexpr char kLogTitle[] = "DownExecel";
constexpr char kSucceeded[] = "0";
constexpr char kFailed[] = "1";

// Builds the result, logs `line` and the result text at `level`, returns the result (UTF-8).
std::string Finish(LogLevel level, const std::string& line, const char* code,
                   const std::string& message) {
    const std::string result = CV8JsHandler::MakeResult(code, message);
    WriteLog(level, kLogTitle, line);
    WriteLog(level, kLogTitle, Utf8ToAnsi(result));
    return result;
}

std::string Fail(const std::string& message) {
    return Finish(kLogError, message, kFailed, message);
}

}  // namespace

ClientAppRenderer::ClientAppRenderer() = default;

ClientAppRenderer::ClientAppRenderer(const DelegateSet& delegates) : delegates_(delegates) {}

void ClientAppRenderer::OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) {
    for (const auto& delegate : delegates_) {
        delegate->OnRenderThreadCreated(this, extra_info);
    }
}

void ClientAppRenderer::OnWebKitInitialized() {
    for (const auto& delegate : delegates_) {
        delegate->OnWebKitInitialized(this);
    }
}

void ClientAppRenderer::OnBrowserCreated(CefRefPtr<CefBrowser> browser) {
    for (const auto& delegate : delegates_) {
        delegate->OnBrowserCreated(this, browser);
    }
}

void ClientAppRenderer::OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) {
    for (const auto& delegate : delegates_) {
        delegate->OnBrowserDestroyed(this, browser);
    }
}

CefRefPtr<CefLoadHandler> ClientAppRenderer::GetLoadHandler() {
    for (const auto& delegate : delegates_) {
        if (CefRefPtr<CefLoadHandler> handler = delegate->GetLoadHandler(this)) {
            return handler;
        }
    }
    return nullptr;
}

bool ClientAppRenderer::OnBeforeNavigation(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                           CefRefPtr<CefRequest> request,
                                           NavigationType navigation_type, bool is_redirect) {
    for (const auto& delegate : delegates_) {
        if (delegate->OnBeforeNavigation(this, browser, frame, request, navigation_type,
                                         is_redirect)) {
            return true;
        }
    }
    return false;
}

void ClientAppRenderer::OnContextCreated(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                                         CefRefPtr<CefV8Context> context) {
    CefRefPtr<CefV8Value> global = context->GetGlobal();
    if (!global) {
        return;
    }
    CefRefPtr<CefV8Handler> handler = new CV8JsHandler();
    global->SetValue(CV8JsHandler::kFunctionName,
                     CefV8Value::CreateFunction(CV8JsHandler::kFunctionName, handler),
                     V8_PROPERTY_ATTRIBUTE_NONE);
}

void ClientAppRenderer::OnContextReleased(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                          CefRefPtr<CefV8Context> context) {
    for (const auto& delegate : delegates_) {
        delegate->OnContextReleased(this, browser, frame, context);
    }
}

void ClientAppRenderer::OnUncaughtException(CefRefPtr<CefBrowser> browser,
                                            CefRefPtr<CefFrame> frame,
                                            CefRefPtr<CefV8Context> context,
                                            CefRefPtr<CefV8Exception> exception,
                                            CefRefPtr<CefV8StackTrace> stackTrace) {
    for (const auto& delegate : delegates_) {
        delegate->OnUncaughtException(this, browser, frame, context, exception, stackTrace);
    }
}

void ClientAppRenderer::OnFocusedNodeChanged(CefRefPtr<CefBrowser> browser,
                                             CefRefPtr<CefFrame> frame,
                                             CefRefPtr<CefDOMNode> node) {
    for (const auto& delegate : delegates_) {
        delegate->OnFocusedNodeChanged(this, browser, frame, node);
    }
}

bool ClientAppRenderer::OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                                 CefProcessId source_process,
                                                 CefRefPtr<CefProcessMessage> message) {
    for (const auto& delegate : delegates_) {
        if (delegate->OnProcessMessageReceived(this, browser, source_process, message)) {
            return true;
        }
    }
    return false;
}

const char CV8JsHandler::kFunctionName[] = "DownExecel";

bool CV8JsHandler::Execute(const CefString& name, CefRefPtr<CefV8Value>,
                           const CefV8ValueList& arguments, CefRefPtr<CefV8Value>& retval,
                           CefString&) {
    if (name == CefString(kFunctionName)) {
        retval = CefV8Value::CreateString(DownExecel(arguments));
    }
    return true;
}

std::string CV8JsHandler::MakeResult(const std::string& code, const std::string& message) {
    std::map<std::string, std::string> members;
    members["code"] = code;
    members["msg"] = message;
    std::string json;
    IJsonHelper::MapToJson(members, json);
    return AnsiToUtf8(json);
}

std::string CV8JsHandler::DownExecel(const CefV8ValueList& arguments) {
    WriteLog(kLogProgress, kLogTitle, "进入DownExecel");
    if (arguments.size() != 2) {
        return Finish(kLogProgress, "返回参数不对", kFailed, "传入参数与接口不符");
    }
    if (!arguments[0] || !arguments[0]->IsString()) {
        return Fail("读取网址失败");
    }
    // The transfer gets the script's own text: a round trip through the ANSI code page would
    // turn characters it lacks into "?", which changes what the URL means.
    const std::string urlUtf8 = arguments[0]->GetStringValue().ToString();
    WriteLog(kLogProgress, kLogTitle, Utf8ToAnsi(urlUtf8));

    if (!arguments[1] || !arguments[1]->IsString()) {
        return Fail("读取文件名失败");
    }
    const std::wstring requestedName = arguments[1]->GetStringValue().ToWString();
    std::string fileName;
    const bool plainName = MakeDesktopFileName(requestedName, fileName);
    WriteLog(kLogProgress, kLogTitle, plainName ? fileName : WideToAnsi(requestedName));

    const std::string folder = DesktopFolder();
    if (!plainName || folder.empty()) {
        return Fail("下载文件失败，请重试！");
    }
    const std::string path = folder + "\\" + fileName;
    WriteLog(kLogProgress, kLogTitle, path);

    if (DownloadToFile(urlUtf8, path) != 0) {
        return Fail("下载文件失败，请重试！");
    }
    return Finish(kLogProgress, "下载文件成功", kSucceeded, "成功");
}
