#include <gtest/gtest.h>

#include <filesystem>

#include "PackageTestSupport.h"
#include "core/package/PackageWriter.h"
#include "core/package/Stream.h"
#include "core/package/TemporaryPath.h"
#include "core/text/PathText.h"

namespace zel {
namespace {

// Names outside every ANSI code page: text and paths must meet as UTF-8.
const char* const Names[] = {"plain.txt", "Grüße.txt", "日本語 файл ✓.zip"};

TEST(PathText, NamesSurviveTheFileSystemAsUtf8) {
  test::TTempDir dir;
  for (const char* name : Names) {
    SCOPED_TRACE(name);
    const std::filesystem::path path = dir.Path() / Utf8ToPath(name);
    {
      TFileStream out(path, TFileMode::Create);
      out.Write("x", 1);
    }
    bool listed = false;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
      listed = listed || PathToUtf8(entry.path().filename()) == name;
    EXPECT_TRUE(listed);
    std::filesystem::remove(path);
  }
}

// Files written beside a target and renamed over it: hidden, in the target's
// folder (a rename across folders may fail), the target's name kept as it is,
// and a name of their own for each writer.
TEST(PathText, TemporaryPathsBesideATargetKeepItsName) {
  test::TTempDir dir;
  for (const char* name : Names) {
    SCOPED_TRACE(name);
    const std::filesystem::path target = dir.Path() / Utf8ToPath(name);
    const std::filesystem::path temporary = TemporaryPathBeside(target, ".part");
    EXPECT_EQ(temporary.parent_path(), dir.Path());
    const std::string text = PathToUtf8(temporary.filename());
    const std::string head = "." + std::string(name) + ".";
    ASSERT_TRUE(text.starts_with(head) && text.ends_with(".part")) << text;
    const std::string digits = text.substr(head.size(), text.size() - head.size() - 5);
    EXPECT_TRUE(!digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos) << text;
    EXPECT_NE(TemporaryPathBeside(target, ".part"), temporary);
    {
      TFileStream out(temporary, TFileMode::Create);
      out.Write("x", 1);
    }
    std::filesystem::rename(temporary, target);
    EXPECT_EQ(test::ReadFile(target), "x");
  }
}

TEST(PathText, PackagesAreWrittenToAndFromUnicodeNames) {
  test::TTempDir dir;
  const std::filesystem::path source = dir.Path() / Utf8ToPath(Names[1]);
  test::WriteFile(source, std::string("contents"));
  const std::filesystem::path zip = dir.Path() / Utf8ToPath(Names[2]);
  {
    TPackageWriter writer(zip, "pw", TPackageEncryption::Aes256);
    writer.AddFile("a.txt", source);
    writer.Commit();
  }
  EXPECT_TRUE(std::filesystem::is_regular_file(zip));
  // A file that is missing is named in the message as the user wrote it.
  try {
    TFileStream in(dir.Path() / Utf8ToPath("fehlt-ä.bin"), TFileMode::OpenRead);
    ADD_FAILURE() << "opened a missing file";
  } catch (const EStreamError& e) {
    EXPECT_NE(std::string(e.what()).find("fehlt-ä.bin"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace zel
