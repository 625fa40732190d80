#include "backends/win32/VisualStylesWin32.h"

#include <dwmapi.h>

#include <vector>

namespace zel {
namespace {

// Attributes of the desktop window manager from Windows 11 on; earlier
// systems answer E_INVALIDARG and keep their frame.
constexpr DWORD BorderColorAttribute = 34;
constexpr DWORD CaptionColorAttribute = 35;
constexpr DWORD TextColorAttribute = 36;
constexpr COLORREF DefaultColor = 0xFFFFFFFF;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<COLORREF> ColorRefOf(const std::string& text) {
  if (text.size() != 7 || text[0] != '#') return std::nullopt;
  int channels[3];
  for (int i = 0; i < 3; ++i) {
    const int high = HexDigit(text[1 + 2 * i]), low = HexDigit(text[2 + 2 * i]);
    if (high < 0 || low < 0) return std::nullopt;
    channels[i] = high * 16 + low;
  }
  return RGB(channels[0], channels[1], channels[2]);
}

TWin32HostStyle& TWin32HostStyle::Instance() {
  static TWin32HostStyle instance;
  return instance;
}

void TWin32HostStyle::Apply(const TThemePalette* palette) {
  if (palette)
    FActive = *palette;
  else
    FActive.reset();
  ReleaseBrushes();
  FSubscribers.Notify();
}

COLORREF TWin32HostStyle::Color(std::string TThemePalette::*member, int systemIndex) const {
  if (FActive) {
    if (const auto color = ColorRefOf((*FActive).*member)) return *color;
  }
  return GetSysColor(systemIndex);
}

HBRUSH TWin32HostStyle::Brush(std::string TThemePalette::*member, int systemIndex) {
  const COLORREF color = Color(member, systemIndex);
  HBRUSH& brush = FBrushes[color];
  if (brush == nullptr) brush = CreateSolidBrush(color);
  return brush;
}

void TWin32HostStyle::ReleaseBrushes() {
  for (auto& [key, brush] : FBrushes) DeleteObject(brush);
  FBrushes.clear();
}

void TWin32HostStyle::ThemeFrame(HWND window) const {
  if (window == nullptr) return;
  auto set = [window](DWORD attribute, std::optional<COLORREF> color) {
    const COLORREF value = color.value_or(DefaultColor);
    DwmSetWindowAttribute(window, attribute, &value, sizeof value);
  };
  set(CaptionColorAttribute, FActive ? ColorRefOf(FActive->TitleBar) : std::nullopt);
  set(TextColorAttribute, FActive ? ColorRefOf(FActive->TitleText) : std::nullopt);
  set(BorderColorAttribute, FActive ? ColorRefOf(FActive->Frame) : std::nullopt);
}

std::string TWin32VisualStyles::ActiveStyle() {
  const TThemePalette* active = TWin32HostStyle::Instance().Active();
  return active ? active->Name : std::string(SystemStyleName);
}

void TWin32VisualStyles::Apply(const TThemePalette* palette) {
  TWin32HostStyle::Instance().Apply(palette);
}

}  // namespace zel
