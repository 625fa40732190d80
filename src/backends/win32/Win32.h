#pragma once
// <windows.h> for the Win32 backend, always after the seam: its macros
// (S_OK, E_FAIL, E_INVALIDARG, E_NOINTERFACE) would otherwise replace the
// seam's constants of the same names. Include this before any Windows
// header (a module's own header includes it, so that it comes first).
// clang-format off
#include "platform/WebEngine.h"
#include <windows.h>
// clang-format on
