#pragma once
// Command lines as Windows programs split them (CommandLineToArgvW and the C
// runtime's rules).
#include <string>
#include <string_view>
#include <vector>

namespace zel {

// `argument` as one word of a command line: unchanged when it needs no
// quotes, else in double quotes with its quotes and the backslashes before
// them (or before the closing quote) escaped.
std::wstring QuoteArgument(std::wstring_view argument);

// The UTF-8 `arguments`, each quoted, separated by blanks.
std::wstring JoinArguments(const std::vector<std::string>& arguments);

}  // namespace zel
