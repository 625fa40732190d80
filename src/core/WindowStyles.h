#pragma once
// Names and setting values of the main window's borders and states.
#include <optional>
#include <string_view>

#include "platform/Window.h"

namespace zel {

// "none", "single", "sizeable", "dialog", "toolwindow", "sizetoolwindow".
std::string_view BorderStyleName(TBorderStyle style);
std::optional<TBorderStyle> BorderStyleFromName(std::string_view name);
// The setting WindowBorder: 0 to 5; other values give the default, sizeable.
TBorderStyle BorderStyleFromSetting(int value);

// "normal", "minimized", "maximized".
std::string_view WindowStateName(TWindowState state);

// The border and state a window has outside full screen.
struct TWindowLook {
  TBorderStyle BorderStyle = TBorderStyle::Sizeable;
  TWindowState State = TWindowState::Normal;
};

// Full screen: no border, maximized, and the window manager's full-screen
// state, which covers the whole monitor (maximized alone stays inside the
// panels). Returns the look the window had.
TWindowLook EnterFullScreen(IWindow& window);
// Leaves full screen for `look`; the window manager gives back the size and
// place from before.
void LeaveFullScreen(IWindow& window, const TWindowLook& look);

}  // namespace zel
