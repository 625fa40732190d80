#include "core/Colors.h"

#include <array>

namespace zel {
namespace {

// The classic desktop's default system colours, indexes 0 to 30.
constexpr std::array<TRgbColor, 31> DefaultSystemColors = {{
    {200, 200, 200},  //  0 scroll bar
    {0, 0, 0},        //  1 desktop
    {153, 180, 209},  //  2 active caption
    {191, 205, 219},  //  3 inactive caption
    {240, 240, 240},  //  4 menu
    {255, 255, 255},  //  5 window
    {100, 100, 100},  //  6 window frame
    {0, 0, 0},        //  7 menu text
    {0, 0, 0},        //  8 window text
    {0, 0, 0},        //  9 caption text
    {180, 180, 180},  // 10 active border
    {244, 247, 252},  // 11 inactive border
    {171, 171, 171},  // 12 application workspace
    {0, 120, 215},    // 13 highlight
    {255, 255, 255},  // 14 highlight text
    {240, 240, 240},  // 15 button face
    {160, 160, 160},  // 16 button shadow
    {109, 109, 109},  // 17 grey text
    {0, 0, 0},        // 18 button text
    {0, 0, 0},        // 19 inactive caption text
    {255, 255, 255},  // 20 button highlight
    {105, 105, 105},  // 21 dark 3D shadow
    {227, 227, 227},  // 22 3D light
    {0, 0, 0},        // 23 tooltip text
    {255, 255, 225},  // 24 tooltip background
    {0, 0, 0},        // 25 unused
    {0, 102, 204},    // 26 hot track
    {185, 209, 234},  // 27 active caption gradient
    {215, 228, 242},  // 28 inactive caption gradient
    {51, 153, 255},   // 29 menu highlight
    {240, 240, 240},  // 30 menu bar
}};

}  // namespace

std::optional<int> SystemColorIndex(std::int32_t color) {
  const auto bits = static_cast<std::uint32_t>(color);
  if ((bits & 0xFF000000u) != 0xFF000000u) return std::nullopt;
  return static_cast<int>(bits & 0xFFu);
}

TRgbColor DefaultSystemColor(int index) {
  if (index < 0 || index >= static_cast<int>(DefaultSystemColors.size())) return {};
  return DefaultSystemColors[static_cast<std::size_t>(index)];
}

TRgbColor ColorToRgb(std::int32_t color, const TSystemColorSource& systemColors) {
  if (const auto index = SystemColorIndex(color)) {
    if (systemColors) {
      if (const auto own = systemColors(*index)) return *own;
    }
    return DefaultSystemColor(*index);
  }
  const auto bits = static_cast<std::uint32_t>(color);
  return {static_cast<std::uint8_t>(bits & 0xFF), static_cast<std::uint8_t>((bits >> 8) & 0xFF),
          static_cast<std::uint8_t>((bits >> 16) & 0xFF)};
}

}  // namespace zel
