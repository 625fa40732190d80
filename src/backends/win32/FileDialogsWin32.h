#pragma once
#include <string>

#include "platform/FileDialogs.h"

// First, so that the Windows headers of the implementation come after the seam.
#include "backends/win32/Win32.h"

namespace zel {

// Windows' common item dialogs (IFileOpenDialog, IFileSaveDialog; a folder
// dialog is the open dialog with FOS_PICKFOLDERS), owned by the active
// window of the process. File system paths only; no extension is added to
// a typed name; the working folder is left as it is.
class TWin32FileDialogs : public IFileDialogs {
 public:
  std::optional<std::string> Show(const TFileDialogOptions& options) override;

 private:
  std::wstring FLastFolder;  // the folder chosen last, where the next folder dialog starts
};

}  // namespace zel
