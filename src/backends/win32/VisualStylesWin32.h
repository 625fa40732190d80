#pragma once
// Themes on Win32. Windows draws most of a window itself, so a palette
// reaches what Win32 lets a program colour:
// - the title bar and border of every window the host shows (caption,
//   caption text and border colours of the desktop window manager, Windows
//   11 and later; earlier systems keep their own frame),
// - the client areas the host paints: the main window's background, the
//   progress bar (accent on face), the password prompt (face, its edit in
//   the field colours).
// The menu bar and pop-up menus, message boxes and file dialogs keep the
// system's look: Windows draws them and offers no text colours short of
// drawing every item by hand (a menu bar's background alone could change,
// and a dark one would hide the system's black item text). The busy window
// has colours of its own settings; the web view's content is drawn by the
// engine.
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "backends/win32/Win32.h"
#include "core/Subscribers.h"
#include "platform/VisualStyles.h"

namespace zel {

// The host's style, one per process.
class TWin32HostStyle {
 public:
  static TWin32HostStyle& Instance();

  // The palette in force; null for the system's own look.
  const TThemePalette* Active() const { return FActive ? &*FActive : nullptr; }
  void Apply(const TThemePalette* palette);

  // Called after every change; the returned number ends the subscription.
  int Subscribe(std::function<void()> handler) {
    return FSubscribers.Subscribe(std::move(handler));
  }
  void Unsubscribe(int subscription) { FSubscribers.Unsubscribe(subscription); }

  // The active palette's colour of `member`, or the system colour `systemIndex`.
  COLORREF Color(std::string TThemePalette::*member, int systemIndex) const;
  // A brush of that colour, owned here and valid until the next change.
  HBRUSH Brush(std::string TThemePalette::*member, int systemIndex);

  // Gives the window's title bar and border the palette's colours, or the
  // system's back.
  void ThemeFrame(HWND window) const;

 private:
  TWin32HostStyle() = default;
  void ReleaseBrushes();

  std::optional<TThemePalette> FActive;
  TSubscribers FSubscribers;
  std::map<COLORREF, HBRUSH> FBrushes;
};

// "#rrggbb" as a COLORREF; none for anything else.
std::optional<COLORREF> ColorRefOf(const std::string& text);

class TWin32VisualStyles : public IVisualStyles {
 public:
  std::string ActiveStyle() override;
  void Apply(const TThemePalette* palette) override;
};

}  // namespace zel
