#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/text/TextDecoding.h"
#include "core/text/Utf8.h"

namespace zel {
namespace {

using TBytes = std::vector<std::uint8_t>;

struct TDecodeCase {
  const char* Name;
  TBytes Bytes;
  std::string Expected;
};

TEST(TextDecodingTest, DecodesByMarkOrContent) {
  const std::vector<TDecodeCase> cases = {
      {"empty", {}, ""},
      {"utf8 mark only", {0xEF, 0xBB, 0xBF}, ""},
      {"utf8 mark removed", {0xEF, 0xBB, 0xBF, 'A', 0xC3, 0xA9}, "A\u00E9"},
      {"utf8 mark, broken byte", {0xEF, 0xBB, 0xBF, 'A', 0xFC, 'B'}, "A\uFFFDB"},
      {"utf16le", {0xFF, 0xFE, 'A', 0x00, 0xE9, 0x00, 0x2D, 0x4E}, "A\u00E9\u4E2D"},
      {"utf16be", {0xFE, 0xFF, 0x00, 'A', 0x00, 0xE9, 0x4E, 0x2D}, "A\u00E9\u4E2D"},
      {"utf16le surrogate pair", {0xFF, 0xFE, 0x3D, 0xD8, 0x00, 0xDE}, "\U0001F600"},
      {"utf16be surrogate pair", {0xFE, 0xFF, 0xD8, 0x3D, 0xDE, 0x00}, "\U0001F600"},
      {"utf16 high surrogate then letter", {0xFF, 0xFE, 0x3D, 0xD8, 'A', 0x00}, "\uFFFDA"},
      {"utf16 lone low surrogate", {0xFF, 0xFE, 0x00, 0xDE, 'A', 0x00}, "\uFFFDA"},
      {"utf16 high surrogate at end", {0xFF, 0xFE, 'A', 0x00, 0x3D, 0xD8}, "A\uFFFD"},
      {"utf16 two high surrogates",
       {0xFF, 0xFE, 0x3D, 0xD8, 0x3D, 0xD8, 0x00, 0xDE},
       "\uFFFD\U0001F600"},
      {"utf16 odd trailing byte", {0xFF, 0xFE, 'A', 0x00, 'B'}, "A\uFFFD"},
      {"utf16 keeps NUL", {0xFF, 0xFE, 0x00, 0x00, 'A', 0x00}, std::string("\0A", 2)},
      {"valid utf8 without mark", {'G', 'r', 0xC3, 0xBC, 0xC3, 0x9F, 'e'}, "Gr\u00FC\u00DFe"},
      {"cp1252 without mark", {'G', 'r', 0xFC, 0xDF, 'e'}, "Gr\u00FC\u00DFe"},
      {"cp1252 euro and quotes", {0x80, ' ', 0x93, 'x', 0x94}, "\u20AC \u201Cx\u201D"},
      // One invalid byte makes the whole buffer Windows-1252, valid pairs included.
      {"mixed falls back entirely", {0xC3, 0xA9, 0xFC}, "\u00C3\u00A9\u00FC"},
      {"utf8 mark is not found later", {'A', 0xEF, 0xBB, 0xBF}, "A\uFEFF"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecodeText(std::span<const std::uint8_t>(c.Bytes)), c.Expected) << c.Name;
  }
}

TEST(TextDecodingTest, StringOverloadMatchesByteOverload) {
  const std::string bytes(
      "\xFF\xFE"
      "A\0B\0",
      6);
  EXPECT_EQ(DecodeText(std::string_view(bytes)), "AB");
}

TEST(TextDecodingTest, Windows1252MapsEveryByteToItsOwnCharacter) {
  struct TCase {
    std::uint8_t Byte;
    char32_t CodePoint;
  };
  const std::vector<TCase> cases = {
      {0x41, 0x41},   {0x7F, 0x7F},   {0x80, 0x20AC}, {0x81, 0x81}, {0x83, 0x0192}, {0x8A, 0x0160},
      {0x8D, 0x8D},   {0x8E, 0x017D}, {0x8F, 0x8F},   {0x90, 0x90}, {0x99, 0x2122}, {0x9D, 0x9D},
      {0x9F, 0x0178}, {0xA0, 0xA0},   {0xE9, 0xE9},   {0xFF, 0xFF},
  };
  for (const auto& c : cases) {
    const TBytes bytes = {c.Byte};
    EXPECT_EQ(Utf8ToUtf32(Windows1252ToUtf8(bytes)), std::u32string(1, c.CodePoint))
        << std::hex << int(c.Byte);
  }

  // No two bytes share a character, so nothing is lost.
  TBytes all(256);
  for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);
  const std::u32string decoded = Utf8ToUtf32(Windows1252ToUtf8(all));
  ASSERT_EQ(decoded.size(), 256u);
  EXPECT_EQ(std::set<char32_t>(decoded.begin(), decoded.end()).size(), 256u);
}

TEST(TextDecodingTest, ResultIsAlwaysValidUtf8) {
  const std::vector<TBytes> marks = {{}, {0xEF, 0xBB, 0xBF}, {0xFF, 0xFE}, {0xFE, 0xFF}};
  for (const auto& mark : marks) {
    for (int pair = 0; pair < 0x10000; ++pair) {
      TBytes bytes = mark;
      bytes.push_back(static_cast<std::uint8_t>(pair >> 8));
      bytes.push_back(static_cast<std::uint8_t>(pair & 0xFF));
      bytes.push_back(0xD8);  // also a lone high surrogate byte in UTF-16
      const std::string text = DecodeText(std::span<const std::uint8_t>(bytes));
      ASSERT_TRUE(IsValidUtf8(text)) << "mark size " << mark.size() << " pair " << pair;
    }
  }
}

}  // namespace
}  // namespace zel
