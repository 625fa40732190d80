#pragma once
#include <filesystem>

#include "platform/FileSystem.h"

namespace zel {

// Files and folders through the wide-character file API. A replacement is
// written to a temporary file beside its target (the link's final target
// when the path is a link), flushed to the disk and put in the target's
// place with ReplaceFileW, which keeps the target's attributes and
// security, or MoveFileExW for a new file.
class TWin32FileSystem : public IFileSystem {
 public:
  bool FileExists(const std::filesystem::path& path) override;
  bool DirectoryExists(const std::filesystem::path& path) override;
  // DeleteFileW: never a folder.
  bool DeleteFile(const std::filesystem::path& path) override;
  // Read-only entries are deleted too; a link or junction to a folder is
  // removed itself, never what it points at.
  bool DeleteDirectory(const std::filesystem::path& path) override;
  void CreateDirectories(const std::filesystem::path& path) override;
  std::unique_ptr<IFileReplacement> ReplaceFile(const std::filesystem::path& path) override;
};

}  // namespace zel
