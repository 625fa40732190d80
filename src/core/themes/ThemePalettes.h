#pragma once
// The themes compiled into the runtime: one data file each under
// resources/themes/, read once.
#include <span>
#include <string_view>
#include <vector>

#include "core/Error.h"
#include "platform/VisualStyles.h"

namespace zel {

class EThemeFileError : public EError {
 public:
  using EError::EError;
};

// Reads one theme file: section [Theme] with Name, the colours of
// TThemePalette as "#rrggbb", Radius and FrameWidth (0 to 16). Throws
// EThemeFileError naming what is missing or wrong.
TThemePalette ParseThemePalette(std::string_view text);

// Every compiled-in theme, in the order of their files.
const std::vector<TThemePalette>& ThemePalettes();

}  // namespace zel
