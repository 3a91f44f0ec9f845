#pragma once

#include "CefLibrary.h"

// What the application object does alike in every process role: the command line stays as the
// system gave it, no custom scheme is registered, resources come from the library's own bundle
// and no browser-process handler is offered. Derived classes supply the reference counting.
class ClientApp : public CefApp {
public:
    ClientApp() = default;
    ClientApp(const ClientApp&) = delete;
    ClientApp& operator=(const ClientApp&) = delete;

    void OnBeforeCommandLineProcessing(const CefString& process_type,
                                       CefRefPtr<CefCommandLine> command_line) override;
    void OnRegisterCustomSchemes(CefRefPtr<CefSchemeRegistrar> registrar) override;
    CefRefPtr<CefResourceBundleHandler> GetResourceBundleHandler() override;
    CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override;
};
