#include "core/text/Utf8.h"

namespace zel {

char32_t NextCodePoint(std::string_view text, std::size_t& pos) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(pos);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  int length = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, cp = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, cp = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, cp = lead & 0x07, minimum = 0x10000;
  } else {
    ++pos;
    return ReplacementCharacter;
  }
  if (pos + length > text.size()) {
    ++pos;
    return ReplacementCharacter;
  }
  for (int i = 1; i < length; ++i) {
    const std::uint8_t b = byte(pos + i);
    if ((b & 0xC0) != 0x80) {
      ++pos;
      return ReplacementCharacter;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return ReplacementCharacter;
  }
  pos += length;
  return cp;
}

bool IsValidUtf8(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t start = pos;
    if (NextCodePoint(text, pos) == ReplacementCharacter) {
      // U+FFFD itself is valid when it is spelled out as EF BF BD.
      if (pos - start != 3) return false;
    }
  }
  return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::u32string Utf8ToUtf32(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) out += NextCodePoint(text, pos);
  return out;
}

std::string Utf32ToUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t cp : text) AppendUtf8(out, cp);
  return out;
}

}  // namespace zel
