#pragma once

#include "include/cef_base.h"
#include "include/cef_browser.h"

// The application's hook for what happens to a browser's requests and its page process. UI
// thread.
class CefRequestHandler : public virtual CefBase {
public:
    typedef cef_termination_status_t TerminationStatus;

    // The process that ran the browser's page ended; the browser shows that its page crashed
    // until it loads a page again.
    virtual void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                           TerminationStatus status) {}
};
