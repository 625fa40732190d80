// The end of an executable image (ELF or PE) in a template or a packaged
// executable, computed from its headers, and the system and machine the
// headers name.
#include "FuzzTarget.h"
#include "core/package/ExeResources.h"
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
  // Every read lies inside the file: only a Windows executable that the
  // resource reader refuses throws.
  const bool elf = size >= 20 && data[0] == 0x7F && data[1] == 'E' && data[2] == 'L' && data[3] == 'F';
  const bool windows = size >= 2 && data[0] == 'M' && data[1] == 'Z';
  try {
    const zel::TExecutableKind kind = zel::ExecutableKind(image);
    ZEL_FUZZ_CHECK(elf == (kind == zel::TExecutableKind::ElfX86_64 || kind == zel::TExecutableKind::ElfOther));
    ZEL_FUZZ_CHECK(windows == (kind == zel::TExecutableKind::PeX64 || kind == zel::TExecutableKind::PeOther));
  } catch (const zel::EExeResourceError&) {
    ZEL_FUZZ_CHECK(windows);
  }
  return 0;
}
