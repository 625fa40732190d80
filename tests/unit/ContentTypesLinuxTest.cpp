#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "backends/linux/ContentTypesLinux.h"
#include "core/text/MimeTypes.h"
#include "core/text/StrUtils.h"

namespace zel {
namespace {

class LinuxContentTypesTest : public testing::Test {
 protected:
  void SetUp() override {
    FFolder =
        std::filesystem::temp_directory_path() /
        ("zel-mime-" + TStrUtils::GetRandomString(12, "abcdefghijklmnopqrstuvwxyz0123456789"));
    std::filesystem::create_directories(FFolder);
  }
  void TearDown() override { std::filesystem::remove_all(FFolder); }

  std::string Write(const std::string& name, const std::string& text) {
    const std::filesystem::path path = FFolder / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }

  std::filesystem::path FFolder;
};

TEST_F(LinuxContentTypesTest, LaterListsReplaceEarlierOnes) {
  const std::string mimeTypes = Write("mime.types",
                                      "image/png png\n"
                                      "application/javascript js\n"
                                      "application/json json\n");
  const std::string lessImportant =
      Write("a-globs2", "50:text/javascript:*.js\n50:image/x-a:*.png\n");
  const std::string moreImportant = Write("b-globs2", "50:image/x-b:*.png\n");
  TLinuxContentTypes system(mimeTypes,
                            {lessImportant, (FFolder / "missing").string(), moreImportant, ""});
  const TMimeTypes table(&system);
  EXPECT_EQ(table.FileType("a.js"), "text/javascript");
  EXPECT_EQ(table.FileType("a.png"), "image/x-b");
  EXPECT_EQ(table.FileType("a.json"), "application/json");
  EXPECT_EQ(table.FileType("a.mp3"), "audio/x-mpg");

  TLinuxContentTypes nothing((FFolder / "none").string(), {});
  EXPECT_EQ(TMimeTypes(&nothing).Table(), TMimeTypes().Table());
}

TEST(LinuxContentTypesPathsTest, Globs2FilesFollowXdgDataDirs) {
  using TPaths = std::vector<std::string>;
  EXPECT_EQ(TLinuxContentTypes::Globs2Paths(nullptr),
            (TPaths{"/usr/share/mime/globs2", "/usr/local/share/mime/globs2"}));
  EXPECT_EQ(TLinuxContentTypes::Globs2Paths(""), TLinuxContentTypes::Globs2Paths(nullptr));
  EXPECT_EQ(TLinuxContentTypes::Globs2Paths("/opt/a:/usr/share/:relative::/opt/b:/opt/a/"),
            (TPaths{"/opt/b/mime/globs2", "/usr/share/mime/globs2", "/opt/a/mime/globs2"}));
  EXPECT_EQ(TLinuxContentTypes::Globs2Paths("/opt/x"),
            (TPaths{"/usr/share/mime/globs2", "/opt/x/mime/globs2"}));
}

}  // namespace
}  // namespace zel
