// files.*, folders.* and base64.decodeToFile on the fake platform, whose
// executable is /opt/app/app and whose current folder is /home/user.
#include <gtest/gtest.h>

#include "BridgeTestSupport.h"
#include "PackageTestSupport.h"
#include "core/package/PackageWriter.h"
#include "core/settings/ProjectIni.h"

namespace zel {
namespace {

constexpr const char* Bom = "\xEF\xBB\xBF";

class FileFunctionsTest : public test::BridgeFixture {
 protected:
  TFakeFileSystem& Files() { return FPlatform.FileSystem(); }
  // A call with one text argument, the JSON encoding done here.
  std::string CallWith(int id, const nlohmann::json& data) { return Call(id, data.dump()); }
};

TEST_F(FileFunctionsTest, ExistenceTestsResolvePathsBelowTheExecutablesFolder) {
  Files().AddFile("/opt/app/index.html", "<h1>beside the executable</h1>");
  Files().AddFile("/opt/app/data/a.txt", "a");
  Files().AddFile("/data/b.txt", "b");
  Files().AddFile("/home/user/current.txt", "in the current folder only");
  struct TCase {
    const char* Data;
    const char* FileExists;
    const char* DirExists;
  };
  const TCase cases[] = {
      {R"({"filePath":"index.html","dirPath":"index.html"})", "true:true", "true:false"},
      {R"({"filePath":"data/a.txt","dirPath":"data"})", "true:true", "true:true"},
      // A leading "/" makes the path absolute: not below the executable.
      {R"({"filePath":"/data/a.txt","dirPath":"/data"})", "true:false", "true:true"},
      {R"({"filePath":"/data/b.txt","dirPath":"/opt/app/data"})", "true:true", "true:true"},
      {R"({"filePath":"data","dirPath":"data/a.txt"})", "true:false", "true:false"},
      {R"({"filePath":"missing.txt","dirPath":"missing"})", "true:false", "true:false"},
      // Not relative to the current folder.
      {R"({"filePath":"current.txt","dirPath":"../user"})", "true:false", "true:false"},
      {R"({"filePath":"data/../index.html","dirPath":"data/.."})", "true:true", "true:true"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Data);
    nlohmann::json data = nlohmann::json::parse(c.Data);
    EXPECT_EQ(CallWith(30001, {{"filePath", data["filePath"]}}), c.FileExists);
    EXPECT_EQ(CallWith(40001, {{"dirPath", data["dirPath"]}}), c.DirExists);
  }
}

TEST_F(FileFunctionsTest, MissingPathsAreRefusedAndTouchNothing) {
  Files().AddFile("/opt/app/a.txt", "keep");
  const auto before = Files().Files();
  const struct {
    int Id;
    const char* Data;
    const char* Reply;
  } cases[] = {
      {30001, "{}", R"(false:"Missing filePath")"},
      {30002, R"({"filePath":""})", R"(false:"Missing filePath")"},
      {30003, R"({"filePath":null,"contents":"x"})", R"(false:"Missing filePath")"},
      {90001, R"({"contents":"QUJD"})", R"(false:"Missing filePath")"},
      {40001, R"({"filePath":"a.txt"})", R"(false:"Missing dirPath")"},
      {40002, "{}", R"(false:"Missing dirPath")"},
      {30004, R"({"targetFile":"a.txt"})", R"(false:"Missing sourceFile")"},
      {30004, R"({"sourceFile":"/a.txt","targetFile":""})", R"(false:"Missing targetFile")"},
      // An object where text is read ends the call without a reply.
      {30003, R"({"filePath":"a.txt","contents":{"x":1}})", ""},
      {90001, R"({"filePath":"a.txt","contents":[1]})", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Data);
    EXPECT_EQ(Call(c.Id, c.Data), c.Reply);
  }
  EXPECT_EQ(Files().Files(), before);
  EXPECT_EQ(Files().Commits(), 0);
}

TEST_F(FileFunctionsTest, DeletingAFileOrAFolderAnswersWhetherItWentAway) {
  Files().AddFile("/opt/app/a.txt", "a");
  Files().AddFile("/opt/app/tree/sub/b.txt", "b");
  Files().AddFile("/opt/app/tree/c.txt", "c");
  Files().AddFile("/opt/app/treehouse/d.txt", "d");
  EXPECT_EQ(Call(30002, R"({"filePath":"tree"})"), "true:false");  // a folder is no file
  EXPECT_EQ(Call(30002, R"({"filePath":"a.txt"})"), "true:true");
  EXPECT_EQ(Call(30002, R"({"filePath":"a.txt"})"), "true:false");
  EXPECT_EQ(Call(40002, R"({"dirPath":"treehouse/d.txt"})"), "true:false");  // a file is no folder
  EXPECT_EQ(Call(40002, R"({"dirPath":"tree"})"), "true:true");
  EXPECT_EQ(Call(40002, R"({"dirPath":"tree"})"), "true:false");
  EXPECT_FALSE(Files().DirectoryExists("/opt/app/tree/sub"));
  EXPECT_FALSE(Files().FileExists("/opt/app/tree/c.txt"));
  EXPECT_TRUE(Files().FileExists("/opt/app/treehouse/d.txt"));
}

TEST_F(FileFunctionsTest, TextFilesGetAByteOrderMarkAndCrLfAfterEveryLine) {
  const struct {
    const char* Contents;
    std::string Written;
  } cases[] = {
      {"", ""},
      {"one", "one\r\n"},
      {"one\ntwo", "one\r\ntwo\r\n"},
      {"one\r\ntwo\rthree\nfour", "one\r\ntwo\r\nthree\r\nfour\r\n"},
      {"one\n", "one\r\n"},  // a final break ends the last line
      {"\n", "\r\n"},
      {"one\n\ntwo\r\r\n", "one\r\n\r\ntwo\r\n\r\n"},
      {"\r\n\r\n", "\r\n\r\n"},
      {"gr\xC3\xBC\xC3\x9F \xE2\x82\xAC", "gr\xC3\xBC\xC3\x9F \xE2\x82\xAC\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Contents));
    EXPECT_EQ(CallWith(30003, {{"filePath", "t.txt"}, {"contents", c.Contents}}), "true:true");
    EXPECT_EQ(Files().FileContents("/opt/app/t.txt"), Bom + c.Written);
  }
  // Breaks written as \u escapes, a CR LF split over two of them.
  EXPECT_EQ(Call(30003, R"({"filePath":"u.txt","contents":"a\u000d\u000Ab\rc\u000a\/d"})"),
            "true:true");
  EXPECT_EQ(Files().FileContents("/opt/app/u.txt"), std::string(Bom) + "a\r\nb\r\nc\r\n/d\r\n");
  EXPECT_EQ(Call(30003, R"({"filePath":"n.txt","contents":12.5})"), "true:true");
  EXPECT_EQ(Files().FileContents("/opt/app/n.txt"), std::string(Bom) + "12.5\r\n");
  EXPECT_EQ(Call(30003, R"({"filePath":"e.txt"})"), "true:true");
  EXPECT_EQ(Files().FileContents("/opt/app/e.txt"), std::string(Bom));
}

TEST_F(FileFunctionsTest, WritingCreatesTheMissingFoldersBelowTheExecutable) {
  EXPECT_EQ(Call(30003, R"({"filePath":"out/a/b.txt","contents":"x"})"), "true:true");
  EXPECT_TRUE(Files().DirectoryExists("/opt/app/out/a"));
  EXPECT_EQ(Files().FileContents("/opt/app/out/a/b.txt"), std::string(Bom) + "x\r\n");
  EXPECT_EQ(Call(90001, R"({"filePath":"/srv/deep/er/c.bin","contents":"QUJD"})"), "true:true");
  EXPECT_EQ(Files().FileContents("/srv/deep/er/c.bin"), "ABC");
}

TEST_F(FileFunctionsTest, AFailedWriteIsReportedAndKeepsTheOldFile) {
  Files().AddFile("/opt/app/keep.txt", "old contents");
  Files().AddFile("/opt/app/file", "not a folder");
  struct TCase {
    std::optional<std::errc> Create, Write, Commit;
    const char* FilePath;
    const char* Reply;
  };
  const TCase cases[] = {
      {std::errc::permission_denied,
       {},
       {},
       "keep.txt",
       R"(false:"Cannot create \/opt\/app\/keep.txt: Permission denied")"},
      {{},
       std::errc::no_space_on_device,
       {},
       "keep.txt",
       R"(false:"Cannot write \/opt\/app\/keep.txt: No space left on device")"},
      {{},
       {},
       std::errc::io_error,
       "keep.txt",
       R"(false:"Cannot write \/opt\/app\/keep.txt: Input\/output error")"},
      {{},
       {},
       {},
       "file/sub/x.txt",
       R"(false:"Cannot create the folder \/opt\/app\/file\/sub: Not a directory")"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Reply);
    Files().SetCreateError(c.Create);
    Files().SetWriteError(c.Write);
    Files().SetCommitError(c.Commit);
    for (int id : {30003, 90001}) {
      EXPECT_EQ(CallWith(id, {{"filePath", c.FilePath}, {"contents", "bmV3"}}), c.Reply);
      EXPECT_EQ(Files().FileContents("/opt/app/keep.txt"), "old contents");
    }
  }
}

TEST_F(FileFunctionsTest, DecodeToFileWritesTheDecodedBytes) {
  const struct {
    nlohmann::json Contents;
    std::string Bytes;
  } cases[] = {
      {"", ""},
      {"QUI=", "AB"},
      {"QQ==", "A"},
      {"QUJD", "ABC"},
      {"QUJDRA==", "ABCD"},
      {"QUJDRA", "ABC"},  // the short tail is ignored
      {"/+8A", std::string("\xFF\xEF\x00", 3)},
      {nlohmann::json(), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Contents.dump());
    EXPECT_EQ(CallWith(90001, {{"filePath", "d.bin"}, {"contents", c.Contents}}), "true:true");
    EXPECT_EQ(Files().FileContents("/opt/app/d.bin"), c.Bytes);
  }
}

// Contents of a MiB and more are written on a worker; the reply comes back
// through the main loop, and calls that arrive meanwhile wait their turn.
TEST_F(FileFunctionsTest, LargeFilesAreWrittenOffTheMainThreadAndCallsKeepTheirOrder) {
  constexpr std::size_t Chunk = 1 << 20;
  // Line breaks across the steps in which the text is decoded and written.
  const std::string text = std::string(Chunk - 1, 'a') + "\r\n" + std::string(Chunk - 1, 'b') +
                           "\r" + std::string(Chunk, 'c') + "\n\n\xE2\x82\xAC";
  const std::string written = std::string(Bom) + std::string(Chunk - 1, 'a') + "\r\n" +
                              std::string(Chunk - 1, 'b') + "\r\n" + std::string(Chunk, 'c') +
                              "\r\n\r\n\xE2\x82\xAC\r\n";
  std::string bytes(3 * Chunk + 2, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7919 % 251);
  static const char* const Alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string base64;
  const auto byte = [&](std::size_t i) -> std::uint32_t {
    return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0;
  };
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::uint32_t group = byte(i) << 16 | byte(i + 1) << 8 | byte(i + 2);
    const std::size_t present = std::min<std::size_t>(bytes.size() - i, 3) + 1;  // characters
    for (std::size_t k = 0; k < 4; ++k)
      base64 += k < present ? Alphabet[(group >> (18 - 6 * k)) & 63] : '=';
  }
  const auto message = [](int id, const char* uuid, const nlohmann::json& data) {
    return nlohmann::json{{"id", id}, {"uuid", uuid}, {"data", data}}.dump();
  };
  // Posted one after another without waiting, as a page would.
  for (const std::string& json :
       {message(30003, "w", {{"filePath", "big.txt"}, {"contents", text}}),
        message(30001, "e", {{"filePath", "big.txt"}}),
        message(90001, "d", {{"filePath", "big.bin"}, {"contents", base64}}),
        message(30001, "f", {{"filePath", "big.bin"}})}) {
    test::TMessage posted(json);
    FModule.EdgeBrowserWebMessageReceived(posted);
  }
  WaitForBackgroundWork();
  EXPECT_EQ(FBrowser.Posted, (std::vector<std::string>{
                                 R"({"uuid": "w", "success": true, "result": true})",
                                 R"({"uuid": "e", "success": true, "result": true})",
                                 R"({"uuid": "d", "success": true, "result": true})",
                                 R"({"uuid": "f", "success": true, "result": true})"}));
  EXPECT_TRUE(Files().FileContents("/opt/app/big.txt") == written);
  EXPECT_TRUE(Files().FileContents("/opt/app/big.bin") == bytes);

  // A failure on the worker is replied like one on the main thread.
  Files().SetWriteError(std::errc::no_space_on_device);
  EXPECT_EQ(CallWith(30003, {{"filePath", "big.txt"}, {"contents", text}}),
            R"(false:"Cannot write \/opt\/app\/big.txt: No space left on device")");
  EXPECT_TRUE(Files().FileContents("/opt/app/big.txt") == written);
}

TEST_F(FileFunctionsTest, FolderGettersEndWithASlash) {
  auto& known = FPlatform.KnownFolders();
  known.SetTemp("/var/tmp");
  known.SetDocuments("/home/user/Dokumente/");
  known.SetDesktop("");  // the system knows none
  known.SetRoamingAppData("/home/user/.config/");
  EXPECT_EQ(Call(40003), R"(true:"\/var\/tmp\/")");
  EXPECT_EQ(Call(40004), R"(true:"\/home\/user\/Dokumente\/")");
  EXPECT_EQ(Call(40005), R"(true:"\/")");
  EXPECT_EQ(Call(40006), R"(true:"\/opt\/app\/")");
  EXPECT_EQ(Call(40007), R"(true:"\/home\/user\/.config\/")");
  FPlatform.ProcessInfo().SetExecutablePath("/app");
  EXPECT_EQ(Call(40006), R"(true:"\/")");
  FPlatform.ProcessInfo().SetExecutablePath("/opt/My \"App\"/run");
  EXPECT_EQ(Call(40006), R"(true:"\/opt\/My \"App\"\/")");
}

// A package in memory with a few entries below the application folder "app".
class ExtractFileTest : public FileFunctionsTest {
 protected:
  void SetUp() override {
    FileFunctionsTest::SetUp();
    const auto zipPath = FDir / "p.zip";
    {
      TPackageWriter writer(zipPath, "pw", TPackageEncryption::TraditionalPkware);
      writer.AddBytes("app/index.html", "<h1>start</h1>");
      writer.AddBytes("app/Data/List.JSON", "[1,2,3]");
      writer.AddBytes("app/big.bin", std::string(3 * 1024 * 1024 + 7, 'z'));
      writer.AddBytes("other/x.txt", "outside the application folder");
      writer.Commit();
    }
    FPackage = test::ReadFile(zipPath);
    FZip.SetPassword("pw");
    FZip.OpenFromMemory({reinterpret_cast<const std::uint8_t*>(FPackage.data()), FPackage.size()});
    FSettings.LoadFromText("[App]\nDirName=app\n");
    FModule.SetProjectINI(&FSettings);
  }
  test::TTempDir FDir;
  std::string FPackage;
  TProjectINI FSettings;
};

TEST_F(ExtractFileTest, CopiesAnEntryOfTheApplicationFolderIgnoringLetterCase) {
  Files().AddDirectory("/tmp");
  EXPECT_EQ(Call(30004, R"({"sourceFile":"/data/list.json","targetFile":"/tmp/l.json"})"),
            "true:true");
  EXPECT_EQ(Files().FileContents("/tmp/l.json"), "[1,2,3]");
  // Taken as written: relative to the current folder, not the executable's.
  EXPECT_EQ(Call(30004, R"({"sourceFile":"/INDEX.html","targetFile":"start.html"})"), "true:true");
  EXPECT_EQ(Files().FileContents("/home/user/start.html"), "<h1>start</h1>");
  EXPECT_EQ(Call(30004, R"({"sourceFile":"/big.bin","targetFile":"big.bin"})"), "true:true");
  EXPECT_EQ(Files().FileContents("/home/user/big.bin"), std::string(3 * 1024 * 1024 + 7, 'z'));
}

TEST_F(ExtractFileTest, AnAbsentEntryIsNotFoundAndLeavesTheTargetAsItWas) {
  Files().AddFile("/home/user/keep.txt", "old");
  const char* sources[] = {
      "/missing.txt",
      "index.html",       // no separator is inserted after DirName
      "/../other/x.txt",  // names are not normalised
      "\\index.html",     // nor separators converted
  };
  for (const char* source : sources) {
    SCOPED_TRACE(source);
    EXPECT_EQ(CallWith(30004, {{"sourceFile", source}, {"targetFile", "keep.txt"}}),
              R"(false:"File not found")");
  }
  EXPECT_EQ(Files().FileContents("/home/user/keep.txt"), "old");
  EXPECT_EQ(Files().Commits(), 0);
}

TEST_F(ExtractFileTest, TargetsThatCannotBeWrittenKeepTheirContents) {
  Files().AddFile("/home/user/keep.txt", "old");
  // Not creatable: the call ends without a reply.
  EXPECT_EQ(Call(30004, R"({"sourceFile":"/index.html","targetFile":"/no/such/folder/x"})"), "");
  Files().SetWriteError(std::errc::no_space_on_device);
  EXPECT_EQ(Call(30004, R"({"sourceFile":"/big.bin","targetFile":"keep.txt"})"),
            R"(false:"Cannot write \/home\/user\/keep.txt: No space left on device")");
  EXPECT_EQ(Files().FileContents("/home/user/keep.txt"), "old");
}

// A named pipe as the target is refused with a reply by every function that
// writes a file (extractFile included, which gives none when a target
// cannot be created).
TEST_F(ExtractFileTest, TargetsThatAreNoFilesAreRefusedWithAReply) {
  Files().AddSpecialFile("/opt/app/pipe");
  Files().AddSpecialFile("/home/user/pipe");
  const char* refusal = R"(false:"Cannot write \/opt\/app\/pipe: not a regular file")";
  EXPECT_EQ(Call(30003, R"({"filePath":"pipe","contents":"x"})"), refusal);
  EXPECT_EQ(Call(90001, R"({"filePath":"pipe","contents":"QUJD"})"), refusal);
  EXPECT_EQ(Call(30004, R"({"sourceFile":"/index.html","targetFile":"pipe"})"),
            R"(false:"Cannot write \/home\/user\/pipe: not a regular file")");
  EXPECT_EQ(Files().Commits(), 0);
}

TEST_F(ExtractFileTest, InPreviewModeItShowsItsMessageAndDoesNotReply) {
  FModule.SetExeZip(nullptr);
  EXPECT_EQ(Call(30004, R"({"sourceFile":"/index.html","targetFile":"x.html"})"), "");
  ASSERT_EQ(FPlatform.MessageBoxes().Shown().size(), 1u);
  EXPECT_EQ(FPlatform.MessageBoxes().Shown()[0].Text,
            "Calls to zel.app.extractFile() works only at runtime.");
  EXPECT_FALSE(Files().FileExists("/home/user/x.html"));
  // The other functions of the family work in preview mode.
  EXPECT_EQ(Call(30003, R"({"filePath":"p.txt"})"), "true:true");
  EXPECT_EQ(Call(40006), R"(true:"\/opt\/app\/")");
}

}  // namespace
}  // namespace zel
