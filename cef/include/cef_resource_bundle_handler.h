#pragma once

#include "include/cef_base.h"

// The application's hook for localized strings and resources. The in-process engine has no such
// events and never asks for this handler.
class CefResourceBundleHandler : public virtual CefBase {};
