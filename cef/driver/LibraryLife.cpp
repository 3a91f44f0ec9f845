// The library's start and end: its runtime, and beside it the page driver when the environment
// asks for one. The driver is a client of the runtime: it starts after it and ends before it.
#include <memory>

#include "include/cef_app.h"
#include "../src/Runtime.h"
#include "TcpDriver.h"

namespace {

std::unique_ptr<cefimpl::TcpDriver> g_driver;

}  // namespace

bool CefInitialize(const CefMainArgs&, const CefSettings& settings, CefRefPtr<CefApp> application,
                   void*) {
    if (!cefimpl::Runtime::Initialize(settings, application)) {
        return false;
    }
    g_driver = cefimpl::TcpDriver::FromEnvironment();
    return true;
}

void CefShutdown() {
    g_driver.reset();
    cefimpl::Runtime::Shutdown();
}
