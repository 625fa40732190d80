#include "runtime/LiveReload.h"

namespace zel {
namespace {

// Editors' swap, backup and lock files: saving a file does not change them
// alone, and reloading for them would reload twice.
bool IsEditorScratch(const std::filesystem::path& path) {
  const std::string name = path.filename().string();
  if (name.empty()) return false;
  if (name.front() == '.' || name.front() == '#' || name.back() == '~') return true;
  return name.ends_with(".swp") || name.ends_with(".swx");
}

}  // namespace

TLiveReload::TLiveReload(IFileWatcher& watcher, IOneShotTimer& timer, TOnReload onReload,
                         int quietMilliseconds)
    : FWatcher(watcher),
      FTimer(timer),
      FOnReload(std::move(onReload)),
      FQuietMilliseconds(quietMilliseconds) {}

void TLiveReload::Start(const std::filesystem::path& folder) {
  FWatcher.Watch(folder, [this](const std::filesystem::path& path) { Changed(path); });
}

void TLiveReload::Changed(const std::filesystem::path& path) {
  if (IsEditorScratch(path)) return;
  FLastChange = path;
  FTimer.Start(FQuietMilliseconds, [this] {
    if (FOnReload) FOnReload(FLastChange);
  });
}

}  // namespace zel
