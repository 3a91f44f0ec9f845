#pragma once

#include <set>
#include <string>

#include "CefLibrary.h"
#include "ClientApp.h"

// The application object of every process role, and on the renderer side its render-process
// handler: each script context gets the native function DownExecel on its global object. The
// other renderer notifications go to the registered delegates (the program registers none).
class ClientAppRenderer : public ClientApp, public CefRenderProcessHandler {
public:
    // Renderer-side hooks that hear what the application forwards.
    class Delegate : public virtual CefBase {
    public:
        virtual void OnRenderThreadCreated(CefRefPtr<ClientAppRenderer> /*app*/,
                                           CefRefPtr<CefListValue> /*extra_info*/) {}
        virtual void OnWebKitInitialized(CefRefPtr<ClientAppRenderer> /*app*/) {}
        virtual void OnBrowserCreated(CefRefPtr<ClientAppRenderer> /*app*/,
                                      CefRefPtr<CefBrowser> /*browser*/) {}
        virtual void OnBrowserDestroyed(CefRefPtr<ClientAppRenderer> /*app*/,
                                        CefRefPtr<CefBrowser> /*browser*/) {}
        virtual CefRefPtr<CefLoadHandler> GetLoadHandler(CefRefPtr<ClientAppRenderer> /*app*/) {
            return nullptr;
        }
        // True cancels the navigation.
        virtual bool OnBeforeNavigation(CefRefPtr<ClientAppRenderer> /*app*/,
                                        CefRefPtr<CefBrowser> /*browser*/,
                                        CefRefPtr<CefFrame> /*frame*/,
                                        CefRefPtr<CefRequest> /*request*/,
                                        cef_navigation_type_t /*navigation_type*/,
                                        bool /*is_redirect*/) {
            return false;
        }
        virtual void OnContextReleased(CefRefPtr<ClientAppRenderer> /*app*/,
                                       CefRefPtr<CefBrowser> /*browser*/,
                                       CefRefPtr<CefFrame> /*frame*/,
                                       CefRefPtr<CefV8Context> /*context*/) {}
        virtual void OnUncaughtException(CefRefPtr<ClientAppRenderer> /*app*/,
                                         CefRefPtr<CefBrowser> /*browser*/,
                                         CefRefPtr<CefFrame> /*frame*/,
                                         CefRefPtr<CefV8Context> /*context*/,
                                         CefRefPtr<CefV8Exception> /*exception*/,
                                         CefRefPtr<CefV8StackTrace> /*stack_trace*/) {}
        virtual void OnFocusedNodeChanged(CefRefPtr<ClientAppRenderer> /*app*/,
                                          CefRefPtr<CefBrowser> /*browser*/,
                                          CefRefPtr<CefFrame> /*frame*/,
                                          CefRefPtr<CefDOMNode> /*node*/) {}
        // True when the delegate handled the message.
        virtual bool OnProcessMessageReceived(CefRefPtr<ClientAppRenderer> /*app*/,
                                              CefRefPtr<CefBrowser> /*browser*/,
                                              CefProcessId /*source_process*/,
                                              CefRefPtr<CefProcessMessage> /*message*/) {
            return false;
        }
    };

    typedef std::set<CefRefPtr<Delegate>> DelegateSet;

    ClientAppRenderer();
    explicit ClientAppRenderer(const DelegateSet& delegates);

    CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return this; }

    void OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) override;
    void OnWebKitInitialized() override;
    void OnBrowserCreated(CefRefPtr<CefBrowser> browser) override;
    void OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) override;
    CefRefPtr<CefLoadHandler> GetLoadHandler() override;
    bool OnBeforeNavigation(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                            CefRefPtr<CefRequest> request, NavigationType navigation_type,
                            bool is_redirect) override;
    void OnContextCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                          CefRefPtr<CefV8Context> context) override;
    void OnContextReleased(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                           CefRefPtr<CefV8Context> context) override;
    void OnUncaughtException(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                             CefRefPtr<CefV8Context> context, CefRefPtr<CefV8Exception> exception,
                             CefRefPtr<CefV8StackTrace> stackTrace) override;
    void OnFocusedNodeChanged(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                              CefRefPtr<CefDOMNode> node) override;
    bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefProcessId source_process,
                                  CefRefPtr<CefProcessMessage> message) override;

private:
    DelegateSet delegates_;

    IMPLEMENT_REFCOUNTING(ClientAppRenderer);
};

// The native code behind DownExecel(url, fileName): downloads the file at the URL into the
// user's desktop folder under that name and answers with a JSON result text. One per context.
class CV8JsHandler : public CefV8Handler {
public:
    static const char kFunctionName[];

    CV8JsHandler() = default;
    CV8JsHandler(const CV8JsHandler&) = delete;
    CV8JsHandler& operator=(const CV8JsHandler&) = delete;

    // Always handled; names other than DownExecel leave no result. Never throws into script.
    bool Execute(const CefString& name, CefRefPtr<CefV8Value> object,
                 const CefV8ValueList& arguments, CefRefPtr<CefV8Value>& retval,
                 CefString& exception) override;

    // {"code":CODE,"msg":MESSAGE} from ANSI texts, returned as UTF-8.
    static std::string MakeResult(const std::string& code, const std::string& message);

private:
    // The UTF-8 result text of one call.
    static std::string DownExecel(const CefV8ValueList& arguments);

    IMPLEMENT_REFCOUNTING(CV8JsHandler);
};
