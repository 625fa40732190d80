#pragma once
#include <string>

namespace zel {

class ILocale {
 public:
  virtual ~ILocale() = default;
  // Two-letter ISO 639 code of the user's regional format ("en", "es", ...),
  // or empty text when the system cannot tell.
  virtual std::string LanguageCode() = 0;
  // The decimal separator of the user's number format.
  virtual std::string DecimalSeparator() { return "."; }
};

}  // namespace zel
