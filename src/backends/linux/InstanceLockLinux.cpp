#include "backends/linux/InstanceLockLinux.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace zel {
namespace {

std::string DefaultFolder() {
  const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
  if (runtimeDir != nullptr && *runtimeDir == '/') return runtimeDir;
  return g_get_tmp_dir();
}

}  // namespace

TLinuxInstanceLock::TLinuxInstanceLock() : FFolder(DefaultFolder()) {}

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
  if (FHeld.count(name) != 0) return true;
  std::string path = FFolder;
  if (!path.empty() && path.back() != '/') path += '/';
  path += LockFileName(name);
  // O_CLOEXEC: a program this one starts must not keep the lock alive.
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return true;
  int result;
  do {
    result = flock(fd, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    const bool heldElsewhere = errno == EWOULDBLOCK;
    close(fd);
    return !heldElsewhere;
  }
  FHeld[name] = fd;
  return true;
}

}  // namespace zel
