// The engine's boundary text rules, without a display.
#include <gtest/gtest.h>

#include <set>

#include "backends/webkitgtk/UriMapping.h"

namespace zel {
namespace {

TEST(EngineUriMapping, SchemesSwapAtTheBoundaryOnly) {
  struct TCase {
    const char* Uri;
    const char* Engine;
    const char* File;
  } cases[] = {
      {"file:///index.html", "zel:///index.html", "file:///index.html"},
      {"FILE:///a%20b.png?x=1#f", "zel:///a%20b.png?x=1#f", "file:///a%20b.png?x=1#f"},
      {"zel:///js/main.js", "zel:///js/main.js", "file:///js/main.js"},
      {"https://example.com/file:///x", "https://example.com/file:///x",
       "https://example.com/file:///x"},
      {"filesystem:x", "filesystem:x", "filesystem:x"},
      {"about:blank", "about:blank", "about:blank"},
      {"file", "file", "file"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(FileToEngineUri(c.Uri), c.Engine) << c.Uri;
    EXPECT_EQ(EngineToFileUri(c.Engine), c.File) << c.Uri;
  }
}

TEST(EngineUriMapping, FragmentAndOrigin) {
  EXPECT_EQ(StripFragment("zel:///a.html?q=1#top"), "zel:///a.html?q=1");
  EXPECT_EQ(StripFragment("zel:///a.html"), "zel:///a.html");
  EXPECT_EQ(OriginToSource("zel://"), "file://");
  EXPECT_EQ(OriginToSource("http://127.0.0.1:8080"), "http://127.0.0.1:8080");
  EXPECT_EQ(OriginToSource("null"), "null");
  // A document of a real file: address is not one the engine serves.
  EXPECT_EQ(OriginToSource("file://"), "null");
  EXPECT_EQ(OriginToSource("FILE://"), "null");
}

TEST(EngineUriMapping, HeaderText) {
  auto headers = ParseHeaderText(
      "Content-Type: text/html; charset=utf-8\r\nX-Empty:\r\nbroken line\r\n Bad Name: x\r\n"
      "Cache-Control:  no-store  \nLast: a:b");
  ASSERT_EQ(headers.size(), 4u);
  EXPECT_EQ(headers[0],
            std::make_pair(std::string("Content-Type"), std::string("text/html; charset=utf-8")));
  EXPECT_EQ(headers[1], std::make_pair(std::string("X-Empty"), std::string("")));
  EXPECT_EQ(headers[2], std::make_pair(std::string("Cache-Control"), std::string("no-store")));
  EXPECT_EQ(headers[3], std::make_pair(std::string("Last"), std::string("a:b")));
  EXPECT_TRUE(ParseHeaderText("").empty());
}

TEST(EngineUriMapping, BrowserArguments) {
  struct TCase {
    const char* Text;
    bool Security;
    bool Autoplay;
    bool Automation = false;
  } cases[] = {
      {"", false, false},
      {"--disable-web-security", true, false},
      {"  --allow-file-access-from-files "
       "--disable-web-security\t--autoplay-policy=no-user-gesture-required ",
       true, true},
      {"\"--autoplay-policy=no-user-gesture-required\"", false, true},
      {"--disable-web-security-x --autoplay-policy=user-gesture-required", false, false},
      {"--disable-web-security --enable-automation", true, false, true},
      {"--enable-automation=1 --automation", false, false, false},
  };
  for (const TCase& c : cases) {
    TBrowserArguments arguments = ParseBrowserArguments(c.Text);
    EXPECT_EQ(arguments.DisableWebSecurity, c.Security) << c.Text;
    EXPECT_EQ(arguments.AutoplayWithoutGesture, c.Autoplay) << c.Text;
    EXPECT_EQ(arguments.EnableAutomation, c.Automation) << c.Text;
  }
}

TEST(EngineUriMapping, Filters) {
  struct TCase {
    const char* Pattern;
    const char* Uri;
    bool Match;
  } cases[] = {
      {"*", "file:///index.html", true},
      {"*", "", true},
      {"file:///*", "file:///css/site.css?v=1", true},
      {"file:///*.css", "file:///css/site.css", true},
      {"file:///*.css", "file:///css/site.css?v=1", false},
      {"file:///?.js", "file:///a.js", true},
      {"file:///?.js", "file:///ab.js", false},
      {"https://*", "file:///a", false},
      {"*a*b*", "xxaxxbxx", true},
      {"*a*b", "xxaxxbxxc", false},
      {"", "x", false},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(MatchesUriFilter(c.Pattern, c.Uri), c.Match) << c.Pattern << " " << c.Uri;
}

TEST(EngineUriMapping, Ranges) {
  struct TCase {
    const char* Header;
    std::uint64_t Length;
    TRangeResult Result;
    std::uint64_t First;
    std::uint64_t Last;
  } cases[] = {
      {"bytes=0-99", 1000, TRangeResult::Satisfiable, 0, 99},
      {"bytes=100-", 1000, TRangeResult::Satisfiable, 100, 999},
      {"bytes=-100", 1000, TRangeResult::Satisfiable, 900, 999},
      {"bytes=-5000", 1000, TRangeResult::Satisfiable, 0, 999},
      {"bytes=990-2000", 1000, TRangeResult::Satisfiable, 990, 999},
      {"bytes=1000-", 1000, TRangeResult::Unsatisfiable, 0, 0},
      {"bytes=-0", 1000, TRangeResult::Unsatisfiable, 0, 0},
      {"bytes=0-", 0, TRangeResult::Unsatisfiable, 0, 0},
      {"bytes=5-1", 1000, TRangeResult::None, 0, 0},
      {"bytes=0-1,5-6", 1000, TRangeResult::None, 0, 0},
      {"items=0-1", 1000, TRangeResult::None, 0, 0},
      {"bytes=a-b", 1000, TRangeResult::None, 0, 0},
  };
  for (const TCase& c : cases) {
    TByteRange range;
    EXPECT_EQ(ParseRangeHeader(c.Header, c.Length, range), c.Result) << c.Header;
    if (c.Result == TRangeResult::Satisfiable) {
      EXPECT_EQ(range.First, c.First) << c.Header;
      EXPECT_EQ(range.Last, c.Last) << c.Header;
    }
  }
}

TEST(EngineUriMapping, TokensAreRandomHex) {
  std::set<std::string> seen;
  for (int i = 0; i < 8; ++i) {
    std::string token = RandomToken(16);
    EXPECT_EQ(token.size(), 32u);
    EXPECT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos);
    seen.insert(token);
  }
  EXPECT_EQ(seen.size(), 8u);
  EXPECT_TRUE(EqualInConstantTime("0a1b", "0a1b"));
  EXPECT_FALSE(EqualInConstantTime("0a1b", "0a1c"));
  EXPECT_FALSE(EqualInConstantTime("0a1b", "0a1"));
  EXPECT_FALSE(EqualInConstantTime("", "0"));
}

}  // namespace
}  // namespace zel
