#include <gtest/gtest.h>

#include <vector>

#include "core/text/CaseFold.h"

namespace zel {
namespace {

TEST(CaseFoldTest, FoldsCapitalsOfEachCoveredScript) {
  struct TCase {
    char32_t From;
    char32_t To;
  };
  const std::vector<TCase> cases = {
      {U'A', U'a'},     {U'z', U'z'},     {U'@', U'@'},     {U'[', U'['},     {0x00C0, 0x00E0},
      {0x00D7, 0x00D7},                    // multiplication sign is not a letter
      {0x00DE, 0x00FE}, {0x00DF, 0x00DF},  // sharp s has no one-letter capital fold
      {0x00B5, 0x03BC}, {0x0100, 0x0101}, {0x0101, 0x0101}, {0x0139, 0x013A}, {0x013A, 0x013A},
      {0x0130, 0x0130}, {0x0131, 0x0131}, {0x0178, 0x00FF}, {0x017D, 0x017E}, {0x017F, U's'},
      {0x0218, 0x0219}, {0x01C5, 0x01C6}, {0x0186, 0x0254}, {0x0391, 0x03B1}, {0x03A3, 0x03C3},
      {0x03C2, 0x03C3}, {0x03A2, 0x03A2}, {0x0386, 0x03AC}, {0x03D8, 0x03D9}, {0x0401, 0x0451},
      {0x0416, 0x0436}, {0x0436, 0x0436}, {0x0462, 0x0463}, {0x04C0, 0x04CF}, {0x04C3, 0x04C4},
      {0x0524, 0x0525}, {0x1E9E, 0x00DF}, {0x212A, U'k'},   {0x4E2D, 0x4E2D},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SimpleCaseFold(c.From), c.To) << std::hex << static_cast<unsigned>(c.From);
  }
}

TEST(CaseFoldTest, ComparesWholeTexts) {
  EXPECT_TRUE(SameTextIgnoringCase("AllowInstances", "allowinstances"));
  EXPECT_TRUE(SameTextIgnoringCase("\u00C4PFEL", "\u00E4pfel"));
  EXPECT_TRUE(SameTextIgnoringCase("\u0428\u0418\u0420\u0418\u041D\u0410",
                                   "\u0448\u0438\u0440\u0438\u043D\u0430"));
  EXPECT_TRUE(SameTextIgnoringCase("\u039F\u0394\u039F\u03A3", "\u03BF\u03B4\u03BF\u03C2"));
  EXPECT_FALSE(SameTextIgnoringCase("Width", "Widths"));
  EXPECT_FALSE(SameTextIgnoringCase("\u00C4pfel", "Apfel"));
  EXPECT_EQ(FoldCase("Stra\u1E9Ee \u4E2D"), "stra\u00DFe \u4E2D");
}

}  // namespace
}  // namespace zel
