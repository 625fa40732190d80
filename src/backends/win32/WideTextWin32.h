#pragma once
// Text for Win32 calls: the program's UTF-8 and Windows' UTF-16.
#include <string>
#include <string_view>

namespace zel {

// Invalid UTF-8 becomes U+FFFD: a caption or message is shown, never refused.
std::wstring WideOf(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string Utf8Of(std::wstring_view text);

}  // namespace zel
