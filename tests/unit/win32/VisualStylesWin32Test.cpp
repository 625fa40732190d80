// Themes on Win32: what the host paints takes the palette's colours and
// gives them back to the system.
#include <gtest/gtest.h>

#include "Win32TestSupport.h"
#include "backends/win32/VisualStylesWin32.h"
#include "backends/win32/Win32.h"
#include "backends/win32/WindowWin32.h"

namespace zel {
namespace {

TThemePalette Palette() {
  TThemePalette palette;
  palette.Name = "Test Night";
  palette.TitleBar = palette.TitleBarEnd = "#102030";
  palette.TitleText = "#ffffff";
  palette.Frame = "#405060";
  palette.Face = "#203040";
  palette.Text = "#e0e0e0";
  palette.Accent = "#ff8000";
  palette.Field = "#000000";
  palette.FieldText = "#ffffff";
  return palette;
}

COLORREF PixelOf(HWND window, int x, int y) {
  RedrawWindow(window, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW);
  test::Pump(50);
  HDC dc = GetDC(window);
  const COLORREF color = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return color;
}

TEST(VisualStylesWin32Test, ColoursParseOnlyAsHashAndSixDigits) {
  EXPECT_EQ(ColorRefOf("#ff8000"), RGB(255, 128, 0));
  EXPECT_EQ(ColorRefOf("#A0b0C0"), RGB(0xA0, 0xB0, 0xC0));
  for (const char* bad : {"", "ff8000", "#ff800", "#ff80000", "#gg8000", "red"})
    EXPECT_EQ(ColorRefOf(bad), std::nullopt) << bad;
}

TEST(VisualStylesWin32Test, APaletteColoursWhatTheHostPaintsAndNullGivesTheSystemsBack) {
  TWin32VisualStyles styles;
  EXPECT_EQ(styles.ActiveStyle(), "Windows");
  TWin32Window window;
  window.SetBounds({50, 50, 400, 300});
  window.Show();
  window.SetProgressBarVisible(true);
  auto content = static_cast<HWND>(window.ContentHandle());
  EXPECT_EQ(PixelOf(content, 5, 5), GetSysColor(COLOR_BTNFACE));

  const TThemePalette palette = Palette();
  styles.Apply(&palette);
  EXPECT_EQ(styles.ActiveStyle(), "Test Night");
  EXPECT_EQ(PixelOf(content, 5, 5), RGB(0x20, 0x30, 0x40)) << "the face, on a window shown already";
  // The progress bar's sliding block is the accent on the face.
  bool accentSeen = false;
  HWND bar = window.ProgressBarHandle();
  for (int step = 0; step < 20 && !accentSeen; ++step) {
    test::Pump(60);
    RECT rect{};
    GetClientRect(bar, &rect);
    HDC dc = GetDC(bar);
    for (int x = 0; x < rect.right && !accentSeen; x += 4)
      accentSeen = GetPixel(dc, x, 1) == RGB(255, 128, 0);
    ReleaseDC(bar, dc);
  }
  EXPECT_TRUE(accentSeen);
  styles.Apply(nullptr);
  EXPECT_EQ(styles.ActiveStyle(), "Windows");
  EXPECT_EQ(PixelOf(content, 5, 5), GetSysColor(COLOR_BTNFACE));
}

}  // namespace
}  // namespace zel
