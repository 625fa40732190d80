#include "runtime/PackageEntryFile.h"

#include <random>
#include <string>
#include <system_error>

#include "core/Error.h"
#include "core/package/Stream.h"

namespace zel {
namespace {

std::string RandomSuffix() {
  std::random_device random;
  return std::to_string(random()) + std::to_string(random());
}

}  // namespace

bool ExtractEntryToFile(TExeZip& zip, std::string_view name, const std::filesystem::path& target) {
  if (zip.FindFile(name) < 0) return false;
  const std::filesystem::path part = target.string() + "." + RandomSuffix() + ".part";
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
