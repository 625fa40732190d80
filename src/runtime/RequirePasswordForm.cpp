#include "runtime/RequirePasswordForm.h"

#include "platform/MessageBoxes.h"

namespace zel {

TRequirePasswordForm::TRequirePasswordForm(IStartupWindows& windows)
    : FWindow(windows.CreatePasswordPrompt(Layout)) {
  FWindow->SetOnEditKeyUp([this] { PasswordEditKeyUp(); });
  FormCreate();
}

void TRequirePasswordForm::FormCreate() { FPassword.clear(); }

void TRequirePasswordForm::PasswordEditKeyUp() {
  if (FWindow->EditText() == FPassword) FWindow->EndModal(ModalResultOk);
}

}  // namespace zel
