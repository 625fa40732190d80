#pragma once
// A file watcher and a timer that the test drives by hand.
#include <functional>
#include <vector>

#include "platform/FileWatcher.h"

namespace zel {

class TFakeFileWatcher : public IFileWatcher {
 public:
  void Watch(const std::filesystem::path& root, TOnChange onChange) override {
    FRoots.push_back(root);
    FOnChange = std::move(onChange);
  }
  // Reports a change as the system would.
  void Change(const std::filesystem::path& path) {
    if (FOnChange) FOnChange(path);
  }
  const std::vector<std::filesystem::path>& Roots() const { return FRoots; }

 private:
  std::vector<std::filesystem::path> FRoots;
  TOnChange FOnChange;
};

class TFakeOneShotTimer : public IOneShotTimer {
 public:
  void Start(int milliseconds, std::function<void()> task) override {
    FInterval = milliseconds;
    FTask = std::move(task);
    ++FStarts;
  }
  void Cancel() override { FTask = nullptr; }
  bool Pending() const { return static_cast<bool>(FTask); }
  // Lets the time run out: runs the pending task, if any.
  void Elapse() {
    auto task = std::move(FTask);
    FTask = nullptr;
    if (task) task();
  }
  int Interval() const { return FInterval; }
  int Starts() const { return FStarts; }

 private:
  std::function<void()> FTask;
  int FInterval = -1;
  int FStarts = 0;
};

}  // namespace zel
