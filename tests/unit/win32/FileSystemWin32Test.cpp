// Files and folders through the wide-character API, against the real system.
#include <gtest/gtest.h>

// clang-format off
// Before <windows.h>, whose macros DeleteFile and ReplaceFile would rename
// the seam's methods of the same names.
#include "backends/win32/FileSystemWin32.h"
#include "ServicesTestSupport.h"
#undef DeleteFile
#undef ReplaceFile
// clang-format on

namespace zel {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TTemporaryFolder;
using test::UnicodeName;
using test::WriteFile;

void WriteThrough(TWin32FileSystem& files, const fs::path& path, const std::string& bytes) {
  auto replacement = files.ReplaceFile(path);
  replacement->Write({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  replacement->Commit();
}

TEST(Win32FileSystem, ExistenceTellsFilesFromFolders) {
  TTemporaryFolder folder;
  TWin32FileSystem files;
  fs::create_directories(folder / UnicodeName);
  WriteFile(folder / (std::string(UnicodeName) + ".txt"), "x");
  const struct {
    fs::path Path;
    bool File;
    bool Folder;
  } cases[] = {
      {folder / (std::string(UnicodeName) + ".txt"), true, false},
      {folder / UnicodeName, false, true},
      {folder / "missing", false, false},
      {folder / "missing\\deeper.txt", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(PathToUtf8(c.Path));
    EXPECT_EQ(files.FileExists(c.Path), c.File);
    EXPECT_EQ(files.DirectoryExists(c.Path), c.Folder);
  }
}

TEST(Win32FileSystem, AReplacementTakesTheTargetsPlaceOnlyWhenCommitted) {
  TTemporaryFolder folder;
  TWin32FileSystem files;
  const fs::path target = folder / (std::string(UnicodeName) + ".txt");
  WriteThrough(files, target, "new file");
  EXPECT_EQ(ReadFile(target), "new file");
  {
    auto abandoned = files.ReplaceFile(target);
    abandoned->Write({reinterpret_cast<const std::uint8_t*>("half"), 4});
  }
  EXPECT_EQ(ReadFile(target), "new file");
  // The target's attributes stay with it.
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_HIDDEN);
  WriteThrough(files, target, std::string(200000, 'z'));
  EXPECT_EQ(ReadFile(target), std::string(200000, 'z'));
  EXPECT_TRUE(GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  // No temporary file is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 1);
}

TEST(Win32FileSystem, TargetsThatCannotBeReplacedAreRefused) {
  TTemporaryFolder folder;
  TWin32FileSystem files;
  fs::create_directories(folder / "a folder");
  WriteFile(folder / "read-only.txt", "kept");
  SetFileAttributesW((folder / "read-only.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_THROW(files.ReplaceFile(folder / "a folder"), std::system_error);
  EXPECT_THROW(files.ReplaceFile(folder / "read-only.txt"), std::system_error);
  EXPECT_EQ(ReadFile(folder / "read-only.txt"), "kept");
  // Devices are no files: NUL in any folder is the null device.
  EXPECT_THROW(files.ReplaceFile(folder / "nul"), ENotRegularFile);
  EXPECT_THROW(files.ReplaceFile("NUL"), ENotRegularFile);
  try {
    files.ReplaceFile(folder / UnicodeName / "in a missing folder.txt");
    ADD_FAILURE() << "created in a missing folder";
  } catch (const std::system_error& error) {
    EXPECT_NE(std::string(error.what()).find(UnicodeName), std::string::npos) << error.what();
  }
}

TEST(Win32FileSystem, DeletingAFolderTakesEverythingInItButNotWhatLinksPointAt) {
  TTemporaryFolder folder;
  TWin32FileSystem files;
  const fs::path tree = folder / UnicodeName;
  fs::create_directories(tree / "sub" / "deeper");
  WriteFile(tree / "sub" / "deeper" / "file.txt", "x");
  WriteFile(tree / "read-only.txt", "x");
  SetFileAttributesW((tree / "read-only.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  fs::create_directories(folder / "outside");
  WriteFile(folder / "outside" / "kept.txt", "kept");
  const bool linked = CreateSymbolicLinkW((tree / "link").c_str(), (folder / "outside").c_str(),
                                          SYMBOLIC_LINK_FLAG_DIRECTORY) != 0;

  EXPECT_FALSE(files.DeleteDirectory(tree / "read-only.txt"));  // no folder
  EXPECT_FALSE(files.DeleteDirectory(folder / "missing"));
  EXPECT_TRUE(files.DeleteDirectory(fs::path(tree.native() + L"\\")));
  EXPECT_FALSE(fs::exists(tree));
  EXPECT_EQ(ReadFile(folder / "outside" / "kept.txt"), "kept");
  if (!linked) std::cout << "note: no folder link could be made here; the link case was not run\n";

  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  EXPECT_FALSE(files.DeleteDirectory(fs::path(windows).root_path()));
}

TEST(Win32FileSystem, DeletingAFileNeverTakesAFolder) {
  TTemporaryFolder folder;
  TWin32FileSystem files;
  fs::create_directories(folder / "a folder");
  WriteFile(folder / UnicodeName, "x");
  SetFileAttributesW((folder / UnicodeName).c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(files.DeleteFile(folder / "a folder"));
  EXPECT_TRUE(fs::is_directory(folder / "a folder"));
  EXPECT_TRUE(files.DeleteFile(folder / UnicodeName));
  EXPECT_FALSE(fs::exists(folder / UnicodeName));
  EXPECT_FALSE(files.DeleteFile(folder / UnicodeName));
}

TEST(Win32FileSystem, CreatingFoldersMakesEveryMissingParent) {
  TTemporaryFolder folder;
  TWin32FileSystem files;
  files.CreateDirectories(folder / UnicodeName / "b" / "c");
  EXPECT_TRUE(fs::is_directory(folder / UnicodeName / "b" / "c"));
  EXPECT_NO_THROW(files.CreateDirectories(folder / UnicodeName));
  WriteFile(folder / "a file", "");
  EXPECT_THROW(files.CreateDirectories(folder / "a file" / "below"), std::system_error);
}

}  // namespace
}  // namespace zel
