// The base64 decoder of base64.decodeToFile: reading in steps of any size
// gives the same bytes as decoding at once, and as many as announced.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzTarget.h"
#include "core/text/Base64Decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte chooses the step, the rest is the text.
  const std::size_t step = 3 + data[0] % 13;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string whole = zel::TBase64Decoder::Decode(text);
  zel::TBase64Decoder decoder(text);
  ZEL_FUZZ_CHECK(decoder.DecodedSize() == whole.size());
  std::string stepped;
  std::vector<std::uint8_t> buffer(step);
  while (const std::size_t n = decoder.Read(buffer.data(), buffer.size())) {
    ZEL_FUZZ_CHECK(n <= buffer.size());
    stepped.append(reinterpret_cast<const char*>(buffer.data()), n);
  }
  ZEL_FUZZ_CHECK(stepped == whole);
  ZEL_FUZZ_CHECK(whole.size() <= text.size() / 4 * 3);
  return 0;
}
