#pragma once

#include "include/cef_base.h"

// A browsing context's storage and network settings. Every browser here shares the global one, so
// the library accepts none but the default (null).
class CefRequestContext : public virtual CefBase {
public:
    virtual bool IsGlobal() = 0;
};
