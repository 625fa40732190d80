#include "core/text/Base64Decoder.h"

#include <algorithm>
#include <array>

namespace zel {
namespace {

constexpr std::array<std::uint8_t, 256> MakeDigitTable() {
  std::array<std::uint8_t, 256> table{};  // characters outside the alphabet: 0
  constexpr std::string_view Alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (std::size_t i = 0; i < Alphabet.size(); ++i)
    table[static_cast<unsigned char>(Alphabet[i])] = static_cast<std::uint8_t>(i);
  return table;
}

constexpr std::array<std::uint8_t, 256> DigitTable = MakeDigitTable();

}  // namespace

TBase64Decoder::TBase64Decoder(std::string_view text) : FText(text.substr(0, text.size() / 4 * 4)) {
  std::size_t fill = 0;
  if (!FText.empty() && FText.back() == '=') fill = FText[FText.size() - 2] == '=' ? 2 : 1;
  FDecodedSize = FText.size() / 4 * 3 - fill;
}

std::size_t TBase64Decoder::Read(std::uint8_t* buffer, std::size_t capacity) {
  const std::size_t groups = std::min((FText.size() - FPosition) / 4, capacity / 3);
  const auto* in = reinterpret_cast<const unsigned char*>(FText.data()) + FPosition;
  std::uint8_t* out = buffer;
  for (std::size_t i = 0; i < groups; ++i, in += 4, out += 3) {
    const std::uint32_t bits = (DigitTable[in[0]] << 18) | (DigitTable[in[1]] << 12) |
                               (DigitTable[in[2]] << 6) | DigitTable[in[3]];
    out[0] = static_cast<std::uint8_t>(bits >> 16);
    out[1] = static_cast<std::uint8_t>(bits >> 8);
    out[2] = static_cast<std::uint8_t>(bits);
  }
  const std::size_t decodedBefore = FPosition / 4 * 3;
  FPosition += groups * 4;
  // The fill characters of the last group produce no bytes.
  const std::size_t produced = groups * 3;
  return static_cast<std::size_t>(std::min<std::uint64_t>(produced, FDecodedSize - decodedBefore));
}

std::string TBase64Decoder::Decode(std::string_view text) {
  TBase64Decoder decoder(text);
  // Room for whole groups; the bytes of the fill characters are cut off.
  std::string buffer(static_cast<std::size_t>(decoder.DecodedSize() + 2) / 3 * 3, '\0');
  buffer.resize(decoder.Read(reinterpret_cast<std::uint8_t*>(buffer.data()), buffer.size()));
  return buffer;
}

}  // namespace zel
