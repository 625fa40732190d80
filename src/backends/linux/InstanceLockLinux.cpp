#include "backends/linux/InstanceLockLinux.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace zel {
namespace {

// One lock over the whole file, taken or changed without waiting. Locks of
// open file descriptions change between shared and exclusive atomically, and
// the system drops them with the last descriptor.
bool SetLock(int fd, short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  int result;
  do {
    result = fcntl(fd, F_OFD_SETLK, &lock);
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

// Another instance may hold the lock exclusively for the moment of its own
// test: a shared lock is tried again for a short while.
bool SetSharedLock(int fd) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (!SetLock(fd, F_RDLCK)) {
    if ((errno != EAGAIN && errno != EACCES) || std::chrono::steady_clock::now() > deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace

bool TLinuxInstanceLock::IsPrivateFolder(const std::string& folder) {
  struct stat st {};
  return !folder.empty() && folder.front() == '/' && lstat(folder.c_str(), &st) == 0 &&
         S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string TLinuxInstanceLock::DefaultFolder(const char* runtimeDir, const std::string& tmpDir,
                                              const std::string& cacheDir) {
  if (runtimeDir != nullptr && IsPrivateFolder(runtimeDir)) return runtimeDir;
  // A folder of our own below the shared temporary folder, made only by us:
  // one that another user made first is not used.
  const std::string own = tmpDir + "/zel-" + std::to_string(geteuid());
  mkdir(own.c_str(), 0700);
  if (IsPrivateFolder(own)) return own;
  const std::string cache = cacheDir + "/zel";
  g_mkdir_with_parents(cache.c_str(), 0700);
  if (IsPrivateFolder(cache)) return cache;
  return {};
}

TLinuxInstanceLock::TLinuxInstanceLock()
    : FFolder(
          DefaultFolder(std::getenv("XDG_RUNTIME_DIR"), g_get_tmp_dir(), g_get_user_cache_dir())) {}

TLinuxInstanceLock::TLinuxInstanceLock(std::string folder) : FFolder(std::move(folder)) {}

TLinuxInstanceLock::~TLinuxInstanceLock() {
  for (const auto& [name, fd] : FHeld) close(fd);
}

std::string TLinuxInstanceLock::LockFileName(const std::string& name) {
  std::string file;
  for (char c : name) {
    if (c == '/')
      file += "%2F";
    else if (c == '%')
      file += "%25";
    else
      file += c;
  }
  return file + ".lock";
}

bool TLinuxInstanceLock::TryAcquire(const std::string& name) {
  auto held = FHeld.find(name);
  if (held == FHeld.end()) {
    // Without a folder of our own there is no lock that others could not
    // spoil, and so no rule to keep.
    if (FFolder.empty()) return true;
    std::string path = FFolder;
    if (path.back() != '/') path += '/';
    path += LockFileName(name);
    // O_CLOEXEC: a program this one starts must not keep the lock alive.
    // O_NOFOLLOW and O_NONBLOCK: a link or a pipe in its place is no lock file.
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) return true;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      close(fd);
      return true;
    }
    // The first instance: the lock is exclusive at once, then shared.
    if (SetLock(fd, F_WRLCK)) {
      SetLock(fd, F_RDLCK);
      FHeld[name] = fd;
      return true;
    }
    const bool otherHolder = errno == EAGAIN || errno == EACCES;
    // A later instance joins the holders: the name stays taken while any
    // instance runs, whichever of them started first.
    if (!otherHolder || !SetSharedLock(fd)) {
      close(fd);
      return !otherHolder;
    }
    FHeld[name] = fd;
    return false;
  }
  // Held already: alone when the shared lock can become exclusive.
  if (!SetLock(held->second, F_WRLCK)) return false;
  SetLock(held->second, F_RDLCK);
  return true;
}

}  // namespace zel
