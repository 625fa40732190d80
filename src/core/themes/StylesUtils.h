#pragma once
// The visual themes: the system's own look ("Windows") and the palettes
// compiled in (ThemePalettes), one of them active, over the platform's
// visual styles.
#include <string>
#include <vector>

namespace zel {

class IPlatform;
class IVisualStyles;

class TStylesUtils {
 public:
  // The active theme's name.
  static std::string GetActiveTheme(IVisualStyles& styles);
  // Replaces `themesList` with every theme's name, "Windows" first; sorted
  // without regard to letter case when `sorted`.
  static void GetAvailables(std::vector<std::string>& themesList, bool sorted);
  // Makes the theme `themeName` active, its name matched without regard to
  // letter case; true when one matched. When none does the active theme
  // stays and, with `showError`, "Style '<name>' not found" is shown.
  static bool TrySetStyle(IPlatform& platform, const std::string& themeName, bool showError);
};

}  // namespace zel
