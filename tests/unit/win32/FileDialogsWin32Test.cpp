// Windows' common item dialogs as the seam's file dialogs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Win32TestSupport.h"
#include "backends/win32/FileDialogsWin32.h"
#include "backends/win32/WideTextWin32.h"
#include "backends/win32/Win32.h"
#include "core/text/PathText.h"

namespace zel {
namespace {

using test::TDialogAnswer;

std::filesystem::path TestFolder() {
  auto folder = std::filesystem::temp_directory_path() / L"zel-dialogs-\u00E9";
  std::filesystem::create_directories(folder);
  return folder;
}

// The dialog's file name box: the first edit control among its children.
HWND NameBox(HWND dialog) {
  struct TSearch {
    HWND Found = nullptr;
  } search;
  EnumChildWindows(
      dialog,
      [](HWND child, LPARAM data) -> BOOL {
        if (test::ClassOf(child) != L"Edit" || !IsWindowVisible(child)) return TRUE;
        reinterpret_cast<TSearch*>(data)->Found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

TEST(FileDialogsWin32Test, CancelGivesNothingAndTheTitleIsShown) {
  TWin32FileDialogs dialogs;
  const TFileDialogKind kinds[] = {TFileDialogKind::Open, TFileDialogKind::Save,
                                   TFileDialogKind::Folder};
  for (const TFileDialogKind kind : kinds) {
    SCOPED_TRACE(static_cast<int>(kind));
    std::wstring title;
    TDialogAnswer answer(L"#32770", [&](HWND dialog) {
      title = test::TextOf(dialog);
      PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    TFileDialogOptions options;
    options.Kind = kind;
    options.Title = "Choose \xE2\x9C\x93";
    options.Filters = {{"Text files", "*.txt"}, {"All files", "*.*"}};
    EXPECT_EQ(dialogs.Show(options), std::nullopt);
    EXPECT_TRUE(answer.Answered());
    EXPECT_EQ(title, L"Choose \u2713");
  }
}

TEST(FileDialogsWin32Test, TheChosenFileComesBackAsAFullPathWithoutAnAddedExtension) {
  const std::filesystem::path folder = TestFolder();
  const std::filesystem::path existing = folder / L"notes \u2713.txt";
  std::ofstream(existing) << "x";
  TWin32FileDialogs dialogs;

  // Open: the initial full path names the folder and the file.
  {
    std::wstring shownName;
    TDialogAnswer answer(L"#32770", [&](HWND dialog) {
      shownName = test::TextOf(NameBox(dialog));
      PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    TFileDialogOptions options;
    options.FileName = PathToUtf8(existing);
    options.Filters = {{"Text files", "*.txt"}};
    const auto chosen = dialogs.Show(options);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(Utf8ToPath(*chosen), existing);
    EXPECT_EQ(shownName, existing.filename().wstring());
  }
  // Save: a typed name without extension stays without one. (Wine appends
  // the extension of the selected file type when it has one, which Windows
  // does only with a default extension: the type here has none.)
  {
    TDialogAnswer answer(L"#32770", [&](HWND dialog) {
      SetWindowTextW(NameBox(dialog), (folder / L"plain").c_str());
      PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    TFileDialogOptions options;
    options.Kind = TFileDialogKind::Save;
    options.Filters = {{"All files", "*.*"}};
    const auto chosen = dialogs.Show(options);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(Utf8ToPath(*chosen), folder / L"plain");
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace zel
