#include "ClientApp.h"

void ClientApp::OnBeforeCommandLineProcessing(const CefString&, CefRefPtr<CefCommandLine>) {}

void ClientApp::OnRegisterCustomSchemes(CefRefPtr<CefSchemeRegistrar>) {}

CefRefPtr<CefResourceBundleHandler> ClientApp::GetResourceBundleHandler() {
    return nullptr;
}

CefRefPtr<CefBrowserProcessHandler> ClientApp::GetBrowserProcessHandler() {
    return nullptr;
}
