#pragma once
// <windows.h> for the Win32 backend, always after the seam: its macros
// (S_OK, E_FAIL, E_INVALIDARG, E_NOINTERFACE) would otherwise replace the
// seam's constants of the same names.
#include "platform/WebEngine.h"

#include <windows.h>
