#pragma once

#include "include/cef_base.h"

class CefBrowser;
class CefV8Context;

// One frame of a browser's page: the main frame or a sub-frame. Valid until its page goes away.
class CefFrame : public virtual CefBase {
public:
    virtual bool IsValid() = 0;
    virtual void LoadURL(const CefString& url) = 0;
    virtual bool IsMain() = 0;
    virtual bool IsFocused() = 0;
    virtual CefString GetName() = 0;
    virtual int64 GetIdentifier() = 0;
    virtual CefRefPtr<CefFrame> GetParent() = 0;
    virtual CefString GetURL() = 0;
    virtual CefRefPtr<CefBrowser> GetBrowser() = 0;
    // Renderer thread only: the script context of the frame's current page.
    virtual CefRefPtr<CefV8Context> GetV8Context() = 0;
};
