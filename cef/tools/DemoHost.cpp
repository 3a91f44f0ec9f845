// A window with one browser in it, built against the library like the program is: for trying the
// stand-in by hand and for driving it from scripts (set TESSEL_CEF_DRIVER_PORT).
// Usage: cef_demo_host.exe [url]

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <string>

#include "include/cef_app.h"
#include "include/cef_client.h"

namespace {

constexpr wchar_t kHostClass[] = L"TesselCefDemoHost";

// Keeps the first browser's window and shows its title on the host.
class DemoClient : public CefClient, public CefLifeSpanHandler, public CefDisplayHandler {
public:
    explicit DemoClient(HWND host) : host_(host) {}

    HWND browserWindow() const { return browserWindow_; }

    CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
    CefRefPtr<CefDisplayHandler> GetDisplayHandler() override { return this; }

    void OnAfterCreated(CefRefPtr<CefBrowser> browser) override {
        if (!browser->IsPopup()) {
            browserWindow_ = browser->GetHost()->GetWindowHandle();
        }
    }
    void OnTitleChange(CefRefPtr<CefBrowser> browser, const CefString& title) override {
        if (!browser->IsPopup()) {
            SetWindowTextW(host_, title.ToWString().c_str());
        }
    }

private:
    const HWND host_;
    std::atomic<HWND> browserWindow_{nullptr};
    IMPLEMENT_REFCOUNTING(DemoClient);
};

// Gives every page a function Echo that returns its first argument.
class DemoApp : public CefApp, public CefRenderProcessHandler, public CefV8Handler {
public:
    CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return this; }

    void OnContextCreated(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                          CefRefPtr<CefV8Context> context) override {
        context->GetGlobal()->SetValue("Echo", CefV8Value::CreateFunction("Echo", this),
                                       V8_PROPERTY_ATTRIBUTE_NONE);
    }
    bool Execute(const CefString&, CefRefPtr<CefV8Value>, const CefV8ValueList& arguments,
                 CefRefPtr<CefV8Value>& retval, CefString&) override {
        retval = arguments.empty() ? CefV8Value::CreateUndefined() : arguments[0];
        return true;
    }

private:
    IMPLEMENT_REFCOUNTING(DemoApp);
};

DemoClient* g_client = nullptr;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            if (g_client && g_client->browserWindow()) {
                MoveWindow(g_client->browserWindow(), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            }
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

std::wstring StartUrl() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring url = L"about:blank";
    for (int i = 1; argv && i < count; ++i) {
        if (argv[i][0] != L'-') {
            url = argv[i];
        }
    }
    LocalFree(argv);
    return url;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int show) {
    CefMainArgs args(instance);
    CefRefPtr<DemoApp> app = new DemoApp();
    const int role = CefExecuteProcess(args, app.get(), nullptr);
    if (role >= 0) {
        return role;
    }
    CefSettings settings;
    settings.single_process = 1;
    settings.no_sandbox = 1;
    settings.multi_threaded_message_loop = 1;
    if (!CefInitialize(args, settings, app.get(), nullptr)) {
        return 1;
    }

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = HostProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kHostClass;
    RegisterClassW(&windowClass);
    const HWND host = CreateWindowExW(0, kHostClass, L"Tessel browser stand-in",
                                      WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                                      CW_USEDEFAULT, 800, 600, nullptr, nullptr, instance, nullptr);
    CefRefPtr<DemoClient> client = new DemoClient(host);
    g_client = client.get();
    RECT area;
    GetClientRect(host, &area);
    CefWindowInfo info;
    info.SetAsChild(host, area);
    CefBrowserHost::CreateBrowser(info, client.get(), StartUrl(), CefBrowserSettings(), nullptr);
    ShowWindow(host, show);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    CefShutdown();
    g_client = nullptr;
    return 0;
}
