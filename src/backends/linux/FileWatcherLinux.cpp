#include "backends/linux/FileWatcherLinux.h"

#include <gio/gio.h>

#include <algorithm>
#include <system_error>
#include <vector>

#include "core/Error.h"

namespace zel {
namespace {

namespace fs = std::filesystem;

fs::path PathOf(GFile* file) {
  if (file == nullptr) return {};
  char* path = g_file_get_path(file);
  fs::path result = path ? fs::path(path) : fs::path();
  g_free(path);
  return result;
}

bool IsFolder(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(fs::symlink_status(path, error));
}

}  // namespace

TLinuxFileWatcher::~TLinuxFileWatcher() {
  if (FPollSource != 0) g_source_remove(FPollSource);
  for (auto& [path, monitor] : FMonitors) {
    g_signal_handlers_disconnect_by_data(monitor, this);
    g_file_monitor_cancel(monitor);
    g_object_unref(monitor);
  }
}

void TLinuxFileWatcher::Watch(const fs::path& root, TOnChange onChange) {
  if (!IsFolder(root)) throw EError(root.string() + " is not a folder");
  FOnChange = std::move(onChange);
  FRoot = root;
  AddTree(root);
  if (FMonitors.empty()) {
    // No monitor at all: compare the tree's times and sizes periodically.
    FSnapshot = Scan();
    FPollSource = g_timeout_add(PollMilliseconds, &TLinuxFileWatcher::Poll, this);
  }
}

TLinuxFileWatcher::TSnapshot TLinuxFileWatcher::Scan() const {
  TSnapshot snapshot;
  std::error_code error;
  for (fs::recursive_directory_iterator it(FRoot, error), end; !error && it != end;
       it.increment(error)) {
    std::error_code statError;
    const auto status = it->symlink_status(statError);
    if (statError) continue;
    const long long time = it->last_write_time(statError).time_since_epoch().count();
    const long long size =
        fs::is_regular_file(status) ? static_cast<long long>(it->file_size(statError)) : -1;
    snapshot[it->path()] = {time, size};
  }
  return snapshot;
}

int TLinuxFileWatcher::Poll(void* data) {
  auto* self = static_cast<TLinuxFileWatcher*>(data);
  TSnapshot now = self->Scan();
  std::vector<fs::path> changed;
  for (const auto& [path, stamp] : now) {
    const auto old = self->FSnapshot.find(path);
    if (old == self->FSnapshot.end() || old->second != stamp) changed.push_back(path);
  }
  for (const auto& [path, stamp] : self->FSnapshot)
    if (!now.count(path)) changed.push_back(path);
  self->FSnapshot = std::move(now);
  if (self->FOnChange)
    for (const auto& path : changed) self->FOnChange(path);
  return G_SOURCE_CONTINUE;
}

void TLinuxFileWatcher::AddTree(const fs::path& folder) {
  AddFolder(folder);
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    // Links to folders are not followed: a link to an ancestor would loop.
    if (it->is_directory() && !it->is_symlink()) AddFolder(it->path());
  }
}

void TLinuxFileWatcher::AddFolder(const fs::path& folder) {
  if (FMonitors.count(folder)) return;
  GFile* file = g_file_new_for_path(folder.c_str());
  GError* error = nullptr;
  GFileMonitor* monitor =
      g_file_monitor_directory(file, G_FILE_MONITOR_WATCH_MOVES, nullptr, &error);
  g_object_unref(file);
  if (monitor == nullptr) {
    // A folder that vanished or may not be read is skipped.
    if (error) g_error_free(error);
    return;
  }
  // Every write is reported, not only the first of a burst: the caller waits
  // for the burst to end.
  g_file_monitor_set_rate_limit(monitor, 0);
  g_signal_connect(monitor, "changed", G_CALLBACK(&TLinuxFileWatcher::MonitorChanged), this);
  FMonitors.emplace(folder, monitor);
}

void TLinuxFileWatcher::RemoveTree(const fs::path& folder) {
  for (auto it = FMonitors.begin(); it != FMonitors.end();) {
    const auto [end, rest] =
        std::mismatch(folder.begin(), folder.end(), it->first.begin(), it->first.end());
    if (end == folder.end()) {
      g_signal_handlers_disconnect_by_data(it->second, this);
      g_file_monitor_cancel(it->second);
      g_object_unref(it->second);
      it = FMonitors.erase(it);
    } else {
      ++it;
    }
  }
}

void TLinuxFileWatcher::MonitorChanged(GFileMonitor*, GFile* file, GFile* other, int event,
                                       void* data) {
  auto* self = static_cast<TLinuxFileWatcher*>(data);
  const fs::path path = PathOf(file);
  switch (event) {
    case G_FILE_MONITOR_EVENT_CHANGES_DONE_HINT:
    case G_FILE_MONITOR_EVENT_PRE_UNMOUNT:
    case G_FILE_MONITOR_EVENT_UNMOUNTED:
      return;
    case G_FILE_MONITOR_EVENT_CREATED:
    case G_FILE_MONITOR_EVENT_MOVED_IN:
      if (IsFolder(path)) self->AddTree(path);
      break;
    case G_FILE_MONITOR_EVENT_DELETED:
    case G_FILE_MONITOR_EVENT_MOVED_OUT:
      self->RemoveTree(path);
      break;
    case G_FILE_MONITOR_EVENT_RENAMED: {
      self->RemoveTree(path);
      const fs::path target = PathOf(other);
      if (IsFolder(target)) self->AddTree(target);
      if (self->FOnChange) self->FOnChange(target);
      break;
    }
    default:
      break;
  }
  if (self->FOnChange) self->FOnChange(path);
}

void TLinuxOneShotTimer::Start(int milliseconds, std::function<void()> task) {
  Cancel();
  FTask = std::move(task);
  FSource = g_timeout_add(static_cast<guint>(milliseconds < 0 ? 0 : milliseconds),
                          &TLinuxOneShotTimer::Fire, this);
}

void TLinuxOneShotTimer::Cancel() {
  if (FSource != 0) g_source_remove(FSource);
  FSource = 0;
}

int TLinuxOneShotTimer::Fire(void* data) {
  auto* self = static_cast<TLinuxOneShotTimer*>(data);
  self->FSource = 0;
  // The task may start the timer again.
  auto task = std::move(self->FTask);
  if (task) task();
  return G_SOURCE_REMOVE;
}

}  // namespace zel
