#pragma once
// The password prompt of start-up: the application opens only once the
// user has typed its password exactly.
#include <memory>
#include <string>

#include "platform/StartupWindows.h"

namespace zel {

class TRequirePasswordForm {
 public:
  // The prompt's design: 308 by 71 pixels of client area, the edit at
  // (24, 24), 257 by 21 pixels.
  static constexpr TPasswordPromptLayout Layout{308, 71, 24, 24, 257, 21};

  explicit TRequirePasswordForm(IStartupWindows& windows);

  void SetCaption(const std::string& caption) { FWindow->SetCaption(caption); }
  const std::string& Password() const { return FPassword; }
  void SetPassword(const std::string& password) { FPassword = password; }

  // Shows the prompt until the password is typed (ModalResultOk) or the
  // prompt is closed (ModalResultCancel).
  int ShowModal() { return FWindow->ShowModal(); }

  void FormCreate();
  // Every key release in the edit: the text that equals the password exactly
  // closes the prompt; any other text changes nothing, however often tried.
  void PasswordEditKeyUp();

 private:
  std::unique_ptr<IPasswordPrompt> FWindow;
  std::string FPassword;
};

}  // namespace zel
