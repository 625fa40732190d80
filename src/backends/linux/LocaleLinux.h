#pragma once
#include <functional>
#include <string>

#include "platform/Locale.h"

namespace zel {

// The user's regional format from the environment: LC_ALL, then LC_TIME, then
// LANG, the first that is set and not empty.
class TLinuxLocale : public ILocale {
 public:
  // Reads a variable like getenv: null when it is not set.
  using TGetEnv = std::function<const char*(const char*)>;

  TLinuxLocale();
  explicit TLinuxLocale(TGetEnv getEnv);

  // The language part of the locale name ("es" for "es_ES.UTF-8@euro"),
  // lower-cased; empty for "C", "POSIX" or when no variable is set.
  std::string LanguageCode() override;

  // From the numeric format of the environment's locale (LC_ALL, LC_NUMERIC,
  // LANG); "." when that locale is not installed.
  std::string DecimalSeparator() override;

  // The language code of one locale name such as "de_AT.UTF-8".
  static std::string LanguageOfLocaleName(const std::string& localeName);

 private:
  TGetEnv FGetEnv;
};

}  // namespace zel
