// Colour settings as red, green and blue.
#include <gtest/gtest.h>

#include "core/Colors.h"

namespace zel {
namespace {

TEST(ColorsTest, ColorSettingsToRgb) {
  struct TCase {
    const char* Name;
    std::uint32_t Setting;
    TRgbColor Expected;
  };
  const TCase cases[] = {
      {"red is the low byte", 0x000000FF, {255, 0, 0}},
      {"blue is the third byte", 0x00FF0000, {0, 0, 255}},
      {"a mixed colour", 0x00336699, {0x99, 0x66, 0x33}},
      {"hot track, by default", 0xFF00001A, {0, 102, 204}},
      {"button face", 0xFF00000F, {240, 240, 240}},
      {"a system colour that does not exist", 0xFF0000FF, {0, 0, 0}},
      {"another high byte keeps the low three bytes", 0x12345678, {0x78, 0x56, 0x34}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(ColorToRgb(static_cast<std::int32_t>(c.Setting)), c.Expected);
  }
}

TEST(ColorsTest, TheDesktopMayAnswerSystemColours) {
  const TSystemColorSource accentOnly = [](int index) -> std::optional<TRgbColor> {
    if (index == SystemColorHotLight) return TRgbColor{1, 2, 3};
    return std::nullopt;
  };
  EXPECT_EQ(ColorToRgb(static_cast<std::int32_t>(0xFF00001A), accentOnly), (TRgbColor{1, 2, 3}));
  EXPECT_EQ(ColorToRgb(static_cast<std::int32_t>(0xFF000005), accentOnly),
            (TRgbColor{255, 255, 255}));
  // Plain colours never ask.
  EXPECT_EQ(ColorToRgb(0x1A, accentOnly), (TRgbColor{0x1A, 0, 0}));
}

}  // namespace
}  // namespace zel
