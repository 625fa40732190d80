#include "backends/win32/UserInterfaceWin32.h"

#include "backends/win32/WideTextWin32.h"
#include "backends/win32/WindowWin32.h"

namespace zel {
namespace {

constexpr UINT RunTasksMessage = WM_APP + 1;
constexpr UINT QuitMessage = WM_APP + 2;

}  // namespace

TWin32UserInterface::TWin32UserInterface() : FUiThread(std::this_thread::get_id()) {
  TWin32WindowParams params;
  params.ClassName = L"ZelUserInterface";
  params.Style = WS_POPUP;  // never shown; top-level so that it hears the session's end
  params.Left = params.Top = params.Width = params.Height = 0;
  FWindow = Win32Toolkit::CreateTargetWindow(params, this);
}

TWin32UserInterface::~TWin32UserInterface() {
  if (FWindow) DestroyWindow(FWindow);
}

std::unique_ptr<IWindow> TWin32UserInterface::CreateMainWindow() {
  return std::make_unique<TWin32Window>();
}

void TWin32UserInterface::Run() {
  if (FQuitRequested) {
    FQuitRequested = false;
    return;
  }
  ++FRunDepth;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  --FRunDepth;
}

void TWin32UserInterface::Quit() {
  if (std::this_thread::get_id() != FUiThread) {
    PostMessageW(FWindow, QuitMessage, 0, 0);
    return;
  }
  if (FRunDepth > 0)
    PostQuitMessage(0);
  else
    FQuitRequested = true;
}

void TWin32UserInterface::RunOnUiThread(std::function<void()> task) {
  if (!task) return;
  if (std::this_thread::get_id() == FUiThread) {
    task();
    return;
  }
  PostToUiThread(std::move(task));
}

void TWin32UserInterface::PostToUiThread(std::function<void()> task) {
  if (!task) return;
  bool wake = false;
  {
    const std::lock_guard guard(FLock);
    wake = FTasks.empty();
    FTasks.push_back(std::move(task));
  }
  // One message wakes the loop for every task queued until it runs.
  if (wake) PostMessageW(FWindow, RunTasksMessage, 0, 0);
}

void TWin32UserInterface::RunQueuedTasks() {
  std::deque<std::function<void()>> tasks;
  {
    const std::lock_guard guard(FLock);
    tasks.swap(FTasks);
  }
  for (auto& task : tasks) task();
}

void TWin32UserInterface::SetApplicationTitle(const std::string& title) {
  FTitle = WideOf(title);
  SetWindowTextW(FWindow, FTitle.c_str());
}

void TWin32UserInterface::SetOnEndRequested(std::function<void()> handler) {
  FOnEndRequested = std::move(handler);
}

LRESULT TWin32UserInterface::HandleMessage(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  switch (message) {
    case RunTasksMessage:
      RunQueuedTasks();
      return 0;
    case QuitMessage:
      Quit();
      return 0;
    case WM_QUERYENDSESSION:
      if (!FOnEndRequested) break;
      // Answered at once (Windows waits for the answer); the handler runs
      // from the loop like any event.
      PostToUiThread([this] {
        if (FOnEndRequested) FOnEndRequested();
      });
      return FALSE;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace zel
