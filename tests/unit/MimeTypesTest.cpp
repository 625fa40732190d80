#include <gtest/gtest.h>

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "backends/fake/FakePlatform.h"
#include "core/text/ContentTypeLists.h"
#include "core/text/MimeTypes.h"
#include "core/text/StrUtils.h"

namespace zel {
namespace {

using TTable = std::map<std::string, std::string>;

TEST(MimeTypesTest, BuiltInListKeepsTheWebRows) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {".htm", "text/html"},
      {".html", "text/html"},
      {".xhtml", "application/xhtml+xml"},
      {".css", "text/css"},
      {".js", "text/javascript"},
      {".xml", "text/xml"},
      {".txt", "text/plain"},
      {".svg", "image/svg+xml"},
      {".svgz", "image/svg+xml"},
      {".png", "image/x-png"},
      {".jpg", "image/jpeg"},
      {".jpeg", "image/jpeg"},
      {".gif", "image/gif"},
      {".bmp", "image/bmp"},
      {".ico", "image/x-icon"},
      {".webp", "image/webp"},
      {".mp3", "audio/x-mpg"},
      {".wav", "audio/x-wav"},
      {".mp4", "video/mpeg"},
      {".webm", "video/webm"},
      {".ogg", "application/ogg"},
      {".ogv", "video/ogg"},
      {".pdf", "application/pdf"},
      {".zip", "application/x-zip-compressed"},
  };
  const TMimeTypes builtIn;
  for (const auto& [extension, type] : rows) {
    EXPECT_EQ(builtIn.TypeOfExtension(extension), type) << extension;
  }
  for (const char* extension :
       {".json", ".mjs", ".wasm", ".woff", ".woff2", ".ttf", ".otf", ".csv"}) {
    EXPECT_EQ(builtIn.TypeOfExtension(extension), "") << extension;
    EXPECT_EQ(builtIn.FileType(std::string("file") + extension), "application/octet-stream");
  }
}

TEST(MimeTypesTest, BuiltInListIsWellFormedAndFirstEntryCounts) {
  const TMimeTypes builtIn;
  std::map<std::string, std::string> first;
  for (const TMimeEntry& entry : TMimeTypes::BuiltInEntries()) {
    const std::string extension = entry.Extension;
    const std::string type = entry.Type;
    EXPECT_EQ(extension.front(), '.') << extension;
    EXPECT_EQ(extension.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ", 0), std::string::npos);
    EXPECT_EQ(type.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ", 0), std::string::npos);
    EXPECT_NE(type.find('/'), std::string::npos) << extension;
    first.emplace(extension, type);
  }
  EXPECT_GE(first.size(), 380u);
  EXPECT_EQ(builtIn.Table(), first);

  const TMimeEntry twice[] = {{".a", "x/first"}, {".b", "x/b"}, {".a", "x/second"}};
  const TMimeTypes custom(twice, nullptr);
  EXPECT_EQ(custom.TypeOfExtension(".a"), "x/first");
  EXPECT_EQ(custom.Table().size(), 2u);
}

TEST(MimeTypesTest, ExtensionIsTheTextFromTheLastDot) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"photo.PNG", ".png"},
      {"archive", ""},
      {"lib.old/readme", ".old/readme"},  // a slash does not end the extension
      {"C:\\dir.x\\file", ""},            // a backslash does
      {"stream.txt:alt", ""},             // and so does a colon
      {"dir\\file.TXT", ".txt"},
      {"a.tar.GZ", ".gz"},
      {"file.", "."},
      {".htaccess", ".htaccess"},
      {"", ""},
  };
  for (const auto& [name, extension] : cases) {
    EXPECT_EQ(TMimeTypes::ExtensionOf(name), extension) << name;
  }
  const TMimeTypes builtIn;
  EXPECT_EQ(builtIn.FileType("photo.PNG"), "image/x-png");
  EXPECT_EQ(builtIn.FileType("archive"), "application/octet-stream");
  EXPECT_EQ(builtIn.FileType("lib.old/readme"), "application/octet-stream");
  EXPECT_EQ(builtIn.FileType("C:\\site.css\\x"), "application/octet-stream");
  EXPECT_EQ(builtIn.FileType("css/Site.CSS"), "text/css");
}

TEST(MimeTypesTest, SystemEntriesReplaceBuiltInOnes) {
  TFakeContentTypes system;
  system.Types() = {{".png", "image/png"}, {".json", "application/json"}};
  const TMimeTypes table(&system);
  EXPECT_EQ(table.FileType("photo.PNG"), "image/png");
  EXPECT_EQ(table.FileType("data.json"), "application/json");
  EXPECT_EQ(table.FileType("a.zip"), "application/x-zip-compressed");
  EXPECT_EQ(TMimeTypes(nullptr).Table(), TMimeTypes().Table());
}

TEST(MimeTypesTest, FailingSystemSourceLeavesTheBuiltInList) {
  class TBrokenSource : public IContentTypes {
   public:
    void AddSystemContentTypes(TTable& table) override {
      table[".png"] = "broken/half-way";
      throw std::runtime_error("unreadable");
    }
  } broken;
  const TMimeTypes table(&broken);
  EXPECT_EQ(table.FileType("photo.png"), "image/x-png");
}

TEST(MimeTypesTest, ProcessTableIsBuiltOnce) {
  std::vector<const TMimeTypes*> seen(4, nullptr);
  std::vector<std::thread> threads;
  for (auto& slot : seen) threads.emplace_back([&slot] { slot = &TMimeTypes::Process(); });
  for (auto& thread : threads) thread.join();
  for (const TMimeTypes* table : seen) EXPECT_EQ(table, &TMimeTypes::Process());

  // Too late: the table exists already and stays as it is.
  const TTable before = TMimeTypes::Process().Table();
  TFakeContentTypes late;
  late.Types() = {{".late", "x/late"}};
  EXPECT_FALSE(TMimeTypes::InstallSystemSource(&late));
  EXPECT_EQ(TMimeTypes::Process().Table(), before);
  EXPECT_EQ(TStrUtils::GetFileMIMEType("a.late"), "application/octet-stream");
}

TEST(ContentTypeListsTest, MimeTypesLinesMapTheirExtensions) {
  const std::string text =
      "# comment line\n"
      "text/html\t\thtml htm\n"
      "image/png  png   # trailing comment\r\n"
      "application/x-empty\n"
      "Application/X-Foo FOO .bar\n"
      "text/plain txt\n"
      "text/x-other txt\n"
      "bogus ext1\n"
      "x/y a/b tar.gz ok";
  TTable table = {{".htm", "old/type"}, {".keep", "k/k"}};
  TContentTypeLists::ParseMimeTypes(text, table);
  const TTable expected = {
      {".htm", "text/html"},
      {".html", "text/html"},
      {".keep", "k/k"},
      {".png", "image/png"},
      {".foo", "application/x-foo"},
      {".bar", "application/x-foo"},
      {".txt", "text/x-other"},
      {".ok", "x/y"},
  };
  EXPECT_EQ(table, expected);
}

TEST(ContentTypeListsTest, Globs2TakesSimpleGlobsByWeight) {
  const std::string text =
      "# This file was automatically generated\n"
      "80:text/html:*.html\n"
      "50:application/xhtml+xml:*.html\n"
      "50:text/x-c++src:*.C:cs\n"
      "50:text/x-c++src:*.C\n"
      "50:text/x-csrc:*.c:cs\n"
      "50:text/x-csrc:*.c\n"
      "50:text/x-c++src:*.CPP:cs\n"
      "50:audio/ogg:*.ogg\n"
      "50:video/ogg:*.ogg\n"
      "40:audio/x-low:*.mp3\n"
      "60:audio/mpeg:*.mp3\n"
      "50:image/x-foo:*.FOO\n"
      "50:application/x-sharedlib:*.so.[0-9]*\n"
      "50:application/x-compressed-tar:*.tar.gz\n"
      "50:text/x-readme:README\n"
      "50:application/x-wild:*.w?\n"
      "10:application/x-junk:__NOGLOBS__\n"
      "x:bad/weight:*.bad\n"
      "50:notatype:*.nt\r\n"
      "50:Text/X-Mixed:*.mix:cs,x\n";
  TTable table = {{".html", "old/html"}, {".keep", "k/k"}};
  TContentTypeLists::ParseGlobs2(text, table);
  const TTable expected = {
      {".html", "text/html"}, {".c", "text/x-csrc"},   {".ogg", "audio/ogg"},
      {".mp3", "audio/mpeg"}, {".foo", "image/x-foo"}, {".mix", "text/x-mixed"},
      {".keep", "k/k"},
  };
  EXPECT_EQ(table, expected);
}

}  // namespace
}  // namespace zel
