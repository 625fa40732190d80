#pragma once
// Reads and writes the package appended to an executable: the runtime image
// from byte 0 to its image end E, then a complete ZIP archive to the end of
// the file, with no marker or trailer.
#include <cstdint>
#include <filesystem>
#include <functional>

#include "core/package/ExeIconAndVersion.h"
#include "core/package/Stream.h"

namespace zel {

// The executable carries no package (its size equals its image end).
class ENoPackageError : public EError {
 public:
  using EError::EError;
};

class TExeUtils {
 public:
  using TOnProgressMax = std::function<void(TExeUtils& Sender, std::int64_t AMax)>;
  using TOnProgressPos = std::function<void(TExeUtils& Sender, std::int64_t APos)>;

  // Size of the copy buffer: one chunk per progress event.
  static constexpr std::size_t ChunkSize = 10240;

  // `runningExecutable` is the file the reading methods work on: the
  // program's own file for the runtime, any packaged file for the tools.
  explicit TExeUtils(std::filesystem::path runningExecutable);

  // True when the executable is larger than its image end.
  bool ExeHasAttachedStub();
  // Copies the package into `stream` from its current position; on return the
  // position is at the end. Throws ENoPackageError when there is no package.
  void GetZipFromExe(TStream& stream);
  // Appends the whole file `zipPath` to the end of `exePath`.
  void AppendZipToExe(const std::filesystem::path& zipPath, const std::filesystem::path& exePath);
  // Writes the package to `zipPath`, creating it or replacing its contents.
  void ExtractZipFromExe(const std::filesystem::path& zipPath);
  // Replaces the icon group MAINICON of the Windows executable `exePath` by
  // the images of the icon file `icoPath`, in one update of the file. The
  // icon file is checked before anything changes; any failure leaves the
  // executable as it was and throws EExeResourceError.
  void ChangeExeIcon(const std::filesystem::path& exePath, const std::filesystem::path& icoPath);
  // Overwrites the version texts that are given (see UpdateVersionTexts).
  // Returns false, leaving the file alone, when it does not exist or has no
  // version information. Throws EExeResourceError as ChangeExeIcon does.
  bool UpdateExeInfo(const std::filesystem::path& exePath, const TExeVersionTexts& texts);

  // Where the package starts (E) and how long it is (file size - E).
  std::uint64_t PackageOffset();
  std::int64_t PackageSize();

  const std::filesystem::path& RunningExecutable() const { return FRunningExecutable; }

  const TOnProgressMax& OnProgressMax() const { return FOnProgressMax; }
  void SetOnProgressMax(TOnProgressMax handler) { FOnProgressMax = std::move(handler); }
  const TOnProgressPos& OnProgressPos() const { return FOnProgressPos; }
  void SetOnProgressPos(TOnProgressPos handler) { FOnProgressPos = std::move(handler); }

  // Full 64-bit size of a file, or -1 when there is none.
  static std::int64_t FileSize(const std::filesystem::path& path);

  // Copies `length` bytes from `source` to `destination` in chunks, firing the
  // progress events. A source that ends early raises EStreamError instead of
  // looping for ever.
  void CopyWithProgress(TStream& source, TStream& destination, std::int64_t length);

 private:

  std::filesystem::path FRunningExecutable;
  TOnProgressMax FOnProgressMax;
  TOnProgressPos FOnProgressPos;
};

}  // namespace zel
