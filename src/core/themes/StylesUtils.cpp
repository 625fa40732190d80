#include "core/themes/StylesUtils.h"

#include <algorithm>

#include "core/text/CaseFold.h"
#include "core/themes/ThemePalettes.h"
#include "platform/Platform.h"

namespace zel {

std::string TStylesUtils::GetActiveTheme(IVisualStyles& styles) { return styles.ActiveStyle(); }

void TStylesUtils::GetAvailables(std::vector<std::string>& themesList, bool sorted) {
  themesList.clear();
  themesList.emplace_back(SystemStyleName);
  for (const TThemePalette& palette : ThemePalettes()) themesList.push_back(palette.Name);
  if (!sorted) return;
  std::stable_sort(
      themesList.begin(), themesList.end(),
      [](const std::string& a, const std::string& b) { return FoldCase(a) < FoldCase(b); });
}

bool TStylesUtils::TrySetStyle(IPlatform& platform, const std::string& themeName, bool showError) {
  IVisualStyles& styles = platform.VisualStyles();
  if (SameTextIgnoringCase(themeName, SystemStyleName)) {
    if (styles.ActiveStyle() != SystemStyleName) styles.Apply(nullptr);
    return true;
  }
  for (const TThemePalette& palette : ThemePalettes()) {
    if (!SameTextIgnoringCase(themeName, palette.Name)) continue;
    if (styles.ActiveStyle() != palette.Name) styles.Apply(&palette);
    return true;
  }
  if (showError) {
    platform.MessageBoxes().Show("Style '" + themeName + "' not found", TMessageKind::Error,
                                 TButtonSet::Close, {}, "Error");
  }
  return false;
}

}  // namespace zel
