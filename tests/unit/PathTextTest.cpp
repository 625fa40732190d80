#include <gtest/gtest.h>

#include <filesystem>

#include "PackageTestSupport.h"
#include "core/package/PackageWriter.h"
#include "core/package/Stream.h"
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
