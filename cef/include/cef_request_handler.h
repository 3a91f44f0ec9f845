#pragma once

#include "include/cef_base.h"

// The application's hook for network requests. The in-process engine has no such events and never
// asks for this handler.
class CefRequestHandler : public virtual CefBase {};
