// themes.getTheme, getThemes and setTheme, and the compiled-in theme files,
// on the fake platform.
#include <gtest/gtest.h>

#include <set>

#include "BridgeTestSupport.h"
#include "core/themes/StylesUtils.h"
#include "core/themes/ThemePalettes.h"

namespace zel {
namespace {

class ThemeFunctionsTest : public test::BridgeFixture {
 protected:
  TFakeVisualStyles& Styles() { return FPlatform.VisualStyles(); }
};

const char* const SortedThemes =
    R"(["Amakrits","Amethyst Kamri","Aqua Graphite","Aqua Light Slate","Auric","Carbon",)"
    R"("Charcoal Dark Slate","Cobalt XEMedia","Cyan Dusk","Cyan Night","Emerald Light Slate",)"
    R"("Glossy","Glow","Golden Graphite","Iceberg Classico","Lavender Classico","Light","Luna",)"
    R"("Metropolis UI Black","Metropolis UI Blue","Metropolis UI Dark","Metropolis UI Green",)"
    R"("Obsidian","Onyx Blue","Ruby Graphite","Sapphire Kamri","Silver","Sky","Slate Classico",)"
    R"("Smokey Quartz Kamri","Tablet Dark","Tablet Light","Turquoise Gray","Windows","Windows10",)"
    R"("Windows10 Blue","Windows10 Dark","Windows10 Green","Windows10 Purple",)"
    R"("Windows10 SlateGray"])";

TEST_F(ThemeFunctionsTest, GetThemesAnswersTheFortyNamesSortedWithoutRegardToCase) {
  EXPECT_EQ(Call(80002), std::string("true:") + SortedThemes);
  // Unsorted, the system's look comes first.
  std::vector<std::string> names{"left over"};
  TStylesUtils::GetAvailables(names, false);
  ASSERT_EQ(names.size(), 40u);
  EXPECT_EQ(names.front(), "Windows");
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), 40u);
}

TEST_F(ThemeFunctionsTest, SetThemeMatchesNamesIgnoringCaseButAnswersTrueOnlyForTheExactName) {
  struct TCase {
    const char* Data;
    const char* Reply;
    const char* ActiveAfter;
  };
  const TCase cases[] = {
      {R"({"name":"Carbon"})", "true:true", "Carbon"},
      {R"({"name":"Windows10 Dark"})", "true:true", "Windows10 Dark"},
      {R"({"name":"carbon"})", "true:false", "Carbon"},  // applied, but not that spelling
      {R"({"name":"No Such Theme"})", "true:false", "Carbon"},
      {R"({})", "true:false", "Carbon"},
      {R"({"name":null})", "true:false", "Carbon"},
      {R"({"name":"Carbon "})", "true:false", "Carbon"},
      {R"({"name":"Windows"})", "true:true", "Windows"},
      {R"({"name":"LUNA"})", "true:false", "Luna"},
      {R"({"name":"windows"})", "true:false", "Windows"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Data);
    EXPECT_EQ(Call(80003, c.Data), c.Reply);
    EXPECT_EQ(Call(80001), std::string("true:\"") + c.ActiveAfter + "\"");
  }
  EXPECT_TRUE(FPlatform.MessageBoxes().Shown().empty());  // nothing shown for unknown names
  // What the platform was asked to draw: each change once, the system look as none.
  const auto& applied = Styles().Applied();
  ASSERT_EQ(applied.size(), 6u);
  EXPECT_EQ(applied[0]->Name, "Carbon");
  EXPECT_EQ(applied[1]->Name, "Windows10 Dark");
  EXPECT_EQ(applied[2]->Name, "Carbon");
  EXPECT_FALSE(applied[3]);
  EXPECT_EQ(applied[4]->Name, "Luna");
  EXPECT_FALSE(applied[5]);
}

TEST_F(ThemeFunctionsTest, ANameGivenAsObjectOrArrayEndsTheCallWithoutReplyOrChange) {
  EXPECT_EQ(Call(80003, R"({"name":"Carbon"})"), "true:true");
  EXPECT_EQ(Call(80003, R"({"name":{"a":1}})"), "");
  EXPECT_EQ(Call(80003, R"({"name":["Luna"]})"), "");
  EXPECT_EQ(Call(80001), R"(true:"Carbon")");
}

TEST_F(ThemeFunctionsTest, InPreviewModeEachShowsItsMessageAndDoesNotReply) {
  FModule.SetExeZip(nullptr);
  const std::pair<int, const char*> functions[] = {
      {80001, "getTheme"}, {80002, "getThemes"}, {80003, "setTheme"}};
  for (const auto& [id, name] : functions) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Call(id, R"({"name":"Carbon"})"), "");
    EXPECT_EQ(FPlatform.MessageBoxes().Shown().back().Text,
              std::string("Calls to zel.themes.") + name + "() works only at runtime.");
  }
  EXPECT_TRUE(Styles().Applied().empty());
}

TEST(ThemePalettesTest, EveryFileReadsAndNamesADistinctTheme) {
  std::set<std::string> names;
  for (const TThemePalette& palette : ThemePalettes()) {
    SCOPED_TRACE(palette.Name);
    EXPECT_TRUE(names.insert(palette.Name).second);
    EXPECT_NE(palette.Face, palette.Text);  // text must be readable on its face
    EXPECT_NE(palette.TitleBar, palette.TitleText);
  }
  EXPECT_EQ(names.size(), 39u);
}

TEST(ThemePalettesTest, AFileWithAMissingOrUnsafeValueIsRefused) {
  const std::string good =
      "[Theme]\nName=T\nTitleBar=#000000\nTitleBarEnd=#000000\nTitleText=#ffffff\n"
      "Frame=#000000\nFace=#ffffff\nText=#000000\nButton=#eeeeee\nButtonText=#000000\n"
      "Accent=#0000ff\nAccentText=#ffffff\nField=#ffffff\nFieldText=#000000\nRadius=3\n"
      "FrameWidth=1\n";
  const TThemePalette palette = ParseThemePalette(good);
  EXPECT_EQ(palette.Name, "T");
  EXPECT_EQ(palette.Accent, "#0000ff");
  EXPECT_EQ(palette.Radius, 3);

  const std::pair<std::string, std::string> broken[] = {
      {"Name=T\n", "Name=\n"},
      {"Face=#ffffff\n", ""},
      {"Face=#ffffff\n", "Face=white\n"},
      {"Face=#ffffff\n", "Face=#fff; } * { color: red\n"},
      {"Face=#ffffff\n", "Face=#gggggg\n"},
      {"Radius=3\n", "Radius=-1\n"},
      {"FrameWidth=1\n", "FrameWidth=99\n"},
  };
  for (const auto& [from, to] : broken) {
    SCOPED_TRACE(to);
    std::string text = good;
    text.replace(text.find(from), from.size(), to);
    EXPECT_THROW(ParseThemePalette(text), EThemeFileError);
  }
}

}  // namespace
}  // namespace zel
