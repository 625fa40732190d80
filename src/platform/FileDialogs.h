#pragma once
// The platform's dialogs for choosing a file to open, a file name to save to
// and a folder.
#include <optional>
#include <string>
#include <vector>

namespace zel {

enum class TFileDialogKind { Open, Save, Folder };

// One entry of a dialog's file type list.
struct TFileFilter {
  std::string Name;     // shown to the user
  std::string Pattern;  // one mask, e.g. "*.txt"; "*.*" means every file
  bool operator==(const TFileFilter&) const = default;
};

struct TFileDialogOptions {
  TFileDialogKind Kind = TFileDialogKind::Open;
  // Empty: the platform's own title.
  std::string Title;
  // Initial text of the file-name box (Open and Save).
  std::string FileName;
  // In order; the first one is preselected. None: every file is shown.
  std::vector<TFileFilter> Filters;
  // Save only: ask before an existing file is chosen.
  bool OverwritePrompt = false;
};

class IFileDialogs {
 public:
  virtual ~IFileDialogs() = default;
  // Shows a modal dialog owned by the active window and returns the chosen
  // file's or folder's full path, or nothing when the user cancels. No
  // extension is added to a typed name. Throws when the dialog cannot be shown.
  virtual std::optional<std::string> Show(const TFileDialogOptions& options) = 0;
};

}  // namespace zel
