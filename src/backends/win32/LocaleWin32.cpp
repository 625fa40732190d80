#include "backends/win32/LocaleWin32.h"

#include "backends/win32/WideTextWin32.h"
#include "backends/win32/Win32.h"

namespace zel {
namespace {

std::string UserLocaleInfo(LCTYPE type) {
  wchar_t buffer[LOCALE_NAME_MAX_LENGTH] = {};
  const int length =
      GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, LOCALE_NAME_MAX_LENGTH);
  // The length counts the terminating null.
  if (length <= 1) return {};
  return Utf8Of(std::wstring_view(buffer, static_cast<std::size_t>(length - 1)));
}

}  // namespace

std::string TWin32Locale::LanguageCode() {
  std::string language = UserLocaleInfo(LOCALE_SISO639LANGNAME);
  for (char& c : language)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return language;
}

std::string TWin32Locale::DecimalSeparator() {
  const std::string separator = UserLocaleInfo(LOCALE_SDECIMAL);
  return separator.empty() ? "." : separator;
}

}  // namespace zel
