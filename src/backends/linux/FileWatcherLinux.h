#pragma once
// GIO's file monitors over a folder tree (one monitor per folder) and a
// one-shot timer on GLib's main loop.
#include <map>
#include <memory>

#include "platform/FileWatcher.h"

typedef struct _GFileMonitor GFileMonitor;
typedef struct _GFile GFile;

namespace zel {

class TLinuxFileWatcher : public IFileWatcher {
 public:
  TLinuxFileWatcher() = default;
  ~TLinuxFileWatcher() override;
  TLinuxFileWatcher(const TLinuxFileWatcher&) = delete;
  TLinuxFileWatcher& operator=(const TLinuxFileWatcher&) = delete;

  void Watch(const std::filesystem::path& root, TOnChange onChange) override;
  // Folders currently watched.
  std::size_t WatchedFolderCount() const { return FMonitors.size(); }
  // True when the system gave no file monitor (for example when the user's
  // inotify instances are used up) and the tree is scanned periodically.
  bool Polling() const { return FPollSource != 0; }
  static constexpr int PollMilliseconds = 250;

 private:
  static void MonitorChanged(GFileMonitor* monitor, GFile* file, GFile* other, int event,
                             void* self);
  void AddTree(const std::filesystem::path& folder);
  void AddFolder(const std::filesystem::path& folder);
  void RemoveTree(const std::filesystem::path& folder);
  using TSnapshot = std::map<std::filesystem::path, std::pair<long long, long long>>;
  TSnapshot Scan() const;
  static int Poll(void* self);

  TOnChange FOnChange;
  std::filesystem::path FRoot;
  TSnapshot FSnapshot;
  unsigned FPollSource = 0;
  std::map<std::filesystem::path, GFileMonitor*> FMonitors;
};

class TLinuxOneShotTimer : public IOneShotTimer {
 public:
  TLinuxOneShotTimer() = default;
  ~TLinuxOneShotTimer() override { Cancel(); }
  TLinuxOneShotTimer(const TLinuxOneShotTimer&) = delete;
  TLinuxOneShotTimer& operator=(const TLinuxOneShotTimer&) = delete;

  void Start(int milliseconds, std::function<void()> task) override;
  void Cancel() override;

 private:
  static int Fire(void* self);
  unsigned FSource = 0;
  std::function<void()> FTask;
};

}  // namespace zel
