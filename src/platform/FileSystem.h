#pragma once
// Files and folders of the local file system. Failures that a caller reports
// are thrown as std::system_error, whose message names the path and the
// system's reason.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <stdexcept>

namespace zel {

// Thrown by ReplaceFile for a target that exists and is no regular file (a
// named pipe, a device, a socket): writing into one could wait for a reader
// for ever.
class ENotRegularFile : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file being written that takes the place of its target only when it is
// complete: until Commit the target keeps its old contents, and a failure or
// a crash before Commit never leaves it truncated.
class IFileReplacement {
 public:
  // Without a successful Commit the written bytes are discarded.
  virtual ~IFileReplacement() = default;
  virtual void Write(std::span<const std::uint8_t> bytes) = 0;
  // Stores the bytes durably and puts them in the target's place in one step.
  virtual void Commit() = 0;
};

class IFileSystem {
 public:
  virtual ~IFileSystem() = default;
  // Whether `path` names an existing file, not a folder, following links.
  virtual bool FileExists(const std::filesystem::path& path) = 0;
  // Whether `path` names an existing folder, following links.
  virtual bool DirectoryExists(const std::filesystem::path& path) = 0;
  // Deletes a file (a link itself, not its target; never a folder); false
  // when it cannot be deleted.
  virtual bool DeleteFile(const std::filesystem::path& path) = 0;
  // Deletes a folder with everything in it; false when `path` is no folder,
  // is the root, or anything in it cannot be deleted.
  virtual bool DeleteDirectory(const std::filesystem::path& path) = 0;
  // Creates `path` and every missing folder above it.
  virtual void CreateDirectories(const std::filesystem::path& path) = 0;
  // Starts writing new contents for the file `path` (relative to the current
  // folder unless absolute); throws when the file cannot be created, and
  // ENotRegularFile when `path` names something other than a file.
  virtual std::unique_ptr<IFileReplacement> ReplaceFile(const std::filesystem::path& path) = 0;
};

}  // namespace zel
