#include "backends/win32/TrayIconWin32.h"

#include <shellapi.h>
#include <windowsx.h>

#include "backends/win32/WideTextWin32.h"

namespace zel {
TWin32TrayIcon::TWin32TrayIcon(const std::string& title) : FTitle(WideOf(title)), FMenu(false) {
  TWin32WindowParams params;
  params.ClassName = L"ZelTrayIcon";
  params.Style = WS_POPUP;  // never shown: it owns the pop-up menu and hears the icon
  params.Left = params.Top = params.Width = params.Height = 0;
  FWindow = Win32Toolkit::CreateTargetWindow(params, this);
  // Sent to every top-level window when the task bar is created again.
  FTaskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
}

TWin32TrayIcon::~TWin32TrayIcon() {
  Remove();
  DestroyWindow(FWindow);
}

void TWin32TrayIcon::SetShown(bool shown) {
  if (shown == FShown) return;
  FShown = shown;
  if (shown)
    FAdded = Add();
  else
    Remove();
}

bool TWin32TrayIcon::Add() {
  NOTIFYICONDATAW data = Win32Toolkit::NotifyIconOf(FWindow, IconId);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
  data.uCallbackMessage = CallbackMessage;
  data.hIcon = Win32Toolkit::ProgramIcon();
  // The tooltip holds 127 characters.
  lstrcpynW(data.szTip, FTitle.c_str(), static_cast<int>(std::size(data.szTip)));
  if (!Shell_NotifyIconW(NIM_ADD, &data)) return false;
  data.uVersion = NOTIFYICON_VERSION_4;
  FVersion4 = Shell_NotifyIconW(NIM_SETVERSION, &data) != FALSE;
  return true;
}

void TWin32TrayIcon::Remove() {
  if (!FAdded) return;
  NOTIFYICONDATAW data = Win32Toolkit::NotifyIconOf(FWindow, IconId);
  Shell_NotifyIconW(NIM_DELETE, &data);
  FAdded = false;
}

void TWin32TrayIcon::Click() {
  // The handler may destroy the icon: call a copy.
  const auto handler = FOnClick;
  if (handler) handler();
}

void TWin32TrayIcon::PopUpMenu(int x, int y) {
  if (FMenu.Empty()) return;
  // Without being the foreground window the menu would not close when the
  // user clicks elsewhere.
  SetForegroundWindow(FWindow);
  const UINT align = GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
  TrackPopupMenuEx(FMenu.Handle(), align | TPM_BOTTOMALIGN | TPM_RIGHTBUTTON, x, y, FWindow,
                   nullptr);
  PostMessageW(FWindow, WM_NULL, 0, 0);
}

LRESULT TWin32TrayIcon::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == CallbackMessage) {
    const UINT event = LOWORD(lParam);
    if (FVersion4) {
      // The anchor point comes in wParam.
      if (event == NIN_SELECT || event == NIN_KEYSELECT) Click();
      if (event == WM_CONTEXTMENU) PopUpMenu(GET_X_LPARAM(wParam), GET_Y_LPARAM(wParam));
    } else if (event == WM_LBUTTONUP) {
      Click();
    } else if (event == WM_RBUTTONUP) {
      POINT cursor{};
      GetCursorPos(&cursor);
      PopUpMenu(cursor.x, cursor.y);
    }
    return 0;
  }
  if (message == WM_MENUCOMMAND &&
      FMenu.MenuCommand(reinterpret_cast<HMENU>(lParam), static_cast<UINT>(wParam)))
    return 0;
  if (message == FTaskbarCreated && FTaskbarCreated != 0) {
    FAdded = false;
    if (FShown) FAdded = Add();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace zel
