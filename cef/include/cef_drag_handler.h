#pragma once

#include "include/cef_base.h"

// The application's hook for drag and drop. The in-process engine has no such events and never
// asks for this handler.
class CefDragHandler : public virtual CefBase {};
