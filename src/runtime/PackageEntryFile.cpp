#include "runtime/PackageEntryFile.h"

#include <zlib.h>

#include <string>
#include <system_error>
#include <vector>

#include "core/Error.h"
#include "core/package/Stream.h"
#include "core/package/TemporaryPath.h"

namespace zel {

bool FileHoldsEntry(TExeZip& zip, std::string_view name, const std::filesystem::path& target) {
  const std::int64_t index = zip.FindFile(name);
  if (index < 0) return false;
  const TZipEntryInfo& entry = zip.Entry(static_cast<std::size_t>(index));
  std::error_code error;
  if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(target, error)) ||
      std::filesystem::file_size(target, error) != entry.Size || error)
    return false;
  TFileStream file(target, TFileMode::OpenRead);
  std::vector<unsigned char> buffer(1 << 16);
  uLong sum = crc32(0L, Z_NULL, 0);
  for (std::size_t n; (n = file.Read(buffer.data(), buffer.size())) > 0;)
    sum = crc32(sum, buffer.data(), static_cast<uInt>(n));
  return sum == entry.Crc32;
}

bool ExtractEntryToFile(TExeZip& zip, std::string_view name, const std::filesystem::path& target) {
  if (zip.FindFile(name) < 0) return false;
  const std::filesystem::path part = TemporaryPathBeside(target, ".part");
  try {
    bool complete;
    {
      TFileStream file(part, TFileMode::Create);
      complete = zip.ExtractToStream(name, file);
      file.Flush();
    }
    if (!complete) {
      throw EError("The package's entry " + std::string(name) +
                   " cannot be read: the package is damaged.");
    }
    std::filesystem::rename(part, target);
  } catch (...) {
    std::error_code ignored;
    std::filesystem::remove(part, ignored);
    throw;
  }
  return true;
}

}  // namespace zel
