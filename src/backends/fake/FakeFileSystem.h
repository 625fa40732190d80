#pragma once
#include <map>
#include <optional>
#include <set>
#include <string>
#include <system_error>

#include "platform/FileSystem.h"

namespace zel {

// Files and folders in memory, by normalised absolute path; relative paths
// are taken from CurrentDirectory. No links. Errors can be injected.
class TFakeFileSystem : public IFileSystem {
 public:
  TFakeFileSystem();

  bool FileExists(const std::filesystem::path& path) override;
  bool DirectoryExists(const std::filesystem::path& path) override;
  bool DeleteFile(const std::filesystem::path& path) override;
  bool DeleteDirectory(const std::filesystem::path& path) override;
  void CreateDirectories(const std::filesystem::path& path) override;
  std::unique_ptr<IFileReplacement> ReplaceFile(const std::filesystem::path& path) override;

  // Adds a file and the folders above it.
  void AddFile(const std::filesystem::path& path, std::string bytes);
  void AddDirectory(const std::filesystem::path& path);
  // Adds something that exists but is no regular file, like a named pipe.
  void AddSpecialFile(const std::filesystem::path& path);
  std::optional<std::string> FileContents(const std::filesystem::path& path) const;
  const std::map<std::string, std::string>& Files() const { return FFiles; }
  const std::set<std::string>& Directories() const { return FDirectories; }

  const std::string& CurrentDirectory() const { return FCurrentDirectory; }
  void SetCurrentDirectory(std::string folder) { FCurrentDirectory = std::move(folder); }
  // While set, ReplaceFile, Write or Commit fails with this error.
  void SetCreateError(std::optional<std::errc> error) { FCreateError = error; }
  void SetWriteError(std::optional<std::errc> error) { FWriteError = error; }
  void SetCommitError(std::optional<std::errc> error) { FCommitError = error; }
  // Replacements written whole and put in place.
  int Commits() const { return FCommits; }

 private:
  class TReplacement;
  std::string Absolute(const std::filesystem::path& path) const;

  std::map<std::string, std::string> FFiles;
  std::set<std::string> FDirectories;
  std::set<std::string> FSpecialFiles;
  std::string FCurrentDirectory = "/home/user";
  std::optional<std::errc> FCreateError, FWriteError, FCommitError;
  int FCommits = 0;
};

}  // namespace zel
