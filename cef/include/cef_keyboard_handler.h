#pragma once

#include "include/cef_base.h"

// The application's hook for keyboard events. The in-process engine has no such events and never
// asks for this handler.
class CefKeyboardHandler : public virtual CefBase {};
