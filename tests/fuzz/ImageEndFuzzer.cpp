// The end of an executable image (ELF or PE) in a template or a packaged
// executable, computed from its headers.
#include "FuzzTarget.h"
#include "core/package/ImageEnd.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zel::TBytesStream image(data, size);
  try {
    const std::uint64_t end = zel::ImageEnd(image);
    // An ELF image lies inside its file; a PE end is taken from the section
    // table as it stands, in 32 bits.
    if (size >= 4 && data[0] == 0x7F && data[1] == 'E') ZEL_FUZZ_CHECK(end <= size);
  } catch (const zel::EImageFormatError&) {
  }
  return 0;
}
