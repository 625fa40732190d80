#pragma once
// Themes on GTK: the active palette becomes one style sheet for the whole
// screen (every window the process draws: menu bar, progress bar, message
// boxes, prompts), and windows that want a title bar of the theme's colours
// follow the change. Pop-up menus and tooltips keep the desktop's look; the
// web view's content is drawn by the engine and never changes.
#include <gtk/gtk.h>

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "core/Subscribers.h"
#include "platform/VisualStyles.h"

namespace zel {

// The host's style, one per process as GTK's screen styling is.
class TLinuxHostStyle {
 public:
  static TLinuxHostStyle& Instance();

  // The palette in force; null for the desktop's own look.
  const TThemePalette* Active() const { return FActive ? &*FActive : nullptr; }
  void Apply(const TThemePalette* palette);

  // Called after every change; the returned number ends the subscription.
  int Subscribe(std::function<void()> handler) {
    return FSubscribers.Subscribe(std::move(handler));
  }
  void Unsubscribe(int subscription) { FSubscribers.Unsubscribe(subscription); }

  // Gives a window the host shows besides the main window (a message box, a
  // prompt) the active theme's title bar. Call before the window is shown;
  // under the desktop's look it changes nothing.
  void ThemeHostWindow(GtkWindow* window);

  // A header bar in the theme's colours with the window's buttons that
  // `decorationLayout` names (GTK's "menu:minimize,maximize,close" form).
  static GtkWidget* NewTitleBar(const char* decorationLayout);

  // Style classes the style sheet knows.
  static constexpr const char* HostWindowClass = "zel-host";
  static constexpr const char* MainWindowClass = "zel-main";
  static constexpr const char* TitleBarClass = "zel-titlebar";
  static constexpr const char* ToolTitleBarClass = "zel-tool";
  static constexpr const char* FramedWindowClass = "zel-framed";

 private:
  TLinuxHostStyle() = default;
  // Loads the style sheet for the active palette into the screen's provider.
  void LoadStyleSheet();

  std::optional<TThemePalette> FActive;
  GtkCssProvider* FProvider = nullptr;
  TSubscribers FSubscribers;
};

// The style sheet of a palette.
std::string StyleSheetOf(const TThemePalette& palette);

class TLinuxVisualStyles : public IVisualStyles {
 public:
  std::string ActiveStyle() override;
  void Apply(const TThemePalette* palette) override;
};

}  // namespace zel
