#pragma once
// The look of the windows the host draws: the system's own, or a palette of
// ours applied to every one of them at once.
#include <string>
#include <string_view>

namespace zel {

// The name of the system's own look.
inline constexpr std::string_view SystemStyleName = "Windows";

// A theme's palette. Colours are "#rrggbb"; sizes are pixels.
struct TThemePalette {
  std::string Name;
  std::string TitleBar;     // title bar background, top of its gradient
  std::string TitleBarEnd;  // bottom of the gradient (TitleBar for a flat bar)
  std::string TitleText;
  std::string Frame;  // the window's border
  std::string Face;   // windows, dialogs and the menu bar
  std::string Text;
  std::string Button;
  std::string ButtonText;
  std::string Accent;  // progress, selection, the default button
  std::string AccentText;
  std::string Field;  // text boxes
  std::string FieldText;
  int Radius = 0;      // corners of buttons and text boxes
  int FrameWidth = 1;  // the window's border
  bool operator==(const TThemePalette&) const = default;
};

class IVisualStyles {
 public:
  virtual ~IVisualStyles() = default;
  // The active style's name: SystemStyleName until a palette is applied.
  virtual std::string ActiveStyle() = 0;
  // Makes `palette` the look of every window the host draws, those shown
  // already included; null gives back the system's own look.
  virtual void Apply(const TThemePalette* palette) = 0;
};

}  // namespace zel
