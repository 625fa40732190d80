#pragma once
// Start-up windows in memory: the password prompt plays the user's actions
// that the test queued; both windows record what they were asked.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/StartupWindows.h"

namespace zel {

// One thing the user does while the prompt is shown.
struct TPromptAction {
  enum class TKind {
    Type,        // a key pressed and released that leaves `Text` in the edit
    PasteMouse,  // `Text` put into the edit with the mouse: no key involved
    CloseBox,    // the close box (or the window manager's close)
  };
  TKind Kind = TKind::Type;
  std::string Text;
};

// What one prompt was asked and how it ended.
struct TPromptRecord {
  TPasswordPromptLayout Layout;
  std::string Caption;
  int ShowCount = 0;
  // Actions played before the prompt ended.
  int ActionsPlayed = 0;
  int Result = 0;
  bool Visible = false;
};

// What one busy window was asked.
struct TBusyWindowRecord {
  TBusyWindowLayout Layout;
  std::int32_t Color = 0;
  TActivityIndicatorColor IndicatorColor = TActivityIndicatorColor::White;
  TActivityIndicatorType IndicatorType = TActivityIndicatorType::MomentumDots;
  bool Visible = false;
  std::function<bool()> CloseQuery;
  // Asks the close query, as the window manager's close would; true when
  // the window closed.
  bool TryClose();
};

class TFakeStartupWindows : public IStartupWindows {
 public:
  std::unique_ptr<IPasswordPrompt> CreatePasswordPrompt(
      const TPasswordPromptLayout& layout) override;
  std::unique_ptr<IBusyWindow> CreateBusyWindow(const TBusyWindowLayout& layout) override;

  // Actions for the next prompts. A prompt still open when none are left
  // ends as if its close box was used.
  void QueuePromptActions(std::vector<TPromptAction> actions);
  // Every prompt made so far, kept after the prompt is gone.
  const std::vector<std::shared_ptr<TPromptRecord>>& Prompts() const { return FPrompts; }
  // Every busy window made so far, kept after the window is gone.
  const std::vector<std::shared_ptr<TBusyWindowRecord>>& BusyWindows() const {
    return FBusyWindows;
  }

 private:
  friend class TFakePasswordPrompt;
  std::deque<TPromptAction> FActions;
  std::vector<std::shared_ptr<TPromptRecord>> FPrompts;
  std::vector<std::shared_ptr<TBusyWindowRecord>> FBusyWindows;
};

}  // namespace zel
