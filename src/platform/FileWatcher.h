#pragma once
// Watching a folder tree for changes, and a one-shot timer on the
// user-interface thread (used to wait for a burst of changes to end).
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace zel {

class IFileWatcher {
 public:
  using TOnChange = std::function<void(const std::filesystem::path& path)>;
  virtual ~IFileWatcher() = default;
  // Watches `root` and every folder below it, also folders created later;
  // calls `onChange` on the user-interface thread with the changed path.
  // Throws EError when `root` is no folder.
  virtual void Watch(const std::filesystem::path& root, TOnChange onChange) = 0;
};

class IOneShotTimer {
 public:
  virtual ~IOneShotTimer() = default;
  // Runs `task` once on the user-interface thread after `milliseconds`;
  // a pending task is dropped.
  virtual void Start(int milliseconds, std::function<void()> task) = 0;
  virtual void Cancel() = 0;
};

}  // namespace zel
