#pragma once
#include "platform/StartupWindows.h"

namespace zel {

// GTK windows built from ordinary widgets with names and style classes that
// a theme can address: the prompt is the window "zel-password-prompt" with
// the entry "zel-password-edit", the busy window "zel-busy-window". The busy
// window's colours are the settings' (an accent system colour is the
// theme's selection colour).
class TLinuxStartupWindows : public IStartupWindows {
 public:
  std::unique_ptr<IPasswordPrompt> CreatePasswordPrompt(
      const TPasswordPromptLayout& layout) override;
  std::unique_ptr<IBusyWindow> CreateBusyWindow(const TBusyWindowLayout& layout) override;
};

}  // namespace zel
