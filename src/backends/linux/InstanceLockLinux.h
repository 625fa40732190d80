#pragma once
#include <map>
#include <string>

#include "platform/InstanceLock.h"

namespace zel {

// A lock on "<folder>/<name>.lock" that every instance holds, shared, until
// the process ends (or this object goes), as a named object of the system
// lives while any holder has it. The test for other holders is a moment's
// exclusive lock. The system drops the lock with the process, so a crashed
// instance never blocks the next start.
class TLinuxInstanceLock : public IInstanceLock {
 public:
  // Locks in $XDG_RUNTIME_DIR, else in a folder of this user (DefaultFolder).
  TLinuxInstanceLock();
  // Locks in `folder`.
  explicit TLinuxInstanceLock(std::string folder);
  ~TLinuxInstanceLock() override;
  TLinuxInstanceLock(const TLinuxInstanceLock&) = delete;
  TLinuxInstanceLock& operator=(const TLinuxInstanceLock&) = delete;

  // Joins the holders of `name`; true when no other process holds it (also
  // when no lock file can be made, since then no other process could hold
  // it either), false when another does.
  bool TryAcquire(const std::string& name) override;

  // The folder of the lock files: `runtimeDir` ($XDG_RUNTIME_DIR) when it is
  // a folder only this user can write, else "<tmpDir>/zel-<uid>", else
  // "<cacheDir>/zel", each made with mode 0700 and used only when it belongs
  // to this user and no one else can write it (another user could otherwise
  // make the lock file first). Empty when none is.
  static std::string DefaultFolder(const char* runtimeDir, const std::string& tmpDir,
                                   const std::string& cacheDir);
  // An absolute path of a folder (not a link) that this user owns and that
  // neither its group nor others may write.
  static bool IsPrivateFolder(const std::string& folder);

  // The lock file's name for `name`: "/" and "%" are written as %2F and
  // %25, so any name gives one file inside the folder.
  static std::string LockFileName(const std::string& name);
  const std::string& Folder() const { return FFolder; }

 private:
  std::string FFolder;
  std::map<std::string, int> FHeld;  // name -> open descriptor holding the lock
};

}  // namespace zel
