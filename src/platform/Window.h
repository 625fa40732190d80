#pragma once
// A top-level window and the user interface's main loop.
#include <functional>
#include <memory>
#include <string>

#include "platform/Menus.h"
#include "platform/WebEngine.h"

namespace zel {

// The six frames a main window can wear.
enum class TBorderStyle { None = 0, Single = 1, Sizeable = 2, Dialog = 3, ToolWindow = 4, SizeToolWindow = 5 };
enum class TWindowState { Normal, Minimized, Maximized };

struct TWindowBounds {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  bool operator==(const TWindowBounds&) const = default;
};

class IWindow {
 public:
  virtual ~IWindow() = default;
  // Asked on every attempt to close (close button, window manager, session
  // end, Close()); the window closes only when it answers true.
  using TCloseQuery = std::function<bool()>;

  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string Caption() = 0;
  // Outer bounds in screen pixels.
  virtual void SetBounds(const TWindowBounds& bounds) = 0;
  virtual TWindowBounds Bounds() = 0;
  // 0 means no limit.
  virtual void SetSizeLimits(int minWidth, int minHeight, int maxWidth, int maxHeight) = 0;
  // Centres the window on the screen when it is first shown; otherwise the
  // window manager places it.
  virtual void SetCentered(bool centered) = 0;
  virtual void SetBorderStyle(TBorderStyle style) = 0;
  virtual TBorderStyle BorderStyle() = 0;
  virtual void SetState(TWindowState state) = 0;
  virtual TWindowState State() = 0;
  virtual void SetStayOnTop(bool onTop) = 0;
  virtual bool StayOnTop() = 0;
  // Covers the whole monitor, panels included (the window manager's full
  // screen state), or leaves that state for the window underneath.
  virtual void SetFullScreen(bool fullScreen) = 0;
  virtual bool FullScreen() = 0;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool Visible() = 0;
  virtual void BringToFront() = 0;
  virtual void Focus() = 0;
  // Asks the close query and closes when it agrees.
  virtual void Close() = 0;
  virtual void SetCloseQuery(TCloseQuery query) = 0;
  // Called once after the window has closed.
  virtual void SetOnClosed(std::function<void()> handler) = 0;

  // The container that fills the client area, for the web view.
  virtual TNativeHandle ContentHandle() = 0;
  // Called with the container's width and height whenever they change.
  virtual void SetOnContentResized(std::function<void(int width, int height)> handler) = 0;
  // The thin indeterminate progress bar along the bottom edge.
  virtual void SetProgressBarVisible(bool visible) = 0;
  // The window's menu bar, placed above the content at the first call; it
  // shows while it has items. The window's outer size stays as it is.
  virtual IMenuView& MenuBar() = 0;
};

class IUserInterface {
 public:
  virtual ~IUserInterface() = default;
  virtual std::unique_ptr<IWindow> CreateMainWindow() = 0;
  // Runs the main loop until Quit.
  virtual void Run() = 0;
  virtual void Quit() = 0;
  // Runs `task` on the user-interface thread: at once when already there,
  // otherwise through the main loop. Callable from any thread.
  virtual void RunOnUiThread(std::function<void()> task) = 0;
  // Queues `task` to run later from the main loop on the user-interface
  // thread, also when called there. Callable from any thread.
  virtual void PostToUiThread(std::function<void()> task) = 0;
  // The application's title (task bar, dialogs).
  virtual void SetApplicationTitle(const std::string& title) = 0;
  // Called on the user-interface thread, once per request, when the system
  // asks the application to end (the session ends or the system shuts down).
  // The handler decides; an empty one restores the default of ending at once.
  virtual void SetOnEndRequested(std::function<void()> handler) = 0;
};

}  // namespace zel
