#pragma once
// The small windows that start-up may show before the main window exists,
// centred on the screen: the password prompt, and the busy window shown
// while the web engine installs.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace zel {

// Client size of the prompt and place of its edit, in pixels.
struct TPasswordPromptLayout {
  int ClientWidth = 0;
  int ClientHeight = 0;
  int EditLeft = 0;
  int EditTop = 0;
  int EditWidth = 0;
  int EditHeight = 0;
};

// A fixed dialog frame with only a close box, holding one edit that masks
// every character and shows a key image inside its left edge. No buttons.
class IPasswordPrompt {
 public:
  virtual ~IPasswordPrompt() = default;
  virtual void SetCaption(const std::string& caption) = 0;
  // The edit's whole text.
  virtual std::string EditText() = 0;
  // Called after every key release in the edit.
  virtual void SetOnEditKeyUp(std::function<void()> handler) = 0;
  // Shows the prompt and waits, running the user interface, until EndModal
  // or the close box; returns the modal result (ModalResultCancel for the
  // close box).
  virtual int ShowModal() = 0;
  // Ends ShowModal with `result` and hides the prompt.
  virtual void EndModal(int result) = 0;
};

enum class TActivityIndicatorType { MomentumDots = 0, RotatingSector = 1, SectorRing = 2 };
enum class TActivityIndicatorColor { Black = 0, White = 1 };

// Client size of the busy window and the square of its indicator, in pixels.
struct TBusyWindowLayout {
  int ClientWidth = 0;
  int ClientHeight = 0;
  int IndicatorLeft = 0;
  int IndicatorTop = 0;
  int IndicatorSize = 0;
};

// A borderless window with an animated activity indicator and the
// "application starting" cursor. It animates while the user interface runs.
class IBusyWindow {
 public:
  virtual ~IBusyWindow() = default;
  // A colour setting: 0x00BBGGRR, or 0xFF000000 plus a system colour index.
  virtual void SetColor(std::int32_t color) = 0;
  virtual void SetIndicatorColor(TActivityIndicatorColor color) = 0;
  virtual void SetIndicatorType(TActivityIndicatorType type) = 0;
  // Asked on every attempt to close the window; it closes only on true.
  virtual void SetCloseQuery(std::function<bool()> query) = 0;
  virtual void Show() = 0;
};

class IStartupWindows {
 public:
  virtual ~IStartupWindows() = default;
  virtual std::unique_ptr<IPasswordPrompt> CreatePasswordPrompt(
      const TPasswordPromptLayout& layout) = 0;
  virtual std::unique_ptr<IBusyWindow> CreateBusyWindow(const TBusyWindowLayout& layout) = 0;
};

}  // namespace zel
