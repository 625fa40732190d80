#pragma once
#include <map>
#include <string>

#include "platform/InstanceLock.h"

namespace zel {

// An exclusive flock(2) on "<folder>/<name>.lock", held until the process
// ends (or this object goes). The system drops the lock with the process, so
// a crashed instance never blocks the next start.
class TLinuxInstanceLock : public IInstanceLock {
 public:
  // Locks in $XDG_RUNTIME_DIR, else in the temporary folder.
  TLinuxInstanceLock();
  // Locks in `folder`.
  explicit TLinuxInstanceLock(std::string folder);
  ~TLinuxInstanceLock() override;
  TLinuxInstanceLock(const TLinuxInstanceLock&) = delete;
  TLinuxInstanceLock& operator=(const TLinuxInstanceLock&) = delete;

  // True when this process now holds the lock (also when it held it
  // already) or when no lock file can be made, since then no other process
  // could hold it either; false only when another holder has it.
  bool TryAcquire(const std::string& name) override;

  // The lock file's name for `name`: "/" and "%" are written as %2F and
  // %25, so any name gives one file inside the folder.
  static std::string LockFileName(const std::string& name);
  const std::string& Folder() const { return FFolder; }

 private:
  std::string FFolder;
  std::map<std::string, int> FHeld;  // name -> open descriptor holding the lock
};

}  // namespace zel
