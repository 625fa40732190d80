#include "backends/win32/ToolkitWin32.h"

#include <commctrl.h>

#include <mutex>
#include <set>
#include <string>

#include "core/Error.h"

namespace zel {
namespace {

LRESULT CALLBACK TargetWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* target = reinterpret_cast<TWin32MessageTarget*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  if (target == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return target->HandleMessage(window, message, wParam, lParam);
}

void RegisterClassOnce(const TWin32WindowParams& params) {
  static std::mutex lock;
  static std::set<std::wstring> registered;
  const std::lock_guard guard(lock);
  if (registered.contains(params.ClassName)) return;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  windowClass.lpfnWndProc = TargetWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, params.Cursor ? params.Cursor : IDC_ARROW);
  windowClass.hbrBackground = params.Background;
  windowClass.lpszClassName = params.ClassName;
  windowClass.hIcon = Win32Toolkit::ProgramIcon();
  if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw EError("Cannot register a window class (error " + std::to_string(GetLastError()) + ").");
  registered.insert(params.ClassName);
}

}  // namespace

namespace Win32Toolkit {

void EnsureInitialized() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Per-monitor v2 scales the frame, the menu bar and dialogs for each
    // monitor; systems before Windows 10 1703 get system awareness.
    using TSetContext = BOOL(WINAPI*)(HANDLE);
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    auto setContext = reinterpret_cast<TSetContext>(
        reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
    const auto perMonitorV2 = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-4));
    if (setContext == nullptr || !setContext(perMonitorV2)) SetProcessDPIAware();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
  });
}

HWND CreateTargetWindow(const TWin32WindowParams& params, TWin32MessageTarget* target) {
  EnsureInitialized();
  RegisterClassOnce(params);
  HWND window = CreateWindowExW(params.ExStyle, params.ClassName, params.Caption, params.Style,
                                params.Left, params.Top, params.Width, params.Height, params.Parent,
                                nullptr, GetModuleHandleW(nullptr), target);
  if (window == nullptr)
    throw EError("Cannot create a window (error " + std::to_string(GetLastError()) + ").");
  return window;
}

UINT DpiOf(HWND window) {
  using TGetDpiForWindow = UINT(WINAPI*)(HWND);
  static const auto getDpi = reinterpret_cast<TGetDpiForWindow>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (getDpi != nullptr && window != nullptr) {
    if (const UINT dpi = getDpi(window)) return dpi;
  }
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

int Scale(HWND window, int value) { return MulDiv(value, static_cast<int>(DpiOf(window)), 96); }

RECT WorkAreaOf(HWND window) {
  HMONITOR monitor = window ? MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY)
                            : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &info.rcWork, 0);
  return info.rcWork;
}

HICON ProgramIcon() {
  const HINSTANCE program = GetModuleHandleW(nullptr);
  HICON icon = LoadIconW(program, L"MAINICON");
  if (icon == nullptr) icon = LoadIconW(program, MAKEINTRESOURCEW(1));
  if (icon == nullptr) icon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));
  return icon;
}

NOTIFYICONDATAW NotifyIconOf(HWND window, UINT id) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = window;
  data.uID = id;
  return data;
}

}  // namespace Win32Toolkit
}  // namespace zel
