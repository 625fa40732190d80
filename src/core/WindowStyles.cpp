#include "core/WindowStyles.h"

#include <array>

namespace zel {
namespace {

constexpr std::array<std::string_view, 6> BorderNames = {"none", "single", "sizeable",
                                                         "dialog", "toolwindow", "sizetoolwindow"};

}  // namespace

std::string_view BorderStyleName(TBorderStyle style) { return BorderNames.at(static_cast<std::size_t>(style)); }

std::optional<TBorderStyle> BorderStyleFromName(std::string_view name) {
  for (std::size_t i = 0; i < BorderNames.size(); ++i) {
    if (BorderNames[i] == name) return static_cast<TBorderStyle>(i);
  }
  return std::nullopt;
}

TBorderStyle BorderStyleFromSetting(int value) {
  return value >= 0 && value <= 5 ? static_cast<TBorderStyle>(value) : TBorderStyle::Sizeable;
}

std::string_view WindowStateName(TWindowState state) {
  switch (state) {
    case TWindowState::Minimized: return "minimized";
    case TWindowState::Maximized: return "maximized";
    default: return "normal";
  }
}

}  // namespace zel
