#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zel {

// Decodes base64 text of the standard alphabet ("+" and "/", "=" as the fill
// character) the way the bridge reads it, in steps so that a large text is
// never decoded into memory whole:
// - the text is taken in whole groups of four characters; a tail shorter than
//   four characters is ignored;
// - one or two "=" at the end of the last group shorten the output by one or
//   two bytes;
// - nothing is skipped or rejected: any other character (a blank, a line
//   break, "-" or "_", or an "=" elsewhere) counts as the digit "A", six zero
//   bits, so malformed text still gives three bytes per group.
class TBase64Decoder {
 public:
  explicit TBase64Decoder(std::string_view text);

  // The number of bytes the whole text decodes to.
  std::uint64_t DecodedSize() const { return FDecodedSize; }
  // Decodes the next bytes into `buffer`, which holds `capacity` (at least 3)
  // bytes; returns how many were written, 0 at the end.
  std::size_t Read(std::uint8_t* buffer, std::size_t capacity);

  static std::string Decode(std::string_view text);

 private:
  std::string_view FText;  // whole groups only
  std::size_t FPosition = 0;
  std::uint64_t FDecodedSize = 0;
};

}  // namespace zel
