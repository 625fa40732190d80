#include "core/settings/ProjectIni.h"
#include "core/text/HexDigits.h"

#include <limits>

#include "core/text/CaseFold.h"
#include "core/text/TextDecoding.h"

namespace zel {

namespace {

// Blanks and control characters; all of them are one byte in UTF-8.
bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 0x20; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsTrimmed(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsTrimmed(text.back())) text.remove_suffix(1);
  return text;
}

std::optional<std::int32_t> ParseHex(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  for (const char c : digits) {
    const int digit = HexDigitValue(c);
    if (digit < 0) return std::nullopt;
    value = (value << 4) | static_cast<std::uint32_t>(digit);
  }
  return static_cast<std::int32_t>(value);  // the 32-bit pattern, so $FFFFFFFF is -1
}

std::optional<std::int32_t> ParseDecimal(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  // Magnitude limit: 2^31 for a negative number, 2^31 - 1 otherwise.
  const std::int64_t limit =
      static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + (negative ? 1 : 0);
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > limit) return std::nullopt;
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

}  // namespace

std::optional<std::int32_t> ParseIniInteger(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    return ParseHex(text.substr(2));
  if (!text.empty() && text.front() == '$') return ParseHex(text.substr(1));
  return ParseDecimal(text);
}

void TProjectINI::LoadFromBytes(std::span<const std::uint8_t> bytes) {
  LoadFromText(DecodeText(bytes));
}

void TProjectINI::LoadFromBytes(std::string_view bytes) { LoadFromText(DecodeText(bytes)); }

void TProjectINI::LoadFromText(std::string_view text) {
  FSections.clear();
  TKeyValues* current = nullptr;  // lines before the first header have no section

  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", pos);
    std::string_view line = text.substr(pos, end == std::string_view::npos ? end : end - pos);
    if (end == std::string_view::npos) {
      pos = text.size();
    } else {
      pos = end + 1;
      if (text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
    }

    line = Trim(line);
    if (line.empty() || line.front() == ';') continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      // A repeated header finds the existing section and continues it.
      current = &FSections[FoldCase(Trim(line.substr(1, line.size() - 2)))];
      continue;
    }
    if (current == nullptr) continue;

    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      (*current)[FoldCase(line)] = std::nullopt;
    } else {
      (*current)[FoldCase(Trim(line.substr(0, equals)))] =
          std::string(Trim(line.substr(equals + 1)));
    }
  }
}

void TProjectINI::Clear() { FSections.clear(); }

const std::optional<std::string>* TProjectINI::FindValue(std::string_view section,
                                                         std::string_view key) const {
  const auto sectionIt = FSections.find(FoldCase(section));
  if (sectionIt == FSections.end()) return nullptr;
  const auto keyIt = sectionIt->second.find(FoldCase(key));
  if (keyIt == sectionIt->second.end()) return nullptr;
  return &keyIt->second;
}

std::string TProjectINI::ReadString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
  const auto* value = FindValue(section, key);
  if (value == nullptr || !value->has_value()) return std::string(defaultValue);
  return **value;
}

std::int32_t TProjectINI::ReadInteger(std::string_view section, std::string_view key,
                                      std::int32_t defaultValue) const {
  return ParseIniInteger(ReadString(section, key, "")).value_or(defaultValue);
}

bool TProjectINI::ReadBool(std::string_view section, std::string_view key,
                           bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool TProjectINI::SectionExists(std::string_view section) const {
  return FSections.find(FoldCase(section)) != FSections.end();
}

bool TProjectINI::ValueExists(std::string_view section, std::string_view key) const {
  const auto* value = FindValue(section, key);
  return value != nullptr && value->has_value();
}

}  // namespace zel
