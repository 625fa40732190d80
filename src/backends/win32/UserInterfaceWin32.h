#pragma once
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "backends/win32/ToolkitWin32.h"
#include "backends/win32/Win32.h"
#include "platform/Window.h"

namespace zel {

// The Win32 message loop on the thread that created this object. A hidden
// top-level window receives the tasks posted from other threads (a queue
// woken by one posted message each) and the session's end: Windows asks
// every top-level window with WM_QUERYENDSESSION before it logs off or
// shuts down.
class TWin32UserInterface : public IUserInterface, private TWin32MessageTarget {
 public:
  TWin32UserInterface();
  ~TWin32UserInterface() override;
  TWin32UserInterface(const TWin32UserInterface&) = delete;
  TWin32UserInterface& operator=(const TWin32UserInterface&) = delete;

  std::unique_ptr<IWindow> CreateMainWindow() override;
  void Run() override;
  void Quit() override;
  void RunOnUiThread(std::function<void()> task) override;
  void PostToUiThread(std::function<void()> task) override;
  void SetApplicationTitle(const std::string& title) override;
  // While a handler is set, the session's end is refused and the handler
  // asked (from the message loop, after Windows' question is answered); the
  // program ends itself when the handler agrees. Without one Windows ends
  // the program as usual.
  void SetOnEndRequested(std::function<void()> handler) override;

  // The application's title as set last.
  const std::wstring& ApplicationTitle() const { return FTitle; }

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void RunQueuedTasks();

  std::thread::id FUiThread;
  HWND FWindow = nullptr;
  int FRunDepth = 0;
  bool FQuitRequested = false;  // Quit before Run: Run returns at once
  std::function<void()> FOnEndRequested;
  std::wstring FTitle;
  std::mutex FLock;
  std::deque<std::function<void()>> FTasks;
};

}  // namespace zel
