#include "backends/win32/WindowWin32.h"

#include <algorithm>

#include "backends/win32/VisualStylesWin32.h"
#include "backends/win32/WideTextWin32.h"

namespace zel {
namespace {

constexpr int ProgressBarHeight = 4;  // at 96 DPI
constexpr UINT_PTR PulseTimer = 1;
constexpr UINT PulseIntervalMs = 50;
constexpr int PulseSteps = 40;  // steps for the block to cross the bar

constexpr DWORD KeptStyles = WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE | WS_DISABLED;

TWindowBounds BoundsOf(const RECT& rect) {
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

DWORD TWin32Window::StyleOf(TBorderStyle style) {
  switch (style) {
    case TBorderStyle::None:
      return WS_POPUP;
    case TBorderStyle::Single:
      return WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    case TBorderStyle::Dialog:
      return WS_CAPTION | WS_SYSMENU;
    case TBorderStyle::ToolWindow:
      return WS_CAPTION | WS_SYSMENU;
    case TBorderStyle::SizeToolWindow:
      return WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
    case TBorderStyle::Sizeable:
      break;
  }
  return WS_OVERLAPPEDWINDOW;
}

DWORD TWin32Window::ExStyleOf(TBorderStyle style) {
  switch (style) {
    case TBorderStyle::Dialog:
      return WS_EX_DLGMODALFRAME | WS_EX_APPWINDOW;
    case TBorderStyle::ToolWindow:
    case TBorderStyle::SizeToolWindow:
      return WS_EX_TOOLWINDOW;
    default:
      return WS_EX_APPWINDOW;
  }
}

TWin32Window::TWin32Window() {
  TWin32WindowParams params;
  params.ClassName = L"ZelMainWindow";
  params.Style = StyleOf(FBorderStyle) | WS_CLIPCHILDREN;
  params.ExStyle = ExStyleOf(FBorderStyle);
  params.Left = FBounds.Left;
  params.Top = FBounds.Top;
  params.Width = FBounds.Width;
  params.Height = FBounds.Height;
  FWindow = Win32Toolkit::CreateTargetWindow(params, this);

  TWin32WindowParams content;
  content.ClassName = L"ZelContent";
  content.Style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  content.Parent = FWindow;
  content.Left = content.Top = content.Width = content.Height = 0;
  FContent = Win32Toolkit::CreateTargetWindow(content, &FContentTarget);

  TWin32WindowParams bar = content;
  bar.ClassName = L"ZelProgressBar";
  bar.Style = WS_CHILD | WS_CLIPSIBLINGS;
  FProgressBar = Win32Toolkit::CreateTargetWindow(bar, &FProgressTarget);

  FStyleSubscription = TWin32HostStyle::Instance().Subscribe([this] { HostStyleChanged(); });
  TWin32HostStyle::Instance().ThemeFrame(FWindow);
  LayOut();
}

TWin32Window::~TWin32Window() {
  TWin32HostStyle::Instance().Unsubscribe(FStyleSubscription);
  FOnContentResized = nullptr;
  FOnClosed = nullptr;
  FCloseQuery = nullptr;
  if (FWindow) {
    KillTimer(FProgressBar, PulseTimer);
    // A window destroys the menu it holds; the menu bar's view owns it.
    SetMenu(FWindow, nullptr);
    DestroyWindow(FWindow);
  }
}

void TWin32Window::SetCaption(const std::string& caption) {
  FCaption = caption;
  SetWindowTextW(FWindow, WideOf(caption).c_str());
}

TWindowBounds TWin32Window::Constrain(TWindowBounds bounds) const {
  if (FMaxWidth > 0) bounds.Width = std::min(bounds.Width, FMaxWidth);
  if (FMaxHeight > 0) bounds.Height = std::min(bounds.Height, FMaxHeight);
  bounds.Width = std::max(bounds.Width, FMinWidth);
  bounds.Height = std::max(bounds.Height, FMinHeight);
  return bounds;
}

void TWin32Window::SetBounds(const TWindowBounds& bounds) {
  FBounds = Constrain(bounds);
  if (FFullScreen) return;  // given back when full screen ends
  if (IsIconic(FWindow) || IsZoomed(FWindow)) {
    // The bounds the window returns to; the placement counts from the work
    // area's corner, except for tool windows.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(FWindow, &placement);
    RECT normal{FBounds.Left, FBounds.Top, FBounds.Left + FBounds.Width,
                FBounds.Top + FBounds.Height};
    if (!(GetWindowLongW(FWindow, GWL_EXSTYLE) & WS_EX_TOOLWINDOW)) {
      MONITORINFO info{};
      info.cbSize = sizeof info;
      GetMonitorInfoW(MonitorFromWindow(FWindow, MONITOR_DEFAULTTONEAREST), &info);
      OffsetRect(&normal, info.rcMonitor.left - info.rcWork.left,
                 info.rcMonitor.top - info.rcWork.top);
    }
    placement.rcNormalPosition = normal;
    if (!IsWindowVisible(FWindow)) placement.showCmd = SW_HIDE;
    ++FApplying;
    SetWindowPlacement(FWindow, &placement);
    --FApplying;
    return;
  }
  SetWindowPos(FWindow, nullptr, FBounds.Left, FBounds.Top, FBounds.Width, FBounds.Height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

TWindowBounds TWin32Window::Bounds() {
  if (!FFullScreen && !IsIconic(FWindow) && !IsZoomed(FWindow)) {
    RECT rect;
    if (GetWindowRect(FWindow, &rect)) return BoundsOf(rect);
  }
  return FBounds;
}

void TWin32Window::RememberBounds() {
  if (FApplying > 0 || FFullScreen || IsIconic(FWindow) || IsZoomed(FWindow)) return;
  RECT rect;
  if (GetWindowRect(FWindow, &rect)) FBounds = BoundsOf(rect);
}

void TWin32Window::SetSizeLimits(int minWidth, int minHeight, int maxWidth, int maxHeight) {
  FMinWidth = std::max(0, minWidth);
  FMinHeight = std::max(0, minHeight);
  FMaxWidth = std::max(0, maxWidth);
  FMaxHeight = std::max(0, maxHeight);
  // The window is brought within the new limits at once.
  const TWindowBounds current = Bounds();
  const TWindowBounds constrained = Constrain(current);
  if (!(constrained == current)) SetBounds(constrained);
}

void TWin32Window::ApplyStyles() {
  // Full screen is neither maximized nor minimized: the state comes back after.
  const DWORD kept = static_cast<DWORD>(GetWindowLongW(FWindow, GWL_STYLE)) &
                     (FFullScreen ? KeptStyles & ~(WS_MAXIMIZE | WS_MINIMIZE) : KeptStyles);
  const DWORD topmost = static_cast<DWORD>(GetWindowLongW(FWindow, GWL_EXSTYLE)) & WS_EX_TOPMOST;
  const DWORD style = (FFullScreen ? WS_POPUP : StyleOf(FBorderStyle)) | WS_CLIPCHILDREN | kept;
  const DWORD exStyle = (FFullScreen ? WS_EX_APPWINDOW : ExStyleOf(FBorderStyle)) | topmost;
  ++FApplying;
  SetWindowLongW(FWindow, GWL_STYLE, static_cast<LONG>(style));
  SetWindowLongW(FWindow, GWL_EXSTYLE, static_cast<LONG>(exStyle));
  // The outer rectangle stays; the client area follows the new frame.
  SetWindowPos(FWindow, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  --FApplying;
}

void TWin32Window::SetBorderStyle(TBorderStyle style) {
  FBorderStyle = style;
  if (!FFullScreen) ApplyStyles();
}

void TWin32Window::SetState(TWindowState state) {
  FState = state;
  // Hidden, the window is shown in that state; full screen, it takes it after.
  if (!IsWindowVisible(FWindow) || FFullScreen) return;
  switch (state) {
    case TWindowState::Normal:
      ShowWindow(FWindow, SW_RESTORE);
      break;
    case TWindowState::Minimized:
      ShowWindow(FWindow, SW_MINIMIZE);
      break;
    case TWindowState::Maximized:
      ShowWindow(FWindow, SW_MAXIMIZE);
      break;
  }
}

TWindowState TWin32Window::State() {
  if (!IsWindowVisible(FWindow) || FFullScreen) return FState;
  if (IsIconic(FWindow)) return TWindowState::Minimized;
  if (IsZoomed(FWindow)) return TWindowState::Maximized;
  return TWindowState::Normal;
}

void TWin32Window::SetStayOnTop(bool onTop) {
  FStayOnTop = onTop;
  SetWindowPos(FWindow, onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWin32Window::SetFullScreen(bool fullScreen) {
  if (fullScreen == FFullScreen) return;
  if (fullScreen) {
    RememberBounds();
    // The state to return to; the window itself is neither maximized nor
    // minimized while it covers the monitor.
    FState = State();
    if (IsIconic(FWindow)) ShowWindow(FWindow, SW_RESTORE);
    FFullScreen = true;
    ApplyStyles();
    // The whole monitor, task bar included.
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromWindow(FWindow, MONITOR_DEFAULTTONEAREST), &info);
    const RECT& area = info.rcMonitor;
    ++FApplying;
    SetWindowPos(FWindow, nullptr, area.left, area.top, area.right - area.left,
                 area.bottom - area.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    --FApplying;
    return;
  }
  FFullScreen = false;
  ApplyStyles();
  // Back to the bounds the window had, or was given meanwhile, and to its state.
  ++FApplying;
  SetWindowPos(FWindow, nullptr, FBounds.Left, FBounds.Top, FBounds.Width, FBounds.Height,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  --FApplying;
  if (FState != TWindowState::Normal) SetState(FState);
}

void TWin32Window::Show() {
  if (IsWindowVisible(FWindow)) return;
  if (!FShownBefore) {
    FShownBefore = true;
    if (FCentered && !FFullScreen) {
      // A window larger than the work area keeps its caption on the screen.
      const RECT area = Win32Toolkit::WorkAreaOf(FWindow);
      TWindowBounds bounds = FBounds;
      bounds.Left =
          std::max<int>(area.left, area.left + (area.right - area.left - bounds.Width) / 2);
      bounds.Top = std::max<int>(area.top, area.top + (area.bottom - area.top - bounds.Height) / 2);
      SetBounds(bounds);
    }
  }
  FClosed = false;
  int command = SW_SHOWNORMAL;
  if (FState == TWindowState::Minimized) command = SW_SHOWMINIMIZED;
  if (FState == TWindowState::Maximized) command = SW_SHOWMAXIMIZED;
  // A normal window shown after it was maximized and hidden stays maximized
  // unless asked otherwise.
  if (FState == TWindowState::Normal && !IsZoomed(FWindow) && !IsIconic(FWindow)) command = SW_SHOW;
  // Full screen covers the monitor as it is; the state follows when it ends.
  if (FFullScreen) command = SW_SHOW;
  ShowWindow(FWindow, command);
  UpdateWindow(FWindow);
}

void TWin32Window::Hide() {
  if (!IsWindowVisible(FWindow)) return;
  FState = State();
  ShowWindow(FWindow, SW_HIDE);
}

bool TWin32Window::Visible() { return IsWindowVisible(FWindow) != FALSE; }

void TWin32Window::BringToFront() {
  if (!IsWindowVisible(FWindow)) return;
  SetWindowPos(FWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWin32Window::Focus() {
  if (IsIconic(FWindow)) ShowWindow(FWindow, SW_RESTORE);
  SetForegroundWindow(FWindow);
  SetActiveWindow(FWindow);
}

void TWin32Window::Close() {
  if (FCloseQuery && !FCloseQuery()) return;
  CloseNow();
}

void TWin32Window::CloseNow() {
  Hide();
  if (FClosed) return;
  FClosed = true;
  // The handler may destroy this window: call a copy and touch nothing after.
  const auto handler = FOnClosed;
  if (handler) handler();
}

IMenuView& TWin32Window::MenuBar() {
  if (!FMenuBar) {
    FMenuBar = std::make_unique<TWin32MenuView>(true);
    FMenuBar->SetOnChanged([this] { MenuBarChanged(); });
  }
  return *FMenuBar;
}

void TWin32Window::MenuBarChanged() {
  // Shown while it has items; Windows takes its height from the client area.
  HMENU wanted = FMenuBar->Empty() ? nullptr : FMenuBar->Handle();
  if (GetMenu(FWindow) != wanted) {
    ++FApplying;
    SetMenu(FWindow, wanted);
    --FApplying;
  } else if (wanted) {
    DrawMenuBar(FWindow);
  }
}

void TWin32Window::SetProgressBarVisible(bool visible) {
  if (visible == FProgressVisible) return;
  FProgressVisible = visible;
  if (visible) {
    FProgressTarget.Phase = 0;
    SetTimer(FProgressBar, PulseTimer, PulseIntervalMs, nullptr);
  } else {
    KillTimer(FProgressBar, PulseTimer);
  }
  ShowWindow(FProgressBar, visible ? SW_SHOWNA : SW_HIDE);
  LayOut();
}

void TWin32Window::LayOut() {
  RECT client;
  GetClientRect(FWindow, &client);
  const int width = client.right, height = client.bottom;
  // The bar lies below the content, not over it: each pulse redraws the bar alone.
  const int bar =
      FProgressVisible ? std::min(height, Win32Toolkit::Scale(FWindow, ProgressBarHeight)) : 0;
  MoveWindow(FContent, 0, 0, width, height - bar, TRUE);
  MoveWindow(FProgressBar, 0, height - bar, width, bar, TRUE);
  if (width == FContentWidth && height - bar == FContentHeight) return;
  FContentWidth = width;
  FContentHeight = height - bar;
  if (FOnContentResized) FOnContentResized(FContentWidth, FContentHeight);
}

void TWin32Window::HostStyleChanged() {
  TWin32HostStyle& style = TWin32HostStyle::Instance();
  style.ThemeFrame(FWindow);
  RedrawWindow(FWindow, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
}

LRESULT TWin32Window::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      // Also the session's end and Alt+F4: only the close query decides.
      Close();
      return 0;
    case WM_GETMINMAXINFO: {
      if (FFullScreen) break;
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      if (FMinWidth > 0) info->ptMinTrackSize.x = FMinWidth;
      if (FMinHeight > 0) info->ptMinTrackSize.y = FMinHeight;
      if (FMaxWidth > 0) info->ptMaxTrackSize.x = FMaxWidth;
      if (FMaxHeight > 0) info->ptMaxTrackSize.y = FMaxHeight;
      return 0;
    }
    case WM_WINDOWPOSCHANGED: {
      const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
      RememberBounds();
      return result;
    }
    case WM_SIZE:
      LayOut();
      return 0;
    case WM_SETFOCUS: {
      // The keyboard goes to the content (the web view's window inside it).
      HWND view = GetWindow(FContent, GW_CHILD);
      SetFocus(view ? view : FContent);
      return 0;
    }
    case WM_DPICHANGED: {
      // The size Windows proposes for the new monitor's DPI.
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(window, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      LayOut();
      return 0;
    }
    case WM_MENUCOMMAND:
      if (FMenuBar &&
          FMenuBar->MenuCommand(reinterpret_cast<HMENU>(lParam), static_cast<UINT>(wParam)))
        return 0;
      break;
    case WM_ERASEBKGND: {
      RECT rect;
      GetClientRect(window, &rect);
      FillRect(reinterpret_cast<HDC>(wParam), &rect,
               TWin32HostStyle::Instance().Brush(&TThemePalette::Face, COLOR_BTNFACE));
      return 1;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT TWin32Window::TContent::HandleMessage(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
  if (message == WM_ERASEBKGND) {
    RECT rect;
    GetClientRect(window, &rect);
    FillRect(reinterpret_cast<HDC>(wParam), &rect,
             TWin32HostStyle::Instance().Brush(&TThemePalette::Face, COLOR_BTNFACE));
    return 1;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT TWin32Window::TProgressBar::HandleMessage(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      Phase = (Phase + 1) % PulseSteps;
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT rect;
      GetClientRect(window, &rect);
      TWin32HostStyle& style = TWin32HostStyle::Instance();
      FillRect(dc, &rect, style.Brush(&TThemePalette::Face, COLOR_BTNFACE));
      // A block a fifth of the bar wide slides across and comes back in.
      const int block = std::max(1L, rect.right / 5);
      const int left = MulDiv(Phase, rect.right + block, PulseSteps) - block;
      RECT blockRect{left, 0, left + block, rect.bottom};
      FillRect(dc, &blockRect, style.Brush(&TThemePalette::Accent, COLOR_HIGHLIGHT));
      EndPaint(window, &paint);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace zel
