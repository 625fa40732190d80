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

}  // namespace zel
