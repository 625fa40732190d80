#pragma once
// An in-memory window and main loop: the window keeps what it was asked and
// behaves like a window manager would (limits, centring, maximized bounds);
// the main loop runs posted tasks when the test says so.
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "backends/fake/FakeMenus.h"
#include "platform/Window.h"

namespace zel {

class TFakeUserInterface;

class TFakeWindow : public IWindow {
 public:
  TFakeWindow(TFakeUserInterface& owner, TWindowBounds workArea);
  ~TFakeWindow() override;
  TFakeWindow(const TFakeWindow&) = delete;
  TFakeWindow& operator=(const TFakeWindow&) = delete;

  void SetCaption(const std::string& caption) override { FCaption = caption; }
  std::string Caption() override { return FCaption; }
  void SetBounds(const TWindowBounds& bounds) override;
  // The work area while maximized, otherwise the normal bounds.
  TWindowBounds Bounds() override;
  void SetSizeLimits(int minWidth, int minHeight, int maxWidth, int maxHeight) override;
  void SetCentered(bool centered) override { FCentered = centered; }
  void SetBorderStyle(TBorderStyle style) override { FBorderStyle = style; }
  TBorderStyle BorderStyle() override { return FBorderStyle; }
  void SetState(TWindowState state) override { FState = state; }
  TWindowState State() override { return FState; }
  void SetStayOnTop(bool onTop) override { FStayOnTop = onTop; }
  bool StayOnTop() override { return FStayOnTop; }
  void SetFullScreen(bool fullScreen) override { FFullScreen = fullScreen; }
  bool FullScreen() override { return FFullScreen; }
  // The first showing places the window: centred on the work area, or at
  // the window manager's default position.
  void Show() override;
  void Hide() override { FVisible = false; }
  bool Visible() override { return FVisible; }
  void BringToFront() override { ++FBringToFrontCount; }
  void Focus() override { ++FFocusCount; }
  void Close() override;
  void SetCloseQuery(TCloseQuery query) override { FCloseQuery = std::move(query); }
  void SetOnClosed(std::function<void()> handler) override { FOnClosed = std::move(handler); }
  void SetOnContentResized(std::function<void(int width, int height)> handler) override {
    FOnContentResized = std::move(handler);
  }
  // The content area as the window's frame leaves it (no frame in the fake).
  void ReportContentSize() {
    if (FOnContentResized) FOnContentResized(Bounds().Width, Bounds().Height);
  }
  TNativeHandle ContentHandle() override { return &FContent; }
  void SetProgressBarVisible(bool visible) override { FProgressBarVisible = visible; }
  TFakeMenuView& MenuBar() override {
    FMenuBarAttached = true;
    return FMenuBar;
  }

  // What the test inspects.
  bool Centered() const { return FCentered; }
  bool ProgressBarVisible() const { return FProgressBarVisible; }
  // Whether the menu bar was asked for, and so placed above the content.
  bool MenuBarAttached() const { return FMenuBarAttached; }
  bool Closed() const { return FClosed; }
  int ShowCount() const { return FShowCount; }
  int BringToFrontCount() const { return FBringToFrontCount; }
  int FocusCount() const { return FFocusCount; }
  int CloseQueryCount() const { return FCloseQueryCount; }
  int MinWidth() const { return FMinWidth; }
  int MinHeight() const { return FMinHeight; }
  int MaxWidth() const { return FMaxWidth; }
  int MaxHeight() const { return FMaxHeight; }
  // Where the window manager puts a window that is not centred.
  void SetDefaultPosition(int left, int top) { FDefaultLeft = left, FDefaultTop = top; }
  // Detaches the window from its main loop's list (the loop went first).
  void Detach() { FOwner = nullptr; }

 private:
  TWindowBounds Constrain(TWindowBounds bounds) const;

  TFakeUserInterface* FOwner;
  TWindowBounds FWorkArea;
  int FContent = 0;  // the address is the content handle
  std::string FCaption;
  TWindowBounds FBounds{0, 0, 800, 600};
  int FMinWidth = 0, FMinHeight = 0, FMaxWidth = 0, FMaxHeight = 0;
  bool FCentered = false;
  int FDefaultLeft = 32, FDefaultTop = 32;
  TBorderStyle FBorderStyle = TBorderStyle::Sizeable;
  TWindowState FState = TWindowState::Normal;
  bool FStayOnTop = false;
  bool FFullScreen = false;
  bool FVisible = false;
  bool FShownBefore = false;
  bool FProgressBarVisible = false;
  TFakeMenuView FMenuBar;
  bool FMenuBarAttached = false;
  bool FClosed = false;
  int FShowCount = 0, FBringToFrontCount = 0, FFocusCount = 0, FCloseQueryCount = 0;
  TCloseQuery FCloseQuery;
  std::function<void()> FOnClosed;
  std::function<void(int width, int height)> FOnContentResized;
};

class TFakeUserInterface : public IUserInterface {
 public:
  TFakeUserInterface();
  ~TFakeUserInterface() override;

  std::unique_ptr<IWindow> CreateMainWindow() override;
  // Runs posted tasks, those they post included, until Quit or until none
  // is left; never waits.
  void Run() override;
  void Quit() override {
    FQuitRequested = true;
    ++FQuitCount;
  }
  // At once on the thread that created this object; queued from others.
  void RunOnUiThread(std::function<void()> task) override;
  void PostToUiThread(std::function<void()> task) override { PostTask(std::move(task)); }
  void SetApplicationTitle(const std::string& title) override { FApplicationTitle = title; }
  void SetOnEndRequested(std::function<void()> handler) override { FOnEndRequested = std::move(handler); }
  // The system's request to end, as the session or a shutdown sends it;
  // false when nobody handles it (the program would end at once).
  bool RequestEnd() {
    if (!FOnEndRequested) return false;
    FOnEndRequested();
    return true;
  }

  // Runs the tasks queued so far (and those they queue); returns how many ran.
  int RunPendingTasks();
  // Queues a task as another thread would, whatever the calling thread.
  void PostTask(std::function<void()> task);
  std::size_t PendingTaskCount();

  const std::string& ApplicationTitle() const { return FApplicationTitle; }
  int RunCount() const { return FRunCount; }
  int QuitCount() const { return FQuitCount; }
  // The windows that exist now, in order of creation.
  const std::vector<TFakeWindow*>& Windows() const { return FWindows; }
  TFakeWindow* LastWindow() const { return FWindows.empty() ? nullptr : FWindows.back(); }
  // The screen's work area, for placing windows created from now on.
  void SetWorkArea(TWindowBounds area) { FWorkArea = area; }

 private:
  friend class TFakeWindow;
  void Forget(TFakeWindow* window);

  std::thread::id FUiThread;
  std::mutex FLock;
  std::deque<std::function<void()>> FTasks;
  std::vector<TFakeWindow*> FWindows;
  TWindowBounds FWorkArea{0, 0, 1920, 1040};
  std::string FApplicationTitle;
  std::function<void()> FOnEndRequested;
  int FRunCount = 0;
  int FQuitCount = 0;
  bool FQuitRequested = false;
};

}  // namespace zel
