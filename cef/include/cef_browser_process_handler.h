#pragma once

#include "include/cef_base.h"
#include "include/cef_command_line.h"
#include "include/cef_values.h"

// The browser side of the application. UI thread.
class CefBrowserProcessHandler : public virtual CefBase {
public:
    virtual void OnContextInitialized() {}
    virtual void OnBeforeChildProcessLaunch(CefRefPtr<CefCommandLine> command_line) {}
    // Fills the list that the renderer's OnRenderThreadCreated receives.
    virtual void OnRenderProcessThreadCreated(CefRefPtr<CefListValue> extra_info) {}
};
