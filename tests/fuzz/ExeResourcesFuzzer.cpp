// The resources of a Windows executable: the tree read from an untrusted
// file, the icon group and version texts read from it, and the image written
// back, which must read as the same resources.
#include "FuzzTarget.h"
#include "core/package/ExeIconAndVersion.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    zel::TExeImage image(std::vector<std::uint8_t>(data, data + size));
    try {
      zel::ReadMainIconGroup(image.Resources());
      zel::ReadVersionTexts(image.Resources());
      zel::TExeVersionTexts texts;
      texts[0] = "A longer company name than most files carry";
      zel::UpdateVersionTexts(image.Resources(), texts);
    } catch (const zel::EExeResourceError&) {
    }
    std::vector<std::uint8_t> written;
    try {
      written = image.Write();
    } catch (const zel::EExeResourceError&) {
      return 0;
    }
    const zel::TExeImage reread(written);
    ZEL_FUZZ_CHECK(reread.Resources() == image.Resources());
  } catch (const zel::EExeResourceError&) {
  }
  return 0;
}
