#pragma once
// Eight bytes at a time through text, looking for the bytes that a JSON
// string treats specially. Header-only: the web process extension uses it
// too, without the core library.
#include <cstdint>

namespace zel {

// The high bit of every byte of a word.
inline constexpr std::uint64_t ByteHighBits = 0x8080808080808080ULL;

// Marks (by their high bit) the bytes of `word` that are a quote, a
// backslash or a control character. The mark of the first such byte is
// exact; marks after it may be false.
constexpr std::uint64_t JsonSpecialByteMarks(std::uint64_t word) {
  constexpr std::uint64_t everyByte = 0x0101010101010101ULL;
  const auto zeroByte = [](std::uint64_t x) { return (x - everyByte) & ~x & ByteHighBits; };
  return zeroByte(word ^ (everyByte * '"')) | zeroByte(word ^ (everyByte * '\\')) |
         ((word - everyByte * 0x20) & ~word & ByteHighBits);
}

}  // namespace zel
