#include <gtest/gtest.h>

#include <optional>

#include "PackageTestSupport.h"
#include "backends/fake/FakeWebEngine.h"
#include "core/package/PackageWriter.h"
#include "core/BuildPlatform.h"
#include "runtime/WebResources.h"

namespace zel {
namespace {

constexpr const char* Password = "Resource-Pass7#";

TEST(WebResourcesTest, AddressesMapToPathsAndContentTypes) {
  struct TCase {
    const char* Uri;
    const char* Relative;
    const char* Absolute;
    const char* Type;
  };
  const TCase cases[] = {
      {"file:///index.html", "index.html", "/index.html", "text/html"},
      {"file:///css/site.css?v=3", "css/site.css", "/css/site.css?v=3", "text/css"},
      {"file:///my%20photos/a%20b.JPG", "my photos/a b.JPG", "/my%20photos/a%20b.JPG",
       "image/jpeg"},
      {"file:///js/main.JS", "js/main.JS", "/js/main.JS", "application/javascript"},
      {"file:///lib/x.js?v=1.txt", "lib/x.js", "/lib/x.js?v=1.txt", "application/javascript"},
      {"file:///home/user/a.txt", "home/user/a.txt", "/home/user/a.txt", "text/plain"},
      {"file:///a/file:///b.txt", "a/b.txt", "/a/b.txt", "text/plain"},
      // Only backslash and colon end an extension; a slash does not.
      {"file:///v1.2/readme", "v1.2/readme", "/v1.2/readme", "application/octet-stream"},
      {"file:///x.js\\readme", "x.js\\readme", "/x.js\\readme", "application/octet-stream"},
      {"file:///C:/Notes/a.txt", "C:/Notes/a.txt", "/C:/Notes/a.txt", "text/plain"},
  };
  // Windows paths begin with their drive, without the root's slash.
  const bool windows = BuildPlatform == TBuildPlatform::Windows;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Uri);
    EXPECT_EQ(TWebResources::RelativePath(c.Uri), c.Relative);
    EXPECT_EQ(TWebResources::AbsolutePath(c.Uri), windows ? c.Absolute + 1 : c.Absolute);
    EXPECT_EQ(TWebResources::MimeType(c.Relative), c.Type);
  }
  EXPECT_EQ(TWebResources::ContentTypeHeader("image/jpeg"),
            "Content-Type: image/jpeg; charset=utf-8");
}

class WebResourcesPackageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TPackageWriter writer(FDir / "package.zip", Password, TPackageEncryption::TraditionalPkware);
    writer.AddBytes("app/index.html", "<h1>package</h1>");
    writer.AddBytes("app/css/site.css", "body{}");
    writer.AddBytes("app/data.json", "{\"from\":\"package\"}");
    writer.AddBytes("app/both.txt", "package copy");
    writer.AddBytes("app/js/main.JS", "main();");
    writer.AddBytes("other/outside.txt", "not the application folder");
    writer.Commit();
    FBytes = test::ReadFile(FDir / "package.zip");
    FZip.SetPassword(Password);
    FZip.OpenFromMemory(Bytes());

    std::filesystem::create_directories(FDir / "exe");
    test::WriteFile(FDir / "exe" / "both.txt", std::string("disk copy"));
    test::WriteFile(FDir / "exe" / "only disk.txt", std::string("disk only"));
    test::WriteFile(FDir / "abs.txt", std::string("absolute"));
  }
  std::span<const std::uint8_t> Bytes() const {
    return {reinterpret_cast<const std::uint8_t*>(FBytes.data()), FBytes.size()};
  }
  std::string ExeDir() const { return (FDir / "exe").string() + "/"; }

  test::TTempDir FDir;
  std::string FBytes;
  TExeZip FZip;
};

TEST_F(WebResourcesPackageTest, FileRequestsAreAnsweredFromPackageThenDiskThenAbsolutePath) {
  // file:///home/… on Linux, file:///C:/… on Windows.
  std::string absolutePath = (FDir / "abs.txt").generic_string();
  if (absolutePath.front() == '/') absolutePath.erase(0, 1);
  const std::string absolute = "file:///" + absolutePath;
  struct TCase {
    std::string Uri;
    std::optional<std::string> Body;
    std::string Type;
  };
  const TCase cases[] = {
      {"file:///index.html", "<h1>package</h1>", "text/html"},
      {"file:///CSS/Site.css", "body{}", "text/css"},
      {"file:///data.json?x=1", "{\"from\":\"package\"}", TWebResources::MimeType("data.json")},
      {"file:///both.txt", "package copy", "text/plain"},
      {"file:///only%20disk.txt", "disk only", "text/plain"},
      {"file:///js/main.JS", "main();", "application/javascript"},
      {absolute, "absolute", "text/plain"},
      {"file:///missing.txt", std::nullopt, ""},
      {"file:///outside.txt", std::nullopt, ""},
      {"https://example.com/index.html", std::nullopt, ""},
      {"zel:///index.html", std::nullopt, ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Uri);
    TFakeWebResourceRequestedArgs args(c.Uri);
    const bool answered = TWebResources::AnswerRequest(args, &FZip, "app", ExeDir());
    EXPECT_EQ(answered, c.Body.has_value());
    ASSERT_EQ(args.HasResponse(), c.Body.has_value());
    if (!c.Body) continue;
    EXPECT_EQ(args.Response().StatusCode, 200);
    EXPECT_EQ(args.Response().ReasonPhrase, "OK");
    EXPECT_EQ(args.Response().Headers, "Content-Type: " + c.Type + "; charset=utf-8");
    EXPECT_EQ(args.Response().Body->Length(), c.Body->size());
    EXPECT_EQ(args.ReadBody(3), *c.Body);
  }
}

TEST_F(WebResourcesPackageTest, WithoutPackageOrFolderNameOnlyDiskIsUsed) {
  for (const auto& [zip, dirName] : {std::pair<const TExeZip*, std::string>{nullptr, "app"},
                                     std::pair<const TExeZip*, std::string>{&FZip, ""}}) {
    TFakeWebResourceRequestedArgs both("file:///both.txt");
    TWebResources::AnswerRequest(both, zip, dirName, ExeDir());
    EXPECT_EQ(both.ReadBody(), "disk copy");
    TFakeWebResourceRequestedArgs index("file:///index.html");
    EXPECT_FALSE(TWebResources::AnswerRequest(index, zip, dirName, ExeDir()));
  }
}

TEST_F(WebResourcesPackageTest, UnreadableEntryGivesAPartialBodyNotAnError) {
  TExeZip wrong;
  wrong.SetPassword("not the password");
  wrong.OpenFromMemory(Bytes());
  TFakeWebResourceRequestedArgs args("file:///index.html");
  ASSERT_TRUE(TWebResources::AnswerRequest(args, &wrong, "app", ExeDir()));
  EXPECT_EQ(args.Response().StatusCode, 200);
  std::string body;
  EXPECT_NO_THROW(body = args.ReadBody());
  EXPECT_NE(body, "<h1>package</h1>");
}

TEST(WebResourcesLargeTest, LargeEntriesStreamWholeInPieces) {
  test::TTempDir dir;
  // Varied bytes so that deflate cannot shrink them to nothing.
  std::string large(4 * 1024 * 1024 + 17, '\0');
  std::uint32_t state = 12345;
  for (char& c : large) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>((state >> 16) & 0x3F);
  }
  TPackageWriter writer(dir / "large.zip", Password, TPackageEncryption::TraditionalPkware);
  writer.AddBytes("app/big.bin", large);  // deflated
  writer.AddBytes("app/big.mp4", large);  // stored: media gains nothing from deflate
  writer.Commit();
  const std::string bytes = test::ReadFile(dir / "large.zip");
  TExeZip zip;
  zip.SetPassword(Password);
  zip.OpenFromMemory({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});

  for (const char* uri : {"file:///big.bin", "file:///big.mp4"}) {
    SCOPED_TRACE(uri);
    TFakeWebResourceRequestedArgs args(uri);
    ASSERT_TRUE(TWebResources::AnswerRequest(args, &zip, "app", "/nonexistent/"));
    EXPECT_EQ(args.Response().Body->Length(), large.size());
    EXPECT_EQ(args.ReadBody(65536), large);
  }
}

}  // namespace
}  // namespace zel
