#pragma once

#include "include/cef_base.h"

// The application's hook for geolocation permission requests. The in-process engine has no such
// events and never asks for this handler.
class CefGeolocationHandler : public virtual CefBase {};
