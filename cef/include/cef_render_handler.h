#pragma once

#include "include/cef_base.h"

// The application's hook for off-screen rendering. The in-process engine has no such events and
// never asks for this handler.
class CefRenderHandler : public virtual CefBase {};
