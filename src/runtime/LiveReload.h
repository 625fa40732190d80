#pragma once
// Reloads the page once a burst of changes below a folder has ended.
#include <filesystem>
#include <functional>

#include "platform/FileWatcher.h"

namespace zel {

class TLiveReload {
 public:
  using TOnReload = std::function<void(const std::filesystem::path& lastChange)>;
  // Quiet time after the last change before the page reloads.
  static constexpr int DefaultQuietMilliseconds = 150;

  TLiveReload(IFileWatcher& watcher, IOneShotTimer& timer, TOnReload onReload,
              int quietMilliseconds = DefaultQuietMilliseconds);
  // Starts watching `folder` and its subfolders.
  void Start(const std::filesystem::path& folder);
  // A change was seen: the reload waits for the quiet time again.
  void Changed(const std::filesystem::path& path);

 private:
  IFileWatcher& FWatcher;
  IOneShotTimer& FTimer;
  TOnReload FOnReload;
  int FQuietMilliseconds;
  std::filesystem::path FLastChange;
};

}  // namespace zel
