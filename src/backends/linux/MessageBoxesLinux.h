#pragma once
#include "platform/MessageBoxes.h"

namespace zel {

// GtkMessageDialog, modal, without a parent window: the start-up messages
// appear before any window of the application exists. Without a display the
// message goes to the standard error stream and the result is "cancel".
class TLinuxMessageBoxes : public IMessageBoxes {
 public:
  int Show(const std::string& text, TMessageKind kind, TButtonSet buttons,
           const std::vector<std::string>& buttonCaptions, const std::string& caption) override;
};

}  // namespace zel
