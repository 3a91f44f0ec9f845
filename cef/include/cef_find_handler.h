#pragma once

#include "include/cef_base.h"

// The application's hook for find-in-page results. The in-process engine has no such events and
// never asks for this handler.
class CefFindHandler : public virtual CefBase {};
