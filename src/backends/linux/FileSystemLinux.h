#pragma once
#include <filesystem>
#include <functional>

#include "platform/FileSystem.h"

namespace zel {

// POSIX files and folders. A replacement is written to a hidden temporary
// file beside its target, flushed to the disk and renamed over the target;
// the target's links are followed and its permissions kept.
class TLinuxFileSystem : public IFileSystem {
 public:
  // Runs after a replacement's bytes are on the disk and before they take the
  // target's place; tests throw from it or end the process in it.
  using TOnBeforeRename = std::function<void(const std::filesystem::path& temporary,
                                             const std::filesystem::path& target)>;

  bool FileExists(const std::filesystem::path& path) override;
  bool DirectoryExists(const std::filesystem::path& path) override;
  bool DeleteFile(const std::filesystem::path& path) override;
  bool DeleteDirectory(const std::filesystem::path& path) override;
  void CreateDirectories(const std::filesystem::path& path) override;
  std::unique_ptr<IFileReplacement> ReplaceFile(const std::filesystem::path& path) override;

  const TOnBeforeRename& OnBeforeRename() const { return FOnBeforeRename; }
  void SetOnBeforeRename(TOnBeforeRename handler) { FOnBeforeRename = std::move(handler); }

 private:
  TOnBeforeRename FOnBeforeRename;
};

}  // namespace zel
