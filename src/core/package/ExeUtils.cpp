#include "core/package/ExeUtils.h"

#include <system_error>
#include <vector>

#include "core/package/ImageEnd.h"

namespace zel {

TExeUtils::TExeUtils(std::filesystem::path runningExecutable)
    : FRunningExecutable(std::move(runningExecutable)) {}

std::int64_t TExeUtils::FileSize(const std::filesystem::path& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  return error ? -1 : static_cast<std::int64_t>(size);
}

std::uint64_t TExeUtils::PackageOffset() {
  TFileStream image(FRunningExecutable, TFileMode::OpenRead);
  return ImageEnd(image);
}

std::int64_t TExeUtils::PackageSize() {
  const std::int64_t size = FileSize(FRunningExecutable);
  if (size < 0) return 0;
  const auto offset = static_cast<std::int64_t>(PackageOffset());
  return size > offset ? size - offset : 0;
}

bool TExeUtils::ExeHasAttachedStub() {
  const std::int64_t size = FileSize(FRunningExecutable);
  if (size < 0) return false;
  return size > static_cast<std::int64_t>(PackageOffset());
}

void TExeUtils::CopyWithProgress(TStream& source, TStream& destination, std::int64_t length) {
  if (FOnProgressMax) FOnProgressMax(*this, length);
  std::vector<std::uint8_t> buffer(ChunkSize);
  std::int64_t total = 0;
  while (total < length) {
    const std::size_t n = source.Read(buffer.data(), buffer.size());
    if (n == 0) {
      throw EStreamError("The file ended after " + std::to_string(total) + " of " +
                         std::to_string(length) + " expected bytes");
    }
    // The source may run longer than expected (a file growing while read):
    // copy exactly `length` bytes.
    const auto take = static_cast<std::size_t>(std::min<std::int64_t>(n, length - total));
    destination.Write(buffer.data(), take);
    total += static_cast<std::int64_t>(take);
    if (FOnProgressPos) FOnProgressPos(*this, total);
  }
}

void TExeUtils::GetZipFromExe(TStream& stream) {
  const std::int64_t length = PackageSize();
  if (length == 0) throw ENoPackageError("The executable carries no package");
  stream.SetPosition(0);
  TFileStream exe(FRunningExecutable, TFileMode::OpenRead);
  exe.SetPosition(static_cast<std::int64_t>(ImageEnd(exe)));
  CopyWithProgress(exe, stream, length);
}

void TExeUtils::AppendZipToExe(const std::filesystem::path& zipPath,
                               const std::filesystem::path& exePath) {
  TFileStream zip(zipPath, TFileMode::OpenRead);
  TFileStream exe(exePath, TFileMode::OpenReadWrite);
  exe.Seek(0, TSeekOrigin::End);
  CopyWithProgress(zip, exe, zip.Size());
  exe.Flush();
}

void TExeUtils::ExtractZipFromExe(const std::filesystem::path& zipPath) {
  const std::int64_t length = PackageSize();
  if (length == 0) throw ENoPackageError("The executable carries no package");
  TFileStream exe(FRunningExecutable, TFileMode::OpenRead);
  exe.SetPosition(static_cast<std::int64_t>(ImageEnd(exe)));
  TFileStream zip(zipPath, TFileMode::Create);
  CopyWithProgress(exe, zip, length);
  zip.Flush();
}

void TExeUtils::ChangeExeIcon(const std::filesystem::path& exePath, const std::filesystem::path& icoPath) {
  TIconFile icon;
  try {
    icon = ParseIconFile(ReadWholeFile(icoPath));
  } catch (const EExeResourceError& e) {
    throw EExeResourceError(icoPath.string() + ": " + e.what());
  }
  UpdateExeResources(exePath, [&](TExeImage& image) {
    ReplaceMainIcon(image.Resources(), icon);
    return true;
  });
}

bool TExeUtils::UpdateExeInfo(const std::filesystem::path& exePath, const TExeVersionTexts& texts) {
  if (!std::filesystem::is_regular_file(exePath)) return false;
  bool updated = false;
  UpdateExeResources(exePath, [&](TExeImage& image) {
    updated = UpdateVersionTexts(image.Resources(), texts);
    return updated;
  });
  return updated;
}

}  // namespace zel
