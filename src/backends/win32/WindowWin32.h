#pragma once
#include <functional>
#include <memory>
#include <string>

#include "backends/win32/MenuViewWin32.h"
#include "backends/win32/ToolkitWin32.h"
#include "backends/win32/Win32.h"
#include "platform/Window.h"

namespace zel {

// A Win32 top-level window. The client area holds two children: the
// content container for the web view and, below it while shown, the thin
// progress bar. The menu bar is the window's own menu (HMENU), set while it
// has items; Windows takes its height from the client area, so the outer
// size stays.
//
// Bounds are the outer window rectangle (GetWindowRect), kept for the
// normal state: while minimized, maximized or full screen the window
// reports and changes the bounds it returns to (its normal placement). Size
// limits are outer sizes, enforced through WM_GETMINMAXINFO.
class TWin32Window : public IWindow, private TWin32MessageTarget {
 public:
  TWin32Window();
  ~TWin32Window() override;
  TWin32Window(const TWin32Window&) = delete;
  TWin32Window& operator=(const TWin32Window&) = delete;

  void SetCaption(const std::string& caption) override;
  std::string Caption() override { return FCaption; }
  void SetBounds(const TWindowBounds& bounds) override;
  TWindowBounds Bounds() override;
  void SetSizeLimits(int minWidth, int minHeight, int maxWidth, int maxHeight) override;
  void SetCentered(bool centered) override { FCentered = centered; }
  void SetBorderStyle(TBorderStyle style) override;
  TBorderStyle BorderStyle() override { return FBorderStyle; }
  void SetState(TWindowState state) override;
  TWindowState State() override;
  void SetStayOnTop(bool onTop) override;
  bool StayOnTop() override { return FStayOnTop; }
  void SetFullScreen(bool fullScreen) override;
  bool FullScreen() override { return FFullScreen; }
  void Show() override;
  void Hide() override;
  bool Visible() override;
  void BringToFront() override;
  void Focus() override;
  void Close() override;
  void SetCloseQuery(TCloseQuery query) override { FCloseQuery = std::move(query); }
  void SetOnClosed(std::function<void()> handler) override { FOnClosed = std::move(handler); }
  TNativeHandle ContentHandle() override { return FContent; }
  void SetOnContentResized(std::function<void(int width, int height)> handler) override {
    FOnContentResized = std::move(handler);
  }
  void SetProgressBarVisible(bool visible) override;
  IMenuView& MenuBar() override;

  HWND Handle() const { return FWindow; }
  HWND ProgressBarHandle() const { return FProgressBar; }

  // The window styles of a border style.
  static DWORD StyleOf(TBorderStyle style);
  static DWORD ExStyleOf(TBorderStyle style);

 private:
  // The content container: forwards nothing, fills its part of the client.
  class TContent : public TWin32MessageTarget {
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  };
  // The indeterminate bar: a block of the accent colour sliding along.
  class TProgressBar : public TWin32MessageTarget {
   public:
    int Phase = 0;
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  };

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Places the children in the client area and reports the content's size.
  void LayOut();
  // Applies FBorderStyle, or full screen, to the window's styles.
  void ApplyStyles();
  // Takes the window's rectangle as its bounds in the normal state.
  void RememberBounds();
  TWindowBounds Constrain(TWindowBounds bounds) const;
  void CloseNow();
  void HostStyleChanged();
  // The menu bar is attached while it has items.
  void MenuBarChanged();

  HWND FWindow = nullptr;
  HWND FContent = nullptr;
  HWND FProgressBar = nullptr;
  TContent FContentTarget;
  TProgressBar FProgressTarget;
  int FStyleSubscription = 0;

  std::string FCaption;
  TWindowBounds FBounds{0, 0, 800, 600};
  int FMinWidth = 0, FMinHeight = 0, FMaxWidth = 0, FMaxHeight = 0;
  bool FCentered = false;
  bool FShownBefore = false;
  TBorderStyle FBorderStyle = TBorderStyle::Sizeable;
  // As requested while hidden or full screen: the state shown after.
  TWindowState FState = TWindowState::Normal;
  bool FStayOnTop = false;
  bool FFullScreen = false;
  bool FProgressVisible = false;
  bool FClosed = false;
  // Inside our own SetWindowPos or ShowWindow: the moves are not the user's.
  int FApplying = 0;
  TCloseQuery FCloseQuery;
  std::function<void()> FOnClosed;
  std::function<void(int width, int height)> FOnContentResized;
  int FContentWidth = -1, FContentHeight = -1;
  std::unique_ptr<TWin32MenuView> FMenuBar;
};

}  // namespace zel
