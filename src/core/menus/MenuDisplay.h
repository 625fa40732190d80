#pragma once
// How one level of a menu is shown: each item gets an access key where one
// is free, and separator lines are tidied. Both menus (the menu bar and the
// tray's pop-up menu) are shown this way, whatever draws them.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Menus.h"

namespace zel {

// The caption that makes an item a separator line.
inline constexpr std::string_view MenuSeparatorCaption = "-";
// Longer captions are shown cut, ending in "…": no screen is wide enough
// for more, and laying out megabytes of text would stall the menu.
inline constexpr std::size_t MaxShownCaptionLength = 256;

struct TMenuEntryLayout {
  bool Separator = false;
  // False for a separator that would stand first or last in its level, or
  // right after another shown separator.
  bool Shown = true;
  // The caption without its "&" marks, cut to MaxShownCaptionLength
  // characters.
  std::string Text;
  // Byte offset in Text of the access key's character; npos for none.
  std::size_t AccessKey = std::string::npos;
};

// Lays out `items`, one level of a menu. An item keeps the access key its
// caption marks with "&" when no earlier item of the level has taken it;
// the others get the first character of their caption that is still free,
// from the digits and the letters A to Z (letter case ignored).
std::vector<TMenuEntryLayout> LayOutMenuLevel(std::span<const TMenuItem> items);

// Text with "_" before the access key and every other "_" doubled: the
// label form of GTK and of menus exported over D-Bus.
std::string UnderscoreLabel(const TMenuEntryLayout& entry);

}  // namespace zel
