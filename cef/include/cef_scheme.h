#pragma once

#include "include/cef_base.h"

// Offered to the application once per process to register its own URL schemes.
class CefSchemeRegistrar : public virtual CefBase {
public:
    // False for a scheme the library already knows or one registered before.
    virtual bool AddCustomScheme(const CefString& scheme_name, bool is_standard, bool is_local,
                                 bool is_display_isolated) = 0;
};
