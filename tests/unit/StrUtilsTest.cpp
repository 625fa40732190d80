#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "core/text/MimeTypes.h"
#include "core/text/StrUtils.h"

namespace zel {
namespace {

using TStrings = std::vector<std::string>;

TEST(StrUtilsTest, StringToJsonStringFollowsTheEscapeTable) {
  struct TCase {
    std::string Value;
    std::string Expected;
  };
  const std::vector<TCase> cases = {
      {"", R"("")"},
      {"plain text", R"("plain text")"},
      {"a\tb\nc/d", R"("a\tb\nc\/d")"},
      {"\"\\", R"("\"\\")"},
      {"\b\f\r", R"("\b\f\r")"},
      {"\x01", R"("\u0001")"},
      {"\x1f", R"("\u001F")"},
      {std::string("a\0b", 3), R"("a\u0000b")"},
      {"\x7f", "\"\x7f\""},                          // DEL is above U+0020: itself
      {"\xC3\xA9", "\"\xC3\xA9\""},                  // é
      {"\xD0\x96\xCE\xA9", "\"\xD0\x96\xCE\xA9\""},  // Cyrillic and Greek
      {"\xE2\x82\xAB", "\"\xE2\x82\xAB\""},          // U+20AB, the last one written as itself
      {"\xE2\x82\xAC", R"("\u20AC")"},               // euro sign
      {"\xE4\xB8\xAD", R"("\u4E2D")"},               // CJK
      {"\xEF\xBF\xBF", R"("\uFFFF")"},
      {"\xF0\x9F\x98\x80", R"("\uD83D\uDE00")"},  // emoji: two surrogate halves
      {"\xF4\x8F\xBF\xBF", R"("\uDBFF\uDFFF")"},  // U+10FFFF
      {"a\xFF"
       "b",
       R"("a\uFFFDb")"},                            // stray byte
      {"\xC3", R"("\uFFFD")"},                      // cut-off sequence
      {"\xED\xA0\x80", R"("\uFFFD\uFFFD\uFFFD")"},  // encoded surrogate is not UTF-8
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TStrUtils::StringToJsonString(c.Value), c.Expected) << c.Expected;
  }
}

TEST(StrUtilsTest, StringToJsonStringReadsBackAsTheSameText) {
  const TStrings values = {"", "x/y\\z\"", "tab\there\r\n", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
                           std::string("nul\0inside", 10)};
  for (const std::string& value : values) {
    EXPECT_EQ(nlohmann::json::parse(TStrUtils::StringToJsonString(value)).get<std::string>(),
              value);
  }
}

TEST(StrUtilsTest, ExplodeStringsSplitsAtEveryExactSeparator) {
  struct TCase {
    std::string Separator;
    std::string Value;
    TStrings Expected;
  };
  const std::vector<TCase> cases = {
      {";", "a;b", {"a", "b"}},
      {";", "a;;b", {"a", "", "b"}},
      {";", "a;", {"a", ""}},
      {";", ";a", {"", "a"}},
      {";", "", {""}},
      {";", "abc", {"abc"}},
      {"", "a;b", {"a;b"}},
      {"|", "Images|*.png;*.jpg", {"Images", "*.png;*.jpg"}},
      {"ab", "xabab", {"x", "", ""}},
      {"aa", "aaa", {"", "a"}},  // no overlapping matches
      {"X", "axb", {"axb"}},     // letter case counts
      {"\xC3\xA9",
       "a\xC3\xA9"
       "b",
       {"a", "b"}},
  };
  for (const auto& c : cases) {
    const TStrings parts = TStrUtils::ExplodeStrings(c.Separator, c.Value);
    EXPECT_EQ(parts, c.Expected) << c.Separator << " in " << c.Value;
    if (!c.Separator.empty()) {
      EXPECT_EQ(TStrUtils::ImplodeStrings(c.Separator, parts), c.Value);
    }
  }
  EXPECT_EQ(TStrUtils::ImplodeStrings(", ", {}), "");
  EXPECT_EQ(TStrUtils::ImplodeStrings(", ", {"a", "", "b"}), "a, , b");
}

TEST(StrUtilsTest, QuotingReplacesQuotesColonsAndBars) {
  const std::string text = "it's \"a:b|c\" \\x";
  EXPECT_EQ(TStrUtils::QuoteJavascript(text), R"(it\x27s \x22a:b|c\x22 \x)");
  EXPECT_EQ(TStrUtils::QuoteArguments(text), R"(it\x27s \x22a\x3ab\x7cc\x22 \x)");
  EXPECT_EQ(TStrUtils::UnquoteJavascript(TStrUtils::QuoteJavascript(text)), text);
  EXPECT_EQ(TStrUtils::UnquoteArguments(TStrUtils::QuoteArguments(text)), text);
  EXPECT_EQ(TStrUtils::UnquoteJavascript(R"(\x27\x22\x3a)"), R"('"\x3a)");
}

TEST(StrUtilsTest, JavascriptArrayFromLinesSkipsEmptyLinesAndTrims) {
  EXPECT_EQ(TStrUtils::GetJavascriptArrayFromMultilineString("  one \n\ntwo's\r\n"),
            R"("one", "two\x27s")");
  EXPECT_EQ(TStrUtils::GetJavascriptArrayFromMultilineString(""), "");
  EXPECT_EQ(TStrUtils::GetJavascriptArrayFromMultilineString("a\n \nb"), R"("a", "", "b")");
}

TEST(StrUtilsTest, RandomStringsDrawFromTheGivenCharacters) {
  const std::string twoLetters = TStrUtils::GetRandomString(200, "ab");
  EXPECT_EQ(twoLetters.size(), 200u);
  EXPECT_EQ(twoLetters.find_first_not_of("ab"), std::string::npos);
  EXPECT_NE(twoLetters.find('a'), std::string::npos);
  EXPECT_NE(twoLetters.find('b'), std::string::npos);

  // Characters, not bytes, are drawn.
  const std::string accented = TStrUtils::GetRandomString(8, "\xC3\xA9\xC3\xBC");
  EXPECT_TRUE(std::regex_match(accented, std::regex("(\xC3\xA9|\xC3\xBC){8}"))) << accented;

  EXPECT_EQ(TStrUtils::GetRandomString(5, ""), "");
  EXPECT_EQ(TStrUtils::GetRandomString(0, "ab"), "");
  EXPECT_EQ(TStrUtils::GetRandomString(-3, "ab"), "");

  const std::string suffix = TStrUtils::GetControlRandomSuffix("button");
  EXPECT_TRUE(std::regex_match(suffix, std::regex("button-[a-z0-9]{10}"))) << suffix;
}

TEST(StrUtilsTest, UrlArgumentsAreSplitAndDecoded) {
  struct TCase {
    std::string Url;
    TStrings Expected;
  };
  const std::vector<TCase> cases = {
      {"http://host/p?a=1&b=hello+world&c=%C3%A9%2B#frag", {"a=1", "b=hello world", "c=\xC3\xA9+"}},
      {"http://host/p", {}},
      {"http://host/p?", {}},
      {"http://host/p?#x", {}},
      {"p?a&&b&", {"a", "", "b", ""}},
      {"p?bad=%zz%4", {"bad=%zz%4"}},
      {"p?x=%FF", {"x=\xEF\xBF\xBD"}},  // not UTF-8: replacement character
  };
  for (const auto& c : cases) {
    TStrings arguments = {"left over"};
    TStrUtils::GetUrlArguments(c.Url, arguments);
    EXPECT_EQ(arguments, c.Expected) << c.Url;
  }
}

TEST(StrUtilsTest, StrToResolutionTakesTheFirstMatch) {
  struct TCase {
    std::string Value;
    int Width;
    int Height;
  };
  const std::vector<TCase> cases = {
      {"1920x1080", 1920, 1080},
      {"screen 800x600 px", 800, 600},
      {"12x34x56", 12, 34},
      {"x5 10x", -1, -1},
      {"800X600", -1, -1},
      {"", -1, -1},
      {"99999999999x1", -1, -1},  // does not fit an int
      {"a1b22x3", 22, 3},
      {"0x0", 0, 0},
      {"5x", -1, -1},
      {std::string(300000, '7') + "x2", -1, -1},  // long input must not exhaust the stack
      {std::string(300000, '-') + "640x480", 640, 480},
  };
  for (const auto& c : cases) {
    int width = 7;
    int height = 7;
    TStrUtils::StrToResolution(c.Value, width, height);
    EXPECT_EQ(width, c.Width) << c.Value;
    EXPECT_EQ(height, c.Height) << c.Value;
  }
}

TEST(StrUtilsTest, BufferSearchHonoursItsOptions) {
  using enum TStringSearchOption;
  struct TCase {
    std::string Text;
    std::string Sub;
    TStringSearchOptions Options;
    std::size_t Expected;
  };
  constexpr std::size_t None = std::string::npos;
  const std::vector<TCase> cases = {
      {"Hello World hello", "hello", Down, 0},
      {"Hello World hello", "hello", Down | MatchCase, 12},
      {"Hello World hello", "HELLO", {}, 12},  // searching up finds the last one
      {"Hello World hello", "Hello", MatchCase, 0},
      {"Hello World hello", "hellO", MatchCase, None},
      {"catalog cat", "cat", Down | WholeWord, 8},
      {"catalog", "cat", WholeWord, None},
      {"concat cat", "cat", Down | WholeWord, 7},
      {"(cat)", "cat", WholeWord, 1},
      {"cat_x", "cat", WholeWord, 0},  // underscore separates words
      {"cat1", "cat", WholeWord, None},
      {"caf\xC3\xA9x caf\xC3\xA9", "caf\xC3\xA9", Down | WholeWord, 7},
      {"\xC3\x89"
       "COLE",
       "\xC3\xA9"
       "cole",
       Down, 0},  // case ignored beyond ASCII
      {"\xC3\xA9\xC3\xA9"
       "ab",
       "ab", Down, 4},  // offset in bytes
      {"abc", "", Down, None},
      {"ab", "abc", Down, None},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TStrUtils::FindSubString(c.Text, c.Sub, c.Options), c.Expected)
        << c.Sub << " in " << c.Text;
    EXPECT_EQ(TStrUtils::SubStringExists(c.Text, c.Sub, c.Options), c.Expected != None);
  }
}

TEST(StrUtilsTest, OleVarToStrFormatsEachKind) {
  struct TCase {
    TOleVariant Value;
    std::string Expected;
  };
  const std::vector<TCase> cases = {
      {std::monostate(), ""},
      {std::string("text"), "text"},
      {std::int64_t(-42), "-42"},
      {1.5, "1.5"},
      {0.1, "0.1"},
      {100.0, "100"},
      {TDateTime{0}, "1899-12-30"},
      {TDateTime{45292}, "2024-01-01"},
      {TDateTime{45292.5}, "2024-01-01 12:00:00"},
      {TDateTime{0.75}, "18:00:00"},
      {TDateTime{-1.25}, "1899-12-29 06:00:00"},
      {TDateTime{-693593}, "0001-01-01"},
      {TDateTime{2958465.5}, "9999-12-31 12:00:00"},
      {TDateTime{2958466}, ""},  // year 10000
      {TDateTime{-693594}, ""},  // year 0
      {TDateTime{std::numeric_limits<double>::quiet_NaN()}, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TStrUtils::OleVarToStr(c.Value), c.Expected);
}

TEST(StrUtilsTest, SmallConversions) {
  EXPECT_EQ(TStrUtils::AddLeadingZeroes(7, 3), "007");
  EXPECT_EQ(TStrUtils::AddLeadingZeroes(1234, 2), "1234");
  EXPECT_EQ(TStrUtils::AddLeadingZeroes(-5, 3), "-005");
  EXPECT_EQ(TStrUtils::AddLeadingZeroes(0, 0), "0");
  EXPECT_EQ(TStrUtils::AddLeadingZeroes(42, 80), std::string(78, '0') + "42");

  EXPECT_EQ(TStrUtils::RepeatString("ab", 3), "ababab");
  EXPECT_EQ(TStrUtils::RepeatString("ab", 0), "");
  EXPECT_EQ(TStrUtils::RepeatString("ab", -1), "");

  EXPECT_TRUE(TStrUtils::FilePathIsAppRelative("App/Files/x.txt"));
  EXPECT_FALSE(TStrUtils::FilePathIsAppRelative("app/files"));
  EXPECT_FALSE(TStrUtils::FilePathIsAppRelative("/app/files/x"));
  EXPECT_TRUE(TStrUtils::FilePathIsPluginRelative("APP/plugins/a.js"));
  EXPECT_FALSE(TStrUtils::FilePathIsPluginRelative("app/files/a.js"));
}

TEST(StrUtilsTest, CapitalizeUpperCasesTheFirstLetterOnly) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"hello world", "Hello world"},
      {"\xC3\xA9lan", "\xC3\x89lan"},  // é
      {"\xC3\xBF"
       "es",
       "\xC5\xB8"
       "es"},  // ÿ -> Ÿ
      {"\xC5\x82\xC3\xB3"
       "d\xC5\xBA",
       "\xC5\x81\xC3\xB3"
       "d\xC5\xBA"},                                             // ł
      {"\xCF\x89mega", "\xCE\xA9mega"},                          // ω
      {"\xD0\xB6\xD1\x83\xD0\xBA", "\xD0\x96\xD1\x83\xD0\xBA"},  // ж
      {"\xC3\x9F", "\xC3\x9F"},                                  // ß has no one-letter capital
      {"1abc", "1abc"},
      {"Already", "Already"},
      {"", ""},
      {"\xFF"
       "abc",
       "\xFF"
       "abc"},
  };
  for (const auto& [value, expected] : cases) EXPECT_EQ(TStrUtils::Capitalize(value), expected);
}

TEST(StrUtilsTest, GetFileMIMETypeUsesTheProcessTable) {
  const TMimeTypes& table = TMimeTypes::Process();
  for (const char* name : {"photo.PNG", "index.html", "archive", "lib.old/readme", "a.json"}) {
    EXPECT_EQ(TStrUtils::GetFileMIMEType(name), table.FileType(name)) << name;
  }
  EXPECT_EQ(TStrUtils::GetFileMIMEType("archive"), "application/octet-stream");
  EXPECT_EQ(TStrUtils::GetFileMIMEType("lib.old/readme"), "application/octet-stream");
}

}  // namespace
}  // namespace zel
