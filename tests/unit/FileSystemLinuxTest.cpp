// The Linux file system on real folders: existence and deletion rules, and
// replacements that never leave a truncated file behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "PackageTestSupport.h"
#include "backends/linux/FileSystemLinux.h"

namespace zel {
namespace {

namespace fs = std::filesystem;
using test::TTempDir;

std::vector<std::string> FolderNames(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

void Replace(TLinuxFileSystem& files, const fs::path& path, const std::string& bytes) {
  const auto file = files.ReplaceFile(path);
  file->Write({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  file->Commit();
}

mode_t ModeOf(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0);
  return st.st_mode & 07777;
}

class FileSystemLinuxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(FDir / "dir/sub");
    test::WriteFile(FDir / "dir/sub/f.txt", std::string("f"));
    test::WriteFile(FDir / "file.txt", std::string("old contents"));
    fs::create_symlink("file.txt", FDir / "link-to-file");
    fs::create_symlink(FDir / "dir", FDir / "link-to-dir");
    fs::create_symlink("nowhere", FDir / "dangling");
  }
  TTempDir FDir;
  TLinuxFileSystem FFiles;
};

TEST_F(FileSystemLinuxTest, ExistenceFollowsLinksAndTellsFilesFromFolders) {
  const struct {
    const char* Name;
    bool File, Folder;
  } cases[] = {
      {"file.txt", true, false},     {"dir", false, true},
      {"link-to-file", true, false}, {"link-to-dir", false, true},
      {"dangling", false, false},    {"missing", false, false},
      {"file.txt/", false, false},   {"dir/../file.txt", true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(FFiles.FileExists(FDir / c.Name), c.File);
    EXPECT_EQ(FFiles.DirectoryExists(FDir / c.Name), c.Folder);
  }
}

TEST_F(FileSystemLinuxTest, DeletionRemovesOnlyWhatWasNamed) {
  EXPECT_FALSE(FFiles.DeleteFile(FDir / "dir"));
  EXPECT_FALSE(FFiles.DeleteDirectory(FDir / "file.txt"));
  EXPECT_FALSE(FFiles.DeleteDirectory(FDir / "missing"));
  EXPECT_TRUE(FFiles.DeleteFile(FDir / "link-to-file"));  // the link, not the file
  EXPECT_TRUE(fs::exists(FDir / "file.txt"));
  EXPECT_TRUE(FFiles.DeleteDirectory(FDir / "link-to-dir"));  // the link, not the folder
  EXPECT_TRUE(fs::exists(FDir / "dir/sub/f.txt"));
  EXPECT_TRUE(FFiles.DeleteDirectory(FDir / "dir"));
  EXPECT_FALSE(fs::exists(FDir / "dir"));
  EXPECT_TRUE(FFiles.DeleteFile(FDir / "file.txt"));
  EXPECT_FALSE(FFiles.DeleteFile(FDir / "file.txt"));
}

// Folder results end with "/", so pages name links that way too: the link
// goes, whatever separators end its name, and its folder keeps every file.
TEST_F(FileSystemLinuxTest, ALinkNamedWithTrailingSeparatorsLosesOnlyTheLink) {
  for (const char* name : {"link-to-dir", "link-to-dir/", "link-to-dir//", "link-to-dir///"}) {
    SCOPED_TRACE(name);
    if (!fs::is_symlink(FDir / "link-to-dir"))
      fs::create_symlink(FDir / "dir", FDir / "link-to-dir");
    EXPECT_TRUE(FFiles.DeleteDirectory((FDir / "").string() + name));
    EXPECT_FALSE(fs::exists(fs::symlink_status(FDir / "link-to-dir")));
    EXPECT_EQ(test::ReadFile(FDir / "dir/sub/f.txt"), "f");
  }
  EXPECT_TRUE(FFiles.DeleteDirectory((FDir / "dir").string() + "//"));
  EXPECT_FALSE(fs::exists(FDir / "dir"));
}

TEST_F(FileSystemLinuxTest, FoldersAreCreatedWithEveryMissingParent) {
  FFiles.CreateDirectories(FDir / "a/b/c");
  EXPECT_TRUE(fs::is_directory(FDir / "a/b/c"));
  FFiles.CreateDirectories(FDir / "a/b/c");  // existing: nothing to do
  try {
    FFiles.CreateDirectories(FDir / "file.txt/x");
    ADD_FAILURE() << "a folder below a file was created";
  } catch (const std::system_error& error) {
    EXPECT_NE(std::string(error.what()).find("Cannot create the folder"), std::string::npos);
  }
}

TEST_F(FileSystemLinuxTest, AReplacementTakesTheTargetsPlaceAndKeepsItsMode) {
  fs::permissions(FDir / "file.txt", static_cast<fs::perms>(0640));
  Replace(FFiles, FDir / "file.txt", "new");
  EXPECT_EQ(test::ReadFile(FDir / "file.txt"), "new");
  EXPECT_EQ(ModeOf(FDir / "file.txt"), 0640u);

  const mode_t mask = ::umask(022);
  ::umask(mask);
  Replace(FFiles, FDir / "fresh.bin", "");
  EXPECT_EQ(test::ReadFile(FDir / "fresh.bin"), "");
  EXPECT_EQ(ModeOf(FDir / "fresh.bin"), 0666u & ~mask);

  // Through a link the linked file changes, and the link stays a link.
  Replace(FFiles, FDir / "link-to-file", "through the link");
  EXPECT_TRUE(fs::is_symlink(FDir / "link-to-file"));
  EXPECT_EQ(test::ReadFile(FDir / "file.txt"), "through the link");

  const std::string longName(250, 'n');
  Replace(FFiles, FDir / longName, "long");
  EXPECT_EQ(test::ReadFile(FDir / longName), "long");
  EXPECT_EQ(FolderNames(FDir.Path()),
            (std::vector<std::string>{"dangling", "dir", "file.txt", "fresh.bin", "link-to-dir",
                                      "link-to-file", longName}));
}

TEST_F(FileSystemLinuxTest, AnOwnerOtherThanTheWriterIsKept) {
  if (::geteuid() != 0) GTEST_SKIP() << "only the superuser can give a file away";
  ASSERT_EQ(::chown((FDir / "file.txt").c_str(), 65534, 65534), 0);
  Replace(FFiles, FDir / "file.txt", "new");
  struct stat st {};
  ASSERT_EQ(::stat((FDir / "file.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 65534u);
  EXPECT_EQ(st.st_gid, 65534u);
}

TEST_F(FileSystemLinuxTest, TargetsThatCannotBeWrittenThrowReadableErrors) {
  const struct {
    fs::path Path;
    std::string Message;
  } cases[] = {
      {FDir / "dir", "Cannot write " + (FDir / "dir").string() + ": Is a directory"},
      {FDir / "missing/x.txt",
       "Cannot create " + (FDir / "missing/x.txt").string() + ": No such file or directory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Path);
    try {
      FFiles.ReplaceFile(c.Path);
      ADD_FAILURE() << "no error";
    } catch (const std::system_error& error) {
      EXPECT_EQ(error.what(), c.Message);
    }
  }
}

// A pipe would hold the writer until some process reads it, and a device is
// no file to replace: both are refused at once, links to them too.
TEST_F(FileSystemLinuxTest, TargetsThatAreNoRegularFilesAreRefused) {
  ASSERT_EQ(::mkfifo((FDir / "pipe").c_str(), 0600), 0);
  fs::create_symlink(FDir / "pipe", FDir / "link-to-pipe");
  // A reader keeps an unrefused open from waiting, so a regression fails
  // here instead of hanging.
  const int reader = ::open((FDir / "pipe").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  for (const fs::path& path : {FDir / "pipe", FDir / "link-to-pipe", fs::path("/dev/null")}) {
    SCOPED_TRACE(path);
    try {
      FFiles.ReplaceFile(path);
      ADD_FAILURE() << "no error";
    } catch (const ENotRegularFile& error) {
      EXPECT_EQ(error.what(), "Cannot write " + path.string() + ": not a regular file");
    }
  }
  ::close(reader);
  EXPECT_EQ(FolderNames(FDir.Path()),
            (std::vector<std::string>{"dangling", "dir", "file.txt", "link-to-dir", "link-to-file",
                                      "link-to-pipe", "pipe"}));
}

TEST_F(FileSystemLinuxTest, AReadOnlyFileStaysProtectedInAWritableFolder) {
  fs::permissions(FDir.Path(), fs::perms::all);
  fs::permissions(FDir / "file.txt", static_cast<fs::perms>(0444));
  // In a child that is an ordinary user, the folder would allow a rename.
  GTEST_FLAG_SET(death_test_style, "fast");  // the child shares this fixture's folder
  EXPECT_EXIT(
      {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) _exit(3);
        try {
          Replace(FFiles, FDir / "file.txt", "overwritten");
          _exit(1);
        } catch (const std::system_error& error) {
          _exit(std::string(error.what()).ends_with("Permission denied") ? 0 : 2);
        }
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(test::ReadFile(FDir / "file.txt"), "old contents");
}

TEST_F(FileSystemLinuxTest, AFailureBeforeTheRenameKeepsTheOldFileAndLeavesNoTemporary) {
  const auto before = FolderNames(FDir.Path());
  {
    const auto file = FFiles.ReplaceFile(FDir / "file.txt");
    file->Write({reinterpret_cast<const std::uint8_t*>("abandoned"), 9});
  }  // never committed
  EXPECT_EQ(test::ReadFile(FDir / "file.txt"), "old contents");

  fs::path seenTemporary;
  FFiles.SetOnBeforeRename([&](const fs::path& temporary, const fs::path& target) {
    seenTemporary = temporary;
    EXPECT_EQ(target, FDir / "file.txt");
    EXPECT_EQ(test::ReadFile(temporary), "complete new contents");
    throw std::system_error(std::make_error_code(std::errc::io_error), "injected");
  });
  EXPECT_THROW(Replace(FFiles, FDir / "file.txt", "complete new contents"), std::system_error);
  EXPECT_EQ(seenTemporary.parent_path(), FDir.Path());
  EXPECT_EQ(test::ReadFile(FDir / "file.txt"), "old contents");
  EXPECT_EQ(FolderNames(FDir.Path()), before);
}

TEST_F(FileSystemLinuxTest, AProcessKilledBeforeTheRenameLeavesTheOldFileWhole) {
  const std::string big(4 * 1024 * 1024, 'x');
  GTEST_FLAG_SET(death_test_style, "fast");  // the child shares this fixture's folder
  EXPECT_EXIT(
      {
        FFiles.SetOnBeforeRename(
            [](const fs::path&, const fs::path&) { ::kill(::getpid(), SIGKILL); });
        Replace(FFiles, FDir / "file.txt", big);
        _exit(0);
      },
      testing::KilledBySignal(SIGKILL), "");
  EXPECT_EQ(test::ReadFile(FDir / "file.txt"), "old contents");
  // What the killed process left is its complete temporary file, hidden.
  std::vector<std::string> leftovers;
  for (const auto& name : FolderNames(FDir.Path()))
    if (name.starts_with(".file.txt.zel-")) leftovers.push_back(name);
  ASSERT_EQ(leftovers.size(), 1u);
  EXPECT_EQ(fs::file_size(FDir / leftovers[0]), big.size());
}

}  // namespace
}  // namespace zel
