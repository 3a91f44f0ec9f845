#pragma once

#include "include/cef_base.h"
#include "include/cef_values.h"

typedef cef_process_id_t CefProcessId;

// A message between the browser and a renderer. Everything runs in one process here, so the
// library never delivers one; the type exists for the handlers that receive them.
class CefProcessMessage : public virtual CefBase {
public:
    virtual bool IsValid() = 0;
    virtual CefString GetName() = 0;
    virtual CefRefPtr<CefListValue> GetArgumentList() = 0;
};
