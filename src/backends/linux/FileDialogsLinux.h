#pragma once
#include <string>

#include "platform/FileDialogs.h"

namespace zel {

// GTK's file chooser through GtkFileChooserNative, which uses the desktop's
// file chooser portal where the desktop offers one and a GTK dialog elsewhere.
class TLinuxFileDialogs : public IFileDialogs {
 public:
  // Throws EError when no display can be opened.
  std::optional<std::string> Show(const TFileDialogOptions& options) override;

  // A mask of the file type list as a GTK pattern: masks match every file
  // name letter case, as they do on Windows, and "*.*" means every file.
  static std::string GlobOfMask(const std::string& mask);

 private:
  // The folder dialog opens where the previous choice was made.
  std::string FLastFolder;
};

}  // namespace zel
