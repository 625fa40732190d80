#include "backends/win32/FileDialogsWin32.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <filesystem>
#include <vector>

#include "backends/win32/ComWin32.h"
#include "backends/win32/WideTextWin32.h"
#include "core/Error.h"

namespace zel {
namespace {

// The window the user works in: the active window of this thread, else the
// first visible top-level window of the process.
HWND OwnerWindow() {
  if (HWND active = GetActiveWindow()) return active;
  struct TSearch {
    DWORD Process = GetCurrentProcessId();
    HWND Found = nullptr;
  } search;
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* search = reinterpret_cast<TSearch*>(data);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process != search->Process || !IsWindowVisible(window) || GetWindow(window, GW_OWNER))
          return TRUE;
        search->Found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

void Check(HRESULT result, const char* what) {
  if (FAILED(result))
    throw EError(std::string("Cannot show the file dialog: ") + what + " failed (0x" + [result] {
      char hex[9];
      snprintf(hex, sizeof hex, "%08lX", static_cast<unsigned long>(result));
      return std::string(hex);
    }() + ").");
}

// The shell item of an existing folder, or none.
bool SetFolder(IFileDialog* dialog, const std::wstring& folder) {
  std::error_code error;
  if (folder.empty() || !std::filesystem::is_directory(folder, error)) return false;
  TComPtr<IShellItem> item;
  if (FAILED(SHCreateItemFromParsingName(folder.c_str(), nullptr, IID_IShellItem, item.Out())))
    return false;
  return SUCCEEDED(dialog->SetFolder(item.Get()));
}

// The initial file name: a full path opens its folder with its name in the
// name box; a bare name fills the name box.
void SetInitialName(IFileDialog* dialog, const std::string& name) {
  if (name.empty()) return;
  const std::filesystem::path path(WideOf(name));
  if (!path.is_absolute()) {
    dialog->SetFileName(path.c_str());
    return;
  }
  SetFolder(dialog, path.parent_path().wstring());
  dialog->SetFileName(path.filename().c_str());
}

}  // namespace

std::optional<std::string> TWin32FileDialogs::Show(const TFileDialogOptions& options) {
  TComScope com;
  TComPtr<IFileDialog> dialog;
  const bool save = options.Kind == TFileDialogKind::Save;
  Check(CoCreateInstance(save ? CLSID_FileSaveDialog : CLSID_FileOpenDialog, nullptr,
                         CLSCTX_INPROC_SERVER, IID_IFileDialog, dialog.Out()),
        "creating the dialog");
  FILEOPENDIALOGOPTIONS flags = 0;
  Check(dialog->GetOptions(&flags), "GetOptions");
  flags |= FOS_FORCEFILESYSTEM | FOS_NOCHANGEDIR;
  flags &= ~static_cast<FILEOPENDIALOGOPTIONS>(FOS_ALLOWMULTISELECT | FOS_OVERWRITEPROMPT);
  if (options.Kind == TFileDialogKind::Folder) flags |= FOS_PICKFOLDERS;
  if (save && options.OverwritePrompt) flags |= FOS_OVERWRITEPROMPT;
  if (options.Kind == TFileDialogKind::Open) flags |= FOS_FILEMUSTEXIST | FOS_PATHMUSTEXIST;
  Check(dialog->SetOptions(flags), "SetOptions");
  if (!options.Title.empty()) dialog->SetTitle(WideOf(options.Title).c_str());

  // Kept alive until the dialog has closed: it reads them while it shows.
  std::vector<std::wstring> names, patterns;
  if (options.Kind == TFileDialogKind::Folder) {
    SetFolder(dialog.Get(), FLastFolder);
  } else {
    SetInitialName(dialog.Get(), options.FileName);
    std::vector<COMDLG_FILTERSPEC> types;
    names.reserve(options.Filters.size());
    patterns.reserve(options.Filters.size());
    for (const TFileFilter& filter : options.Filters) {
      names.push_back(WideOf(filter.Name));
      patterns.push_back(WideOf(filter.Pattern));
      types.push_back({names.back().c_str(), patterns.back().c_str()});
    }
    if (!types.empty()) {
      Check(dialog->SetFileTypes(static_cast<UINT>(types.size()), types.data()), "SetFileTypes");
      dialog->SetFileTypeIndex(1);  // counted from 1
    }
  }

  const HRESULT shown = dialog->Show(OwnerWindow());
  if (shown == HRESULT_FROM_WIN32(ERROR_CANCELLED)) return std::nullopt;
  Check(shown, "Show");
  TComPtr<IShellItem> chosen;
  Check(dialog->GetResult(&chosen), "GetResult");
  PWSTR path = nullptr;
  Check(chosen->GetDisplayName(SIGDN_FILESYSPATH, &path), "GetDisplayName");
  std::wstring result(path);
  CoTaskMemFree(path);
  if (options.Kind == TFileDialogKind::Folder) FLastFolder = result;
  return Utf8Of(result);
}

}  // namespace zel
