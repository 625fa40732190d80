#include "backends/win32/CommandLineWin32.h"

#include "backends/win32/WideTextWin32.h"

namespace zel {

std::wstring QuoteArgument(std::wstring_view argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring_view::npos)
    return std::wstring(argument);
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes count as such only before a quote: there they are doubled,
    // and the quote escaped.
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  quoted += L'"';
  return quoted;
}

std::wstring JoinArguments(const std::vector<std::string>& arguments) {
  std::wstring line;
  for (const std::string& argument : arguments) {
    if (!line.empty()) line += L' ';
    line += QuoteArgument(WideOf(argument));
  }
  return line;
}

}  // namespace zel
