#pragma once
// The tray icon on Windows: an icon in the notification area
// (Shell_NotifyIconW, version 4 where the shell has it), owned by a hidden
// window that receives its events. A left click (or Enter on the icon)
// reports a click; the right button or the menu key pops the menu up at the
// icon. The icon is added again when the task bar comes back (Explorer
// restarted); without a task bar it is not visible, and nothing fails.
#include <functional>
#include <string>

#include "backends/win32/MenuViewWin32.h"
#include "backends/win32/ToolkitWin32.h"
#include "platform/Menus.h"

namespace zel {

class TWin32TrayIcon : public ITrayIcon, private TWin32MessageTarget {
 public:
  explicit TWin32TrayIcon(const std::string& title);
  ~TWin32TrayIcon() override;
  TWin32TrayIcon(const TWin32TrayIcon&) = delete;
  TWin32TrayIcon& operator=(const TWin32TrayIcon&) = delete;

  void SetShown(bool shown) override;
  bool Visible() override { return FShown && FAdded; }
  IMenuView& Menu() override { return FMenu; }
  void SetOnClick(std::function<void()> handler) override { FOnClick = std::move(handler); }

  // The window that receives the icon's events (its callback message is
  // CallbackMessage), and the pop-up menu.
  HWND Handle() const { return FWindow; }
  HMENU MenuHandle() const { return FMenu.Handle(); }
  static constexpr UINT CallbackMessage = WM_APP + 1;
  static constexpr UINT IconId = 1;

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Adds the icon to the notification area; false when there is none.
  bool Add();
  void Remove();
  void PopUpMenu(int x, int y);
  void Click();

  std::wstring FTitle;
  HWND FWindow = nullptr;
  TWin32MenuView FMenu;
  UINT FTaskbarCreated = 0;
  bool FShown = false;
  bool FAdded = false;
  bool FVersion4 = false;  // events in the layout of NOTIFYICON_VERSION_4
  std::function<void()> FOnClick;
};

}  // namespace zel
