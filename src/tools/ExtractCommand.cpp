// zel extract: writes an executable's package out as a standard ZIP file.
#include <cstdio>

#include "core/package/ExeUtils.h"
#include "tools/Commands.h"
#include "tools/ProgressBar.h"

namespace zel {

int RunExtract(const std::filesystem::path& executable, const std::filesystem::path& output) {
  namespace fs = std::filesystem;
  if (!fs::is_regular_file(executable)) throw EToolError(executable.string() + " not found");
  TExeUtils utils(executable);
  if (!utils.ExeHasAttachedStub()) throw EToolError(executable.string() + " carries no package");
  // Written beside the target and renamed, so a failure leaves no half file.
  const fs::path target = fs::absolute(output);
  const fs::path partial = target.parent_path() / ("." + target.filename().string() + ".part");
  try {
    TProgressBar bar("Extracting");
    utils.SetOnProgressMax([&](TExeUtils&, std::int64_t max) { bar.SetMax(max); });
    utils.SetOnProgressPos([&](TExeUtils&, std::int64_t position) { bar.SetPosition(position); });
    utils.ExtractZipFromExe(partial);
    bar.Finish();
    fs::rename(partial, target);
  } catch (...) {
    std::error_code ignored;
    fs::remove(partial, ignored);
    throw;
  }
  std::printf("Wrote %s (%lld bytes)\n", target.c_str(), static_cast<long long>(utils.PackageSize()));
  return 0;
}

}  // namespace zel
