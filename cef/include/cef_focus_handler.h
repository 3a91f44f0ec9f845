#pragma once

#include "include/cef_base.h"

// The application's hook for focus changes. The in-process engine has no such events and never
// asks for this handler.
class CefFocusHandler : public virtual CefBase {};
