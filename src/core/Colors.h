#pragma once
// Colour settings: 0x00BBGGRR, or 0xFF000000 plus the index of a system
// colour (the form that settings such as InstallFormColor take).
#include <cstdint>
#include <functional>
#include <optional>

namespace zel {

struct TRgbColor {
  std::uint8_t Red = 0;
  std::uint8_t Green = 0;
  std::uint8_t Blue = 0;
  bool operator==(const TRgbColor&) const = default;
};

// System colours that stand for the desktop's accent (selection, hot track).
inline constexpr int SystemColorHighlight = 13;
inline constexpr int SystemColorHotLight = 26;
inline constexpr int SystemColorMenuHighlight = 29;

// The system colour index that `color` names, if it names one.
std::optional<int> SystemColorIndex(std::int32_t color);

// A system colour as the classic desktop shows it by default; black for an
// index it does not know.
TRgbColor DefaultSystemColor(int index);

// Answers a system colour from the desktop's own look, or nothing to take
// the default.
using TSystemColorSource = std::function<std::optional<TRgbColor>(int index)>;

// `color` in red, green and blue. A value with a high byte other than 0x00
// and 0xFF keeps its low three bytes.
TRgbColor ColorToRgb(std::int32_t color, const TSystemColorSource& systemColors = {});

}  // namespace zel
