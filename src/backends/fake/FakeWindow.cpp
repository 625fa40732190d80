#include "backends/fake/FakeWindow.h"

#include <algorithm>

namespace zel {

TFakeWindow::TFakeWindow(TFakeUserInterface& owner, TWindowBounds workArea)
    : FOwner(&owner), FWorkArea(workArea) {}

TFakeWindow::~TFakeWindow() {
  if (FOwner) FOwner->Forget(this);
}

TWindowBounds TFakeWindow::Constrain(TWindowBounds bounds) const {
  // The maximum first, then the minimum, which wins when the two disagree.
  if (FMaxWidth > 0 && bounds.Width > FMaxWidth) bounds.Width = FMaxWidth;
  if (FMaxHeight > 0 && bounds.Height > FMaxHeight) bounds.Height = FMaxHeight;
  if (FMinWidth > 0 && bounds.Width < FMinWidth) bounds.Width = FMinWidth;
  if (FMinHeight > 0 && bounds.Height < FMinHeight) bounds.Height = FMinHeight;
  return bounds;
}

void TFakeWindow::SetBounds(const TWindowBounds& bounds) {
  FBounds = Constrain(bounds);
  if (FVisible) ReportContentSize();
}

TWindowBounds TFakeWindow::Bounds() {
  return FState == TWindowState::Maximized ? FWorkArea : FBounds;
}

void TFakeWindow::SetSizeLimits(int minWidth, int minHeight, int maxWidth, int maxHeight) {
  FMinWidth = std::max(0, minWidth);
  FMinHeight = std::max(0, minHeight);
  FMaxWidth = std::max(0, maxWidth);
  FMaxHeight = std::max(0, maxHeight);
  FBounds = Constrain(FBounds);
}

void TFakeWindow::Show() {
  if (!FVisible) {
    FVisible = true;
    ReportContentSize();
    FVisible = false;
  }
  if (!FShownBefore) {
    FShownBefore = true;
    if (FCentered) {
      FBounds.Left =
          std::max(FWorkArea.Left, FWorkArea.Left + (FWorkArea.Width - FBounds.Width) / 2);
      FBounds.Top =
          std::max(FWorkArea.Top, FWorkArea.Top + (FWorkArea.Height - FBounds.Height) / 2);
    } else {
      FBounds.Left = FDefaultLeft;
      FBounds.Top = FDefaultTop;
    }
  }
  if (!FVisible) FClosed = false;
  FVisible = true;
  ++FShowCount;
}

void TFakeWindow::Close() {
  ++FCloseQueryCount;
  if (FCloseQuery && !FCloseQuery()) return;
  FVisible = false;
  if (FClosed) return;
  FClosed = true;
  // The handler may destroy this window: call a copy and touch nothing after.
  const auto handler = FOnClosed;
  if (handler) handler();
}

TFakeUserInterface::TFakeUserInterface() : FUiThread(std::this_thread::get_id()) {}

TFakeUserInterface::~TFakeUserInterface() {
  for (TFakeWindow* window : FWindows) window->Detach();
}

std::unique_ptr<IWindow> TFakeUserInterface::CreateMainWindow() {
  auto window = std::make_unique<TFakeWindow>(*this, FWorkArea);
  FWindows.push_back(window.get());
  return window;
}

void TFakeUserInterface::Forget(TFakeWindow* window) {
  FWindows.erase(std::remove(FWindows.begin(), FWindows.end(), window), FWindows.end());
}

void TFakeUserInterface::Run() {
  ++FRunCount;
  while (!FQuitRequested) {
    std::function<void()> task;
    {
      std::lock_guard<std::mutex> guard(FLock);
      if (FTasks.empty()) break;
      task = std::move(FTasks.front());
      FTasks.pop_front();
    }
    task();
  }
  FQuitRequested = false;
}

void TFakeUserInterface::RunOnUiThread(std::function<void()> task) {
  if (!task) return;
  if (std::this_thread::get_id() == FUiThread)
    task();
  else
    PostTask(std::move(task));
}

void TFakeUserInterface::PostTask(std::function<void()> task) {
  if (!task) return;
  std::lock_guard<std::mutex> guard(FLock);
  FTasks.push_back(std::move(task));
}

std::size_t TFakeUserInterface::PendingTaskCount() {
  std::lock_guard<std::mutex> guard(FLock);
  return FTasks.size();
}

int TFakeUserInterface::RunPendingTasks() {
  int count = 0;
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard<std::mutex> guard(FLock);
      if (FTasks.empty()) return count;
      task = std::move(FTasks.front());
      FTasks.pop_front();
    }
    task();
    ++count;
  }
}

}  // namespace zel
