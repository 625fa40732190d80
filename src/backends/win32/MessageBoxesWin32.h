#pragma once
#include "platform/MessageBoxes.h"

namespace zel {

// Windows' own message box (MessageBoxW), task modal and above other
// windows. Sets Windows has no box for (Yes, Yes and Cancel, Close) use
// OK and Cancel boxes whose OK button is captioned for them; one-button sets
// keep a hidden Cancel button so that Escape and the close box still answer
// "cancel" (Windows' one-button box answers its button to both). Replaced
// captions are set on the buttons before the box shows.
class TWin32MessageBoxes : public IMessageBoxes {
 public:
  int Show(const std::string& text, TMessageKind kind, TButtonSet buttons,
           const std::vector<std::string>& buttonCaptions, const std::string& caption) override;
};

}  // namespace zel
