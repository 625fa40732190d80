#include "core/text/TextDecoding.h"

#include <array>

#include "core/text/Utf8.h"

namespace zel {

namespace {

// Windows-1252 bytes 80 to 9F; the rest of the code page equals Latin-1.
constexpr std::array<char16_t, 32> Windows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string_view AsChars(std::span<const std::uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Keeps valid sequences and replaces each broken byte with U+FFFD.
std::string SanitizeUtf8(std::string_view text) {
  if (IsValidUtf8(text)) return std::string(text);
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) AppendUtf8(out, NextCodePoint(text, pos));
  return out;
}

}  // namespace

TByteOrderMark DetectByteOrderMark(std::span<const std::uint8_t> bytes) {
  if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
    return {TTextEncoding::Utf8, 3};
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) return {TTextEncoding::Utf16LE, 2};
  if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) return {TTextEncoding::Utf16BE, 2};
  return {TTextEncoding::Ansi, 0};
}

std::string DecodeText(std::span<const std::uint8_t> bytes) {
  const TByteOrderMark mark = DetectByteOrderMark(bytes);
  const auto body = bytes.subspan(mark.Length);
  switch (mark.Encoding) {
    case TTextEncoding::Utf8:
      return SanitizeUtf8(AsChars(body));
    case TTextEncoding::Utf16LE:
      return DecodeUtf16(body, false);
    case TTextEncoding::Utf16BE:
      return DecodeUtf16(body, true);
    case TTextEncoding::Ansi:
      break;
  }
  return DecodeAnsi(body);
}

std::string DecodeText(std::string_view bytes) { return DecodeText(AsBytes(bytes)); }

std::string DecodeUtf16(std::span<const std::uint8_t> bytes, bool bigEndian) {
  const std::size_t units = bytes.size() / 2;
  const auto unitAt = [&](std::size_t i) -> char16_t {
    const std::uint8_t first = bytes[2 * i];
    const std::uint8_t second = bytes[2 * i + 1];
    return bigEndian ? static_cast<char16_t>((first << 8) | second)
                     : static_cast<char16_t>((second << 8) | first);
  };
  const auto isHigh = [](char16_t u) { return u >= 0xD800 && u <= 0xDBFF; };
  const auto isLow = [](char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; };

  std::string out;
  out.reserve(units + units / 2);
  for (std::size_t i = 0; i < units; ++i) {
    const char16_t unit = unitAt(i);
    if (isHigh(unit) && i + 1 < units && isLow(unitAt(i + 1))) {
      const char16_t low = unitAt(++i);
      AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (low - 0xDC00));
    } else if (isHigh(unit) || isLow(unit)) {
      AppendUtf8(out, ReplacementCharacter);
    } else {
      AppendUtf8(out, unit);
    }
  }
  if (bytes.size() % 2 != 0) AppendUtf8(out, ReplacementCharacter);
  return out;
}

std::string DecodeAnsi(std::span<const std::uint8_t> bytes) {
  const std::string_view text = AsChars(bytes);
  if (IsValidUtf8(text)) return std::string(text);
  return Windows1252ToUtf8(bytes);
}

std::string DecodeAnsi(std::string_view bytes) { return DecodeAnsi(AsBytes(bytes)); }

std::string Windows1252ToUtf8(std::span<const std::uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  for (const std::uint8_t b : bytes) {
    if (b >= 0x80 && b <= 0x9F)
      AppendUtf8(out, Windows1252High[b - 0x80]);
    else
      AppendUtf8(out, b);
  }
  return out;
}

}  // namespace zel
