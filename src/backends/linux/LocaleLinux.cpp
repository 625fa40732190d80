#include "backends/linux/LocaleLinux.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>

namespace zel {

TLinuxLocale::TLinuxLocale() : FGetEnv([](const char* name) { return std::getenv(name); }) {}

TLinuxLocale::TLinuxLocale(TGetEnv getEnv) : FGetEnv(std::move(getEnv)) {}

std::string TLinuxLocale::LanguageCode() {
  for (const char* name : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* value = FGetEnv(name);
    if (value != nullptr && *value != '\0') return LanguageOfLocaleName(value);
  }
  return {};
}

std::string TLinuxLocale::LanguageOfLocaleName(const std::string& localeName) {
  // language[_territory][.codeset][@modifier]; "-" also ends it, for names
  // written as language tags ("es-ES").
  std::string language = localeName.substr(0, localeName.find_first_of("_.@-"));
  if (language == "C" || language == "POSIX") return {};
  for (char& c : language)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return language;
}

std::string TLinuxLocale::DecimalSeparator() {
  locale_t numeric = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (numeric == static_cast<locale_t>(0)) return ".";
  std::string separator = nl_langinfo_l(RADIXCHAR, numeric);
  freelocale(numeric);
  return separator.empty() ? "." : separator;
}

}  // namespace zel
