#pragma once

#include "include/cef_base.h"

// A node of a page's document. The stand-in has no document tree and never hands one out.
class CefDOMNode : public virtual CefBase {
public:
    virtual bool IsSame(CefRefPtr<CefDOMNode> that) = 0;
    virtual CefString GetName() = 0;
};
