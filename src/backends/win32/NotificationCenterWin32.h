#pragma once
// Notifications on Windows as balloons of a notification-area icon of
// their own (Shell_NotifyIconW with NIF_INFO): the icon is added for a
// notification and taken away when its balloon closes. A notification
// presented while one shows replaces it (one balloon per icon); a click on
// the balloon reports the name of the one shown. Windows 10 and later show
// balloons as toasts of the action center. Without a notification area
// nothing is presented.
#include <deque>
#include <functional>
#include <string>

#include "backends/win32/ToolkitWin32.h"
#include "platform/SystemServices.h"

namespace zel {

class TWin32NotificationCenter : public INotificationCenter, private TWin32MessageTarget {
 public:
  explicit TWin32NotificationCenter(const TNotificationSender& sender);
  ~TWin32NotificationCenter() override;
  TWin32NotificationCenter(const TWin32NotificationCenter&) = delete;
  TWin32NotificationCenter& operator=(const TWin32NotificationCenter&) = delete;

  void Present(const TNotification& notification, TOnPresented onPresented) override;
  void SetOnClick(TOnClick handler) override { FOnClick = std::move(handler); }

  // The window that receives the icon's events (CallbackMessage).
  HWND Handle() const { return FWindow; }
  static constexpr UINT CallbackMessage = WM_APP + 1;
  static constexpr UINT IconId = 1;

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void RemoveIcon();

  std::wstring FAppName;
  HWND FWindow = nullptr;
  HICON FIcon = nullptr;  // the sender's, or none
  bool FAdded = false;
  std::string FShownName;  // the notification the balloon shows
  TOnClick FOnClick;
  std::deque<std::function<void()>> FAnswers;  // onPresented calls not yet made
};

}  // namespace zel
