#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zel {

// Name of the settings entry inside the package, and the section that holds
// every key the runtime reads.
inline constexpr std::string_view ProjectIniEntryName = "zel.ini";
inline constexpr std::string_view ProjectIniAppSection = "App";

// Converts a settings value to a signed 32-bit integer: an optional sign and
// decimal digits within range, or "$" (or "0x"/"0X") and 1 to 8 hexadecimal
// digits taken as a 32-bit pattern. Anything else, including trailing
// characters, gives no value.
std::optional<std::int32_t> ParseIniInteger(std::string_view text);

// The in-memory settings store filled from the package's zel.ini. Read only
// once loaded; it has no file and is never saved.
//
// Section and key names compare after Unicode simple case folding
// (core/text/CaseFold.h), the same for every user locale.
class TProjectINI {
 public:
  // Decodes the file's bytes (byte-order mark, else UTF-8, else
  // Windows-1252) and replaces what the store held. Empty bytes, as when the
  // package has no zel.ini, leave the store empty.
  void LoadFromBytes(std::span<const std::uint8_t> bytes);
  void LoadFromBytes(std::string_view bytes);
  // Parses UTF-8 text and replaces what the store held.
  void LoadFromText(std::string_view text);
  void Clear();

  // The value, or `defaultValue` when the section or key is absent or the key
  // has no value. An empty value reads as empty text.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;
  // The value as ParseIniInteger reads it, or `defaultValue` when it is
  // absent or not such a number.
  std::int32_t ReadInteger(std::string_view section, std::string_view key,
                           std::int32_t defaultValue) const;
  // ReadInteger with default 1 or 0, compared with 0.
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

  bool SectionExists(std::string_view section) const;
  // True when the key is present with a value (possibly empty).
  bool ValueExists(std::string_view section, std::string_view key) const;

 private:
  // Folded key name -> value; no value for a line without "=".
  using TKeyValues = std::map<std::string, std::optional<std::string>, std::less<>>;

  const std::optional<std::string>* FindValue(std::string_view section, std::string_view key) const;

  // Folded section name -> its keys.
  std::map<std::string, TKeyValues, std::less<>> FSections;
};

}  // namespace zel
