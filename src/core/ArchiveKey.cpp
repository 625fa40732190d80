#include "core/ArchiveKey.h"

#include <vector>

#include "core/ArchiveKeyConfig.h"
#include "core/text/Utf8.h"

namespace zel {

namespace {

std::vector<int> KeyShifts(std::string_view key) {
  std::vector<int> shifts;
  shifts.reserve(key.size());
  for (const char c : key) {
    if (c < 'A' || c > 'Z') throw ECalculateWidthError("Invalid character in CalculateWidth key.");
    shifts.push_back(c - 'A');
  }
  if (shifts.empty()) throw ECalculateWidthError("Empty CalculateWidth key.");
  return shifts;
}

char ShiftLetter(char c, char first, int shift) {
  return static_cast<char>(first + ((c - first) + shift % 26 + 26) % 26);
}

// Shifts each ASCII letter by `direction` times the key's shift at its
// position; every other character is copied byte for byte.
std::string ApplyKey(std::string_view text, std::string_view key, int direction) {
  const std::vector<int> shifts = KeyShifts(key);
  std::string out;
  out.reserve(text.size());
  std::size_t position = 0;  // in UTF-16 code units
  std::size_t pos = 0;
  while (pos < text.size()) {
    const char c = text[pos];
    const int shift = direction * shifts[position % shifts.size()];
    if (c >= 'A' && c <= 'Z') {
      out += ShiftLetter(c, 'A', shift);
      ++pos, ++position;
    } else if (c >= 'a' && c <= 'z') {
      out += ShiftLetter(c, 'a', shift);
      ++pos, ++position;
    } else {
      const std::size_t start = pos;
      const char32_t codePoint = NextCodePoint(text, pos);
      out.append(text.substr(start, pos - start));
      position += codePoint > 0xFFFF ? 2 : 1;
    }
  }
  return out;
}

}  // namespace

std::string CalculateWidth(std::string_view text, std::string_view key) {
  return ApplyKey(text, key, -1);
}

std::string EncodeWidth(std::string_view text, std::string_view key) {
  return ApplyKey(text, key, 1);
}

std::string ArchiveTextProblem(std::string_view text) {
  if (text.empty()) return "it is empty";
  for (const char c : text) {
    if (c == '"' || c == '\\' || c == '\'') return std::string("it holds the character ") + c;
    if (c <= ' ' || c > '~')
      return "it holds a blank, a control character or a character outside ASCII";
  }
  return {};
}

std::string ArchiveKeyProblem(std::string_view key) {
  if (key.empty()) return "it is empty";
  for (const char c : key) {
    if (c < 'A' || c > 'Z') return "it holds a character other than the capital letters A to Z";
  }
  return {};
}

std::string ArchivePassword() {
  return CalculateWidth(config::ArchiveEncodedText, config::ArchiveKey);
}

}  // namespace zel
