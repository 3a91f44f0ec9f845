#pragma once

#include "include/cef_base.h"

// A request of a navigation, as the renderer side sees it before it starts.
class CefRequest : public virtual CefBase {
public:
    static CefRefPtr<CefRequest> Create();

    virtual bool IsReadOnly() = 0;
    virtual CefString GetURL() = 0;
    virtual void SetURL(const CefString& url) = 0;
    virtual CefString GetMethod() = 0;
    virtual void SetMethod(const CefString& method) = 0;
    virtual uint64 GetIdentifier() = 0;
};
