#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/settings/ProjectIni.h"
#include "core/text/Utf8.h"

namespace zel {
namespace {

std::vector<std::uint8_t> ToUtf16WithMark(std::string_view utf8, bool bigEndian) {
  std::vector<std::uint8_t> bytes =
      bigEndian ? std::vector<std::uint8_t>{0xFE, 0xFF} : std::vector<std::uint8_t>{0xFF, 0xFE};
  const auto put = [&](char16_t unit) {
    const auto high = static_cast<std::uint8_t>(unit >> 8);
    const auto low = static_cast<std::uint8_t>(unit & 0xFF);
    bytes.push_back(bigEndian ? high : low);
    bytes.push_back(bigEndian ? low : high);
  };
  for (char32_t cp : Utf8ToUtf32(utf8)) {
    if (cp > 0xFFFF) {
      put(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      put(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      put(static_cast<char16_t>(cp));
    }
  }
  return bytes;
}

TProjectINI Load(std::string_view text) {
  TProjectINI ini;
  ini.LoadFromText(text);
  return ini;
}

TEST(ProjectIniTest, ParsesIntegers) {
  struct TCase {
    const char* Text;
    std::optional<std::int32_t> Expected;
  };
  const std::vector<TCase> cases = {
      {"1024", 1024},
      {"+7", 7},
      {"-1", -1},
      {"00012", 12},
      {"0x400", 1024},
      {"0X400", 1024},
      {"0x0", 0},
      {"$400", 1024},
      {"$1a", 26},
      {"$FF00001A", static_cast<std::int32_t>(0xFF00001Au)},
      {"$FFFFFFFF", -1},
      {"$0000000A", 10},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"$100000000", std::nullopt},
      {"1024px", std::nullopt},
      {"true", std::nullopt},
      {"", std::nullopt},
      {"$", std::nullopt},
      {"0x", std::nullopt},
      {"-", std::nullopt},
      {"+", std::nullopt},
      {"-$10", std::nullopt},
      {"$-10", std::nullopt},
      {"0x-1", std::nullopt},
      {"0x$1", std::nullopt},
      {"$G", std::nullopt},
      {"1e3", std::nullopt},
      {"1 000", std::nullopt},
      {"\xD9\xA3", std::nullopt},  // Arabic-Indic digit three
  };
  for (const auto& c : cases) EXPECT_EQ(ParseIniInteger(c.Text), c.Expected) << c.Text;
}

TEST(ProjectIniTest, ReadsTypedValuesAndDefaults) {
  const TProjectINI ini = Load(
      "[App]\n"
      "AllowDebug=true\n"
      "AllowZoom=1\n"
      "AllowContextMenu=-1\n"
      "EdgeInstaller=0\n"
      "DynamicAppTitle=$10\n"
      "Width=0x400\n"
      "Height = $400\n"
      "Top=1024px\n"
      "Left  =  -20  \n"
      "IndexHtml=\n"
      "Name =  My   App  \n"
      "Theme\n"
      "Url=http://x/?a=b\n"
      "Color=$FF00001A\n");

  EXPECT_FALSE(ini.ReadBool("App", "AllowDebug", false));
  EXPECT_TRUE(ini.ReadBool("App", "AllowDebug", true));
  EXPECT_TRUE(ini.ReadBool("App", "AllowZoom", false));
  EXPECT_TRUE(ini.ReadBool("App", "AllowContextMenu", false));
  EXPECT_FALSE(ini.ReadBool("App", "EdgeInstaller", true));
  EXPECT_TRUE(ini.ReadBool("App", "DynamicAppTitle", false));
  EXPECT_TRUE(ini.ReadBool("App", "Absent", true));
  EXPECT_FALSE(ini.ReadBool("App", "Absent", false));

  EXPECT_EQ(ini.ReadInteger("App", "Width", 800), 1024);
  EXPECT_EQ(ini.ReadInteger("App", "Height", 600), 1024);
  EXPECT_EQ(ini.ReadInteger("App", "Top", 50), 50);
  EXPECT_EQ(ini.ReadInteger("App", "Left", 50), -20);
  EXPECT_EQ(ini.ReadInteger("App", "Color", 0), static_cast<std::int32_t>(0xFF00001Au));
  EXPECT_EQ(ini.ReadInteger("App", "IndexHtml", 7), 7);
  EXPECT_EQ(ini.ReadInteger("Other", "Width", 800), 800);

  EXPECT_EQ(ini.ReadString("App", "IndexHtml", "index.html"), "");
  EXPECT_TRUE(ini.ValueExists("App", "IndexHtml"));
  EXPECT_EQ(ini.ReadString("App", "Name", ""), "My   App");
  EXPECT_EQ(ini.ReadString("App", "Theme", "Windows"), "Windows");  // no "=": absent
  EXPECT_FALSE(ini.ValueExists("App", "Theme"));
  EXPECT_EQ(ini.ReadString("App", "Url", ""), "http://x/?a=b");
  EXPECT_EQ(ini.ReadString("App", "Missing", "fallback"), "fallback");
}

TEST(ProjectIniTest, FollowsTheFileStructure) {
  const TProjectINI ini = Load(
      "ID=before-header\n"
      "\t; comment\r\n"
      ";Width=10\r"
      "  [ app ]  \r\n"
      "allowinstances=1\n"
      "Width=100\n"
      "\x01\x1F Height=5 \x7F\n"
      "[Other]\n"
      "Width=200\n"
      "[APP]\n"
      "Width=300\n"
      "Password=a;b\n"
      "Password=second\n"
      "Key=value\n"
      "Key\n"
      "=no name\n"
      "[]\n"
      "Empty=1\n"
      "[Unclosed\n");

  EXPECT_EQ(ini.ReadString("App", "ID", "none"), "none");
  EXPECT_TRUE(ini.ReadBool("App", "AllowInstances", false));
  EXPECT_EQ(ini.ReadInteger("App", "Width", 0), 300);
  EXPECT_EQ(ini.ReadInteger("Other", "Width", 0), 200);
  // U+007F is not trimmed, so the value is not a number.
  EXPECT_EQ(ini.ReadString("App", "Height", ""), "5 \x7F");
  EXPECT_EQ(ini.ReadString("App", "Password", ""), "second");
  EXPECT_EQ(ini.ReadString("App", "Key", "absent"), "absent");
  EXPECT_EQ(ini.ReadString("App", "", ""), "no name");
  EXPECT_EQ(ini.ReadString("", "Empty", ""), "1");
  EXPECT_FALSE(ini.ValueExists("", "[Unclosed"));
  EXPECT_TRUE(ini.SectionExists("aPp"));
  EXPECT_FALSE(ini.SectionExists("Unclosed"));
}

TEST(ProjectIniTest, LineEndsOfEveryKind) {
  const TProjectINI ini = Load("[App]\rA=1\nB=2\r\nC=3\n\rD=4\r\r\nE=5");
  const char* keys[] = {"A", "B", "C", "D", "E"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(ini.ReadInteger("App", keys[i], 0), i + 1) << keys[i];
}

TEST(ProjectIniTest, EncodingsGiveTheSameSettings) {
  const std::string text =
      "[App]\r\n"
      "Name=Caf\u00E9 \u5E94\u7528 \U0001F600\r\n"
      "[\u00C9t\u00E9]\r\n"
      "\u0428\u0418\u0420\u0418\u041D\u0410=640\r\n"
      "\u039F\u03A3\u039F\u03A3=greek\r\n";

  TProjectINI fromText;
  fromText.LoadFromText(text);

  std::vector<std::uint8_t> utf8 = {0xEF, 0xBB, 0xBF};
  utf8.insert(utf8.end(), text.begin(), text.end());
  std::vector<std::uint8_t> noMark(text.begin(), text.end());

  const std::vector<std::vector<std::uint8_t>> files = {utf8, noMark, ToUtf16WithMark(text, false),
                                                        ToUtf16WithMark(text, true)};
  for (std::size_t i = 0; i < files.size(); ++i) {
    TProjectINI ini;
    ini.LoadFromBytes(files[i]);
    EXPECT_EQ(ini.ReadString("App", "Name", ""), "Caf\u00E9 \u5E94\u7528 \U0001F600") << i;
    EXPECT_EQ(ini.ReadInteger("\u00E9t\u00C9", "\u0448\u0438\u0440\u0438\u043D\u0430", 0), 640)
        << i;
    EXPECT_EQ(ini.ReadString("\u00C9T\u00C9", "\u03BF\u03C3\u03BF\u03C2", ""), "greek") << i;
  }
}

TEST(ProjectIniTest, WindowsCodePageWithoutMark) {
  const std::string bytes =
      "[App]\nName=Gr\xFC\xDF"
      "e \x80\n";
  TProjectINI ini;
  ini.LoadFromBytes(std::string_view(bytes));
  EXPECT_EQ(ini.ReadString("App", "Name", ""), "Gr\u00FC\u00DFe \u20AC");
}

TEST(ProjectIniTest, LoadingReplacesTheStore) {
  TProjectINI ini;
  ini.LoadFromText("[App]\nID=first\nName=x\n");
  ini.LoadFromText("[App]\nID=second\n");
  EXPECT_EQ(ini.ReadString("App", "ID", ""), "second");
  EXPECT_EQ(ini.ReadString("App", "Name", "gone"), "gone");

  ini.LoadFromBytes(std::span<const std::uint8_t>());  // package without zel.ini
  EXPECT_FALSE(ini.SectionExists("App"));
  EXPECT_EQ(ini.ReadString("App", "ID", ""), "");
}

}  // namespace
}  // namespace zel
