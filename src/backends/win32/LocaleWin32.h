#pragma once
#include <string>

#include "platform/Locale.h"

namespace zel {

// The user's regional format (the locale of the regional settings, not the
// display language) through GetLocaleInfoEx.
class TWin32Locale : public ILocale {
 public:
  // LOCALE_SISO639LANGNAME of the user's default locale, lower-cased.
  std::string LanguageCode() override;
  // LOCALE_SDECIMAL of the user's default locale; "." when it has none.
  std::string DecimalSeparator() override;
};

}  // namespace zel
