#include "backends/linux/FileSystemLinux.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>
#include <system_error>

namespace zel {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void ThrowError(int error, const std::string& what, const fs::path& path) {
  throw std::system_error(error, std::generic_category(), what + " " + path.string());
}

// The file a chain of symbolic links ends at, so that a replacement updates
// the linked file instead of turning the link into a file.
fs::path FinalTarget(fs::path path) {
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(path, error))) break;
    const fs::path link = fs::read_symlink(path, error);
    if (error) break;
    path = link.is_absolute() ? link : path.parent_path() / link;
  }
  return path;
}

// A hidden name beside `name` that no other file has yet; NAME_MAX is kept by
// shortening a long name at a character boundary.
std::string TemporaryName(std::string name, std::mt19937_64& random) {
  constexpr std::size_t Longest = 200;
  if (name.size() > Longest) {
    std::size_t cut = Longest;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  static constexpr char Digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string suffix(8, ' ');
  for (char& c : suffix) c = Digits[random() % (sizeof(Digits) - 1)];
  return "." + name + ".zel-" + suffix;
}

void WriteAll(int fd, std::span<const std::uint8_t> bytes, const fs::path& target) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      ThrowError(errno, "Cannot write", target);
    }
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
}

// Writes into a temporary file and renames it over the target on Commit.
class TLinuxFileReplacement : public IFileReplacement {
 public:
  TLinuxFileReplacement(int fd, fs::path temporary, fs::path target,
                        TLinuxFileSystem::TOnBeforeRename onBeforeRename)
      : FFd(fd),
        FTemporary(std::move(temporary)),
        FTarget(std::move(target)),
        FOnBeforeRename(std::move(onBeforeRename)) {}

  ~TLinuxFileReplacement() override {
    if (FFd >= 0) ::close(FFd);
    if (!FCommitted) ::unlink(FTemporary.c_str());
  }

  void Write(std::span<const std::uint8_t> bytes) override { WriteAll(FFd, bytes, FTarget); }

  void Commit() override {
    // The bytes must be on the disk before the rename is: otherwise a power
    // loss can leave the new name with no data behind it.
    if (::fdatasync(FFd) != 0) ThrowError(errno, "Cannot write", FTarget);
    const int fd = FFd;
    FFd = -1;
    if (::close(fd) != 0) ThrowError(errno, "Cannot write", FTarget);
    if (FOnBeforeRename) FOnBeforeRename(FTemporary, FTarget);
    if (::rename(FTemporary.c_str(), FTarget.c_str()) != 0) {
      ThrowError(errno, "Cannot replace", FTarget);
    }
    FCommitted = true;
    // Makes the rename itself durable; the new contents are in place already.
    fs::path folder = FTarget.parent_path();
    if (folder.empty()) folder = ".";
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
  }

 private:
  int FFd;
  fs::path FTemporary;
  fs::path FTarget;
  TLinuxFileSystem::TOnBeforeRename FOnBeforeRename;
  bool FCommitted = false;
};

}  // namespace

bool TLinuxFileSystem::FileExists(const fs::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool TLinuxFileSystem::DirectoryExists(const fs::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool TLinuxFileSystem::DeleteFile(const fs::path& path) {
  // unlink refuses folders, where std::filesystem::remove would delete an
  // empty one.
  return ::unlink(path.c_str()) == 0;
}

bool TLinuxFileSystem::DeleteDirectory(const fs::path& path) {
  if (!DirectoryExists(path)) return false;
  std::error_code error;
  if (fs::canonical(path, error) == "/" || error) return false;
  // A link to a folder is removed itself; what it points at stays. A
  // trailing "/" would make the system follow the link ("link/" names the
  // folder it points at), so the link is judged by its name without them.
  std::string name = path.native();
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  struct stat st {};
  if (::lstat(name.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) return ::unlink(name.c_str()) == 0;
  fs::remove_all(name, error);
  return !error;
}

void TLinuxFileSystem::CreateDirectories(const fs::path& path) {
  if (path.empty()) return;
  std::error_code error;
  fs::create_directories(path, error);
  if (error) throw std::system_error(error, "Cannot create the folder " + path.string());
}

std::unique_ptr<IFileReplacement> TLinuxFileSystem::ReplaceFile(const fs::path& path) {
  const fs::path target = FinalTarget(path);
  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (exists && S_ISDIR(old.st_mode)) ThrowError(EISDIR, "Cannot write", path);
  // Neither replaced nor opened: a pipe would hold the caller until some
  // process reads it, and a device is no file to swap.
  if (exists && !S_ISREG(old.st_mode))
    throw ENotRegularFile("Cannot write " + path.string() + ": not a regular file");
  // A file the user may not write stays protected, although its folder
  // would allow the rename.
  if (exists && ::access(target.c_str(), W_OK) != 0) ThrowError(errno, "Cannot create", path);

  const fs::path folder = target.parent_path();
  std::mt19937_64 random(std::random_device{}());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path temporary = folder / TemporaryName(target.filename().string(), random);
    // Mode 0666 lets the umask decide, as for any newly created file.
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      ThrowError(errno, "Cannot create", path);
    }
    if (exists) {
      // The owner first: changing it may clear mode bits that fchmod then sets.
      if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
        // Only the superuser may give a file away; the user keeps it.
      }
      if (::fchmod(fd, old.st_mode & 07777) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(temporary.c_str());
        ThrowError(error, "Cannot create", path);
      }
    }
    return std::make_unique<TLinuxFileReplacement>(fd, temporary, target, FOnBeforeRename);
  }
  ThrowError(EEXIST, "Cannot create", path);
}

}  // namespace zel
