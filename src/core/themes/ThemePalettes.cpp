#include "core/themes/ThemePalettes.h"

#include <span>
#include <string>

#include "core/settings/ProjectIni.h"

namespace zel {
namespace resources {
extern const std::span<const std::string_view> ThemeFiles;
}

namespace {

constexpr std::string_view Section = "Theme";
constexpr int MaxPixels = 16;

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Colours go into style sheets as they stand: only "#rrggbb" is accepted.
std::string ReadColour(const TProjectINI& file, const std::string& name, std::string_view key) {
  const std::string value = file.ReadString(Section, key, "");
  bool valid = value.size() == 7 && value[0] == '#';
  for (std::size_t i = 1; valid && i < value.size(); ++i) valid = IsHexDigit(value[i]);
  if (!valid) {
    throw EThemeFileError("Theme '" + name + "': " + std::string(key) +
                          " must be a colour written #rrggbb, not '" + value + "'.");
  }
  return value;
}

int ReadPixels(const TProjectINI& file, const std::string& name, std::string_view key) {
  const std::int32_t value = file.ReadInteger(Section, key, -1);
  if (value < 0 || value > MaxPixels) {
    throw EThemeFileError("Theme '" + name + "': " + std::string(key) + " must be 0 to " +
                          std::to_string(MaxPixels) + " pixels.");
  }
  return value;
}

}  // namespace

TThemePalette ParseThemePalette(std::string_view text) {
  TProjectINI file;
  file.LoadFromText(text);
  TThemePalette palette;
  palette.Name = file.ReadString(Section, "Name", "");
  if (palette.Name.empty()) throw EThemeFileError("A theme file has no Name in section [Theme].");
  const std::string& name = palette.Name;
  palette.TitleBar = ReadColour(file, name, "TitleBar");
  palette.TitleBarEnd = ReadColour(file, name, "TitleBarEnd");
  palette.TitleText = ReadColour(file, name, "TitleText");
  palette.Frame = ReadColour(file, name, "Frame");
  palette.Face = ReadColour(file, name, "Face");
  palette.Text = ReadColour(file, name, "Text");
  palette.Button = ReadColour(file, name, "Button");
  palette.ButtonText = ReadColour(file, name, "ButtonText");
  palette.Accent = ReadColour(file, name, "Accent");
  palette.AccentText = ReadColour(file, name, "AccentText");
  palette.Field = ReadColour(file, name, "Field");
  palette.FieldText = ReadColour(file, name, "FieldText");
  palette.Radius = ReadPixels(file, name, "Radius");
  palette.FrameWidth = ReadPixels(file, name, "FrameWidth");
  return palette;
}

const std::vector<TThemePalette>& ThemePalettes() {
  // The files are part of the build: a broken one fails the unit tests.
  static const std::vector<TThemePalette> palettes = [] {
    std::vector<TThemePalette> result;
    for (std::string_view file : resources::ThemeFiles) result.push_back(ParseThemePalette(file));
    return result;
  }();
  return palettes;
}

}  // namespace zel
