#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zel {

// How a byte buffer holds its text.
enum class TTextEncoding {
  Utf8,     // UTF-8 byte-order mark EF BB BF
  Utf16LE,  // UTF-16 little-endian byte-order mark FF FE
  Utf16BE,  // UTF-16 big-endian byte-order mark FE FF
  Ansi      // no byte-order mark: UTF-8 when valid, otherwise Windows-1252
};

struct TByteOrderMark {
  TTextEncoding Encoding;
  std::size_t Length;  // bytes the mark occupies; 0 when there is none
};

// Reads the byte-order mark at the start of `bytes`.
TByteOrderMark DetectByteOrderMark(std::span<const std::uint8_t> bytes);

// Decodes a text file (the settings) to UTF-8. A byte-order mark
// selects the encoding and is removed; without one the bytes are taken as
// UTF-8 when they are valid UTF-8 and as Windows-1252 otherwise. The result
// is always valid UTF-8: broken sequences become U+FFFD.
std::string DecodeText(std::span<const std::uint8_t> bytes);
std::string DecodeText(std::string_view bytes);

// Decodes UTF-16 without a byte-order mark. Unpaired surrogates and a
// trailing odd byte become U+FFFD.
std::string DecodeUtf16(std::span<const std::uint8_t> bytes, bool bigEndian);

// Decodes bytes as a whole, with no byte-order mark looked for or removed
// (a command's output, which is returned unchanged): valid UTF-8 is kept as
// it is, anything else is read as Windows-1252.
std::string DecodeAnsi(std::span<const std::uint8_t> bytes);
std::string DecodeAnsi(std::string_view bytes);

// Maps every byte through Windows-1252 as Windows does; the five bytes the
// code page leaves undefined (81 8D 8F 90 9D) become the C1 controls of the
// same number.
std::string Windows1252ToUtf8(std::span<const std::uint8_t> bytes);

}  // namespace zel
