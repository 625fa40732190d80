#pragma once
// The busy window shown while the web engine installs: a small borderless
// square with an activity indicator, which the user cannot close.
#include <cstdint>
#include <memory>

#include "platform/StartupWindows.h"

namespace zel {

class TEdgeInstallerForm {
 public:
  // 80 by 80 pixels, the indicator's 64-pixel square at (9, 8).
  static constexpr TBusyWindowLayout Layout{80, 80, 9, 8, 64};
  // System colour 26, the hot-track colour.
  static constexpr std::int32_t DefaultColor = static_cast<std::int32_t>(0xFF00001A);

  explicit TEdgeInstallerForm(IStartupWindows& windows);

  // A colour setting (0x00BBGGRR, or 0xFF000000 plus a system colour index).
  void SetColor(std::int32_t color) { FWindow->SetColor(color); }
  // 0 black, 1 white; other values white.
  void SetIndicatorColor(int value);
  // 0 momentum dots, 1 rotating sector, 2 sector ring; other values
  // momentum dots.
  void SetIndicatorType(int value);
  void Show() { FWindow->Show(); }

  // Every attempt to close the window is refused: it goes with the process.
  bool FormCloseQuery() { return false; }

 private:
  std::unique_ptr<IBusyWindow> FWindow;
};

}  // namespace zel
