#pragma once
#include "platform/StartupWindows.h"

namespace zel {

// GTK windows built from ordinary widgets with names and style classes that
// a theme can address: the prompt is the window "zel-password-prompt" with
// the entry "zel-password-edit".
class TLinuxStartupWindows : public IStartupWindows {
 public:
  std::unique_ptr<IPasswordPrompt> CreatePasswordPrompt(
      const TPasswordPromptLayout& layout) override;
};

}  // namespace zel
