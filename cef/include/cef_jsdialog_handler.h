#pragma once

#include "include/cef_base.h"

// The application's hook for script dialogs (alert, confirm, prompt). The in-process engine has no
// such events and never asks for this handler.
class CefJSDialogHandler : public virtual CefBase {};
