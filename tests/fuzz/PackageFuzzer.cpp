// An attached package as the runtime opens it: the archive read in place,
// every entry looked up by name ignoring case, opened and read (also from an
// offset where the entry allows it), with this build's archive password.
#include <algorithm>
#include <string>
#include <vector>

#include "FuzzTarget.h"
#include "core/ArchiveKey.h"
#include "core/package/ExeZip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string password = zel::ArchivePassword();
  zel::TExeZip package;
  package.SetPassword(password);
  try {
    package.OpenFromMemory(std::span<const std::uint8_t>(data, size));
  } catch (const zel::EZipError&) {
    return 0;
  }
  // An entry may claim any size: reading stops after a bounded amount, as a
  // response body that the engine stops taking would.
  constexpr std::size_t ReadLimit = 1 << 20;
  std::vector<std::uint8_t> buffer(64 * 1024);
  for (std::size_t i = 0; i < package.EntryCount() && i < 64; ++i) {
    const zel::TZipEntryInfo& info = package.Entry(i);
    const std::int64_t found = package.FindFile(info.Name);
    ZEL_FUZZ_CHECK(found >= 0 && static_cast<std::size_t>(found) <= i);
    ZEL_FUZZ_CHECK(zel::FoldAsciiCase(package.Entry(static_cast<std::size_t>(found)).Name) ==
                   zel::FoldAsciiCase(info.Name));
    const auto reader = package.OpenEntry(i);
    if (!reader) continue;
    if (info.Size > 1) reader->Seek(info.Size / 2);
    std::size_t total = 0;
    try {
      while (total < ReadLimit) {
        const std::size_t n = reader->Read(buffer.data(), buffer.size());
        if (n == 0) break;
        ZEL_FUZZ_CHECK(n <= buffer.size());
        total += n;
      }
    } catch (const zel::EZipError&) {
    }
  }
  package.ExtractToString("zel.ini");
  return 0;
}
