#pragma once
// What every window of the Win32 backend shares: the process's DPI
// awareness, window classes, and one window procedure that hands each
// message to the C++ object behind the window.
#include "backends/win32/Win32.h"

namespace zel {

// An object that answers the messages of the windows it creates.
class TWin32MessageTarget {
 public:
  virtual ~TWin32MessageTarget() = default;
  // Messages left alone go to DefWindowProcW.
  virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

struct TWin32WindowParams {
  const wchar_t* ClassName = nullptr;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  HWND Parent = nullptr;
  int Left = CW_USEDEFAULT, Top = CW_USEDEFAULT, Width = CW_USEDEFAULT, Height = CW_USEDEFAULT;
  // The class's cursor (IDC_ARROW when null) and background (none when null).
  const wchar_t* Cursor = nullptr;
  HBRUSH Background = nullptr;
  const wchar_t* Caption = L"";
};

namespace Win32Toolkit {

// Makes the process per-monitor DPI aware (version 2 where the system has
// it, else system aware) and loads the common controls; idempotent. Must run
// before the first window is created.
void EnsureInitialized();

// A window of `params` whose messages go to `target` until it is destroyed.
// Registers the class on first use. Throws EError when the system refuses.
HWND CreateTargetWindow(const TWin32WindowParams& params, TWin32MessageTarget* target);

// The DPI of the window's monitor (96 is 100 %).
UINT DpiOf(HWND window);
// `value` pixels at 96 DPI, in the window's pixels.
int Scale(HWND window, int value);

// The work area of the monitor nearest the window, or of the primary one.
RECT WorkAreaOf(HWND window);

// The notification-area icon `id` of `window`, nothing else set.
NOTIFYICONDATAW NotifyIconOf(HWND window, UINT id);

// The program's icon: its icon group MAINICON (the one `zel build` sets),
// else its resource 1, else the system's application icon.
HICON ProgramIcon();

}  // namespace Win32Toolkit
}  // namespace zel
