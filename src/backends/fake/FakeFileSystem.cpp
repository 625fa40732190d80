#include "backends/fake/FakeFileSystem.h"

namespace zel {

namespace fs = std::filesystem;

namespace {
// The fake system's paths are POSIX paths on every platform: "/" separates
// folders, and a path is absolute when it starts with "/".
std::string Text(const fs::path& path) {
  const std::u8string text = path.generic_u8string();
  return std::string(text.begin(), text.end());
}
}  // namespace

class TFakeFileSystem::TReplacement : public IFileReplacement {
 public:
  TReplacement(TFakeFileSystem& owner, std::string path) : FOwner(owner), FPath(std::move(path)) {}
  void Write(std::span<const std::uint8_t> bytes) override {
    if (FOwner.FWriteError) Fail(*FOwner.FWriteError);
    FBytes.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  void Commit() override {
    if (FOwner.FCommitError) Fail(*FOwner.FCommitError);
    FOwner.FFiles[FPath] = std::move(FBytes);
    ++FOwner.FCommits;
  }

 private:
  [[noreturn]] void Fail(std::errc error) {
    throw std::system_error(std::make_error_code(error), "Cannot write " + FPath);
  }
  TFakeFileSystem& FOwner;
  std::string FPath;
  std::string FBytes;
};

TFakeFileSystem::TFakeFileSystem() { AddDirectory(FCurrentDirectory); }

std::string TFakeFileSystem::Absolute(const fs::path& path) const {
  const fs::path full = Text(path).starts_with('/') ? path : fs::path(FCurrentDirectory) / path;
  std::string text = Text(full.lexically_normal());
  if (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

bool TFakeFileSystem::FileExists(const fs::path& path) {
  // "name/" names a folder, never a file.
  const std::string text = Text(path);
  if (!text.empty() && text.back() == '/') return false;
  return FFiles.count(Absolute(path)) != 0 || FSpecialFiles.count(Absolute(path)) != 0;
}

bool TFakeFileSystem::DirectoryExists(const fs::path& path) {
  return FDirectories.count(Absolute(path)) != 0;
}

bool TFakeFileSystem::DeleteFile(const fs::path& path) { return FFiles.erase(Absolute(path)) != 0; }

bool TFakeFileSystem::DeleteDirectory(const fs::path& path) {
  const std::string folder = Absolute(path);
  if (folder == "/" || FDirectories.erase(folder) == 0) return false;
  const std::string prefix = folder + "/";
  std::erase_if(FFiles, [&](const auto& file) { return file.first.starts_with(prefix); });
  std::erase_if(FDirectories, [&](const std::string& item) { return item.starts_with(prefix); });
  return true;
}

void TFakeFileSystem::CreateDirectories(const fs::path& path) {
  if (path.empty()) return;
  fs::path partial;
  for (const fs::path& part : fs::path(Absolute(path))) {
    partial /= part;
    const std::string text = Text(partial);
    if (FFiles.count(text) != 0) {
      throw std::system_error(std::make_error_code(std::errc::not_a_directory),
                              "Cannot create the folder " + Text(path));
    }
    FDirectories.insert(text);
  }
}

std::unique_ptr<IFileReplacement> TFakeFileSystem::ReplaceFile(const fs::path& path) {
  const std::string target = Absolute(path);
  std::optional<std::errc> error = FCreateError;
  if (!error && FDirectories.count(target) != 0) error = std::errc::is_a_directory;
  if (!error && FDirectories.count(Text(fs::path(target).parent_path())) == 0)
    error = std::errc::no_such_file_or_directory;
  if (error) throw std::system_error(std::make_error_code(*error), "Cannot create " + target);
  if (FSpecialFiles.count(target) != 0)
    throw ENotRegularFile("Cannot write " + target + ": not a regular file");
  return std::make_unique<TReplacement>(*this, target);
}

void TFakeFileSystem::AddFile(const fs::path& path, std::string bytes) {
  const std::string file = Absolute(path);
  AddDirectory(fs::path(file).parent_path());
  FFiles[file] = std::move(bytes);
}

void TFakeFileSystem::AddDirectory(const fs::path& path) { CreateDirectories(path); }

void TFakeFileSystem::AddSpecialFile(const fs::path& path) {
  const std::string file = Absolute(path);
  AddDirectory(fs::path(file).parent_path());
  FSpecialFiles.insert(file);
}

std::optional<std::string> TFakeFileSystem::FileContents(const fs::path& path) const {
  const auto it = FFiles.find(Absolute(path));
  if (it == FFiles.end()) return std::nullopt;
  return it->second;
}

}  // namespace zel
