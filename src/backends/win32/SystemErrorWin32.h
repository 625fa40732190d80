#pragma once
// Windows error codes as text and as std::system_error, in UTF-8.
#include <string>
#include <system_error>

namespace zel {

// The system's message for a Win32 error code (FormatMessageW), as it
// stands; "Error N" when the system has none.
std::string SystemErrorText(unsigned long code);

// A category whose messages are SystemErrorText: std::system_category()
// would give them in the ANSI code page.
const std::error_category& Win32ErrorCategory();

// std::system_error for `code` with `what` in front of the system's message.
[[noreturn]] void ThrowWin32Error(unsigned long code, const std::string& what);

}  // namespace zel
