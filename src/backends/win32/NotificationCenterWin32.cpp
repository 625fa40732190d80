#include "backends/win32/NotificationCenterWin32.h"

#include <shellapi.h>

#include <span>

#include "backends/win32/MenuImagesWin32.h"
#include "backends/win32/WideTextWin32.h"

namespace zel {
namespace {

constexpr UINT AnswerMessage = WM_APP + 2;

template <std::size_t N>
void CopyText(wchar_t (&target)[N], const std::string& text) {
  // Cut to the field's size; the shell shows no more.
  lstrcpynW(target, WideOf(text).c_str(), static_cast<int>(N));
}

}  // namespace

TWin32NotificationCenter::TWin32NotificationCenter(const TNotificationSender& sender)
    : FAppName(WideOf(sender.AppName)) {
  TWin32WindowParams params;
  params.ClassName = L"ZelNotifications";
  params.Style = WS_POPUP;  // never shown: it hears the balloon's events
  params.Left = params.Top = params.Width = params.Height = 0;
  FWindow = Win32Toolkit::CreateTargetWindow(params, this);
  if (!sender.Icon.empty()) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(sender.Icon.data());
    if (const auto image = DecodeMenuImage(std::span(bytes, sender.Icon.size())))
      FIcon = NewIconOfImage(*image, Win32Toolkit::Scale(nullptr, 32));
  }
}

TWin32NotificationCenter::~TWin32NotificationCenter() {
  FAnswers.clear();  // dropped, as promised
  RemoveIcon();
  DestroyWindow(FWindow);
  if (FIcon) DestroyIcon(FIcon);
}

void TWin32NotificationCenter::Present(const TNotification& notification,
                                       TOnPresented onPresented) {
  NOTIFYICONDATAW data = Win32Toolkit::NotifyIconOf(FWindow, IconId);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
  data.uCallbackMessage = CallbackMessage;
  data.hIcon = FIcon ? FIcon : Win32Toolkit::ProgramIcon();
  lstrcpynW(data.szTip, FAppName.c_str(), static_cast<int>(std::size(data.szTip)));
  // A balloon without text does not show: a title alone becomes the text.
  const bool both = !notification.Title.empty() && !notification.Body.empty();
  CopyText(data.szInfoTitle, both ? notification.Title : std::string());
  CopyText(data.szInfo,
           both ? notification.Body
                : (notification.Title.empty() ? notification.Body : notification.Title));
  if (data.szInfo[0] == L'\0') lstrcpynW(data.szInfo, L" ", 2);
  data.dwInfoFlags = FIcon ? NIIF_USER | NIIF_LARGE_ICON : NIIF_INFO;
  data.hBalloonIcon = FIcon;
  bool presented = false;
  if (FAdded) presented = Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
  if (!presented) {
    FAdded = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
    if (FAdded) {
      data.uVersion = NOTIFYICON_VERSION_4;
      Shell_NotifyIconW(NIM_SETVERSION, &data);
    }
    presented = FAdded;
  }
  if (presented) FShownName = notification.Name;
  // Answered from the loop, as the desktop's answer would be.
  if (onPresented) {
    FAnswers.push_back([onPresented, presented] { onPresented(presented); });
    PostMessageW(FWindow, AnswerMessage, 0, 0);
  }
}

void TWin32NotificationCenter::RemoveIcon() {
  if (!FAdded) return;
  NOTIFYICONDATAW data = Win32Toolkit::NotifyIconOf(FWindow, IconId);
  Shell_NotifyIconW(NIM_DELETE, &data);
  FAdded = false;
  FShownName.clear();
}

LRESULT TWin32NotificationCenter::HandleMessage(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
  if (message == AnswerMessage) {
    if (!FAnswers.empty()) {
      auto answer = std::move(FAnswers.front());
      FAnswers.pop_front();
      answer();
    }
    return 0;
  }
  if (message == CallbackMessage) {
    // The event is the low word in both layouts of the shell's events.
    switch (LOWORD(lParam)) {
      case NIN_BALLOONUSERCLICK: {
        if (!FAdded) return 0;  // a late event of a balloon already gone
        const std::string name = FShownName;
        RemoveIcon();
        // The handler may destroy this object: call a copy, touch nothing after.
        const auto handler = FOnClick;
        if (handler) handler(name);
        return 0;
      }
      case NIN_BALLOONTIMEOUT:
      case NIN_BALLOONHIDE:
        RemoveIcon();
        return 0;
      default:
        return 0;
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace zel
