#pragma once

#include "include/cef_base.h"

// The application's hook for file dialogs. The in-process engine has no such events and never
// asks for this handler.
class CefDialogHandler : public virtual CefBase {};
