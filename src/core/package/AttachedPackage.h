#pragma once
// The package appended to an executable, opened in place: the executable is
// mapped and the archive reads the package bytes where they lie, so opening
// costs the same for a 1 MiB package as for a 2 GiB one.
#include <filesystem>
#include <memory>
#include <string>

#include "core/package/ExeZip.h"
#include "platform/FileMapping.h"

namespace zel {

class TAttachedPackage {
 public:
  // Throws ENoPackageError when the file carries no package and EZipError when
  // the bytes after the image end are not a ZIP archive.
  static std::unique_ptr<TAttachedPackage> Open(IFileMapping& mapping,
                                                const std::filesystem::path& executable,
                                                const std::string& password);

  TExeZip& Zip() { return FZip; }
  std::uint64_t Offset() const { return FOffset; }
  std::uint64_t Size() const { return FSize; }

 private:
  std::unique_ptr<IMappedFile> FMapping;
  TExeZip FZip;
  std::uint64_t FOffset = 0;
  std::uint64_t FSize = 0;
};

}  // namespace zel
