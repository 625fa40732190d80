#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "core/ArchiveKey.h"
#include "core/ArchiveKeyConfig.h"

namespace zel {
namespace {

struct TWidthCase {
  const char* Text;
  const char* Key;
  const char* Expected;
};

TEST(ArchiveKeyTest, CalculateWidthDecodes) {
  const std::vector<TWidthCase> cases = {
      {"", "QWERTY", ""},
      {"Hello, World! 2026", "AAAA", "Hello, World! 2026"},
      {"a", "B", "z"},
      {"A", "B", "Z"},
      {"z", "Z", "a"},
      {"LXFOPVEFRNHR", "LEMON", "ATTACKATDAWN"},
      {"lxfopVEFRNHR", "LEMON", "attacKATDAWN"},
      // Characters passed through still use up their key position.
      {"a1b", "BCD", "z1y"},
      {"a b-c", "BBBBB", "z a-b"},
      {"bbbbb", "BC", "azaza"},
      {"\u00E9a\u00E9a", "ABAB", "\u00E9z\u00E9z"},
      {"\u4E2Da", "AB", "\u4E2Dz"},
      // A character above U+FFFF is two UTF-16 code units: two positions.
      {"\U0001F600a", "AAB", "\U0001F600z"},
      {"\U0001F600a", "ABA", "\U0001F600a"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CalculateWidth(c.Text, c.Key), c.Expected) << c.Text << " / " << c.Key;
  }
}

TEST(ArchiveKeyTest, BrokenUtf8BytesPassThroughOnePositionEach) {
  const std::string text =
      "\xFF\xFE"
      "a";
  EXPECT_EQ(CalculateWidth(text, "AAB"),
            "\xFF\xFE"
            "z");
}

TEST(ArchiveKeyTest, RejectsBadKeysBeforeReadingText) {
  struct TCase {
    const char* Text;
    const char* Key;
    const char* Message;
  };
  const std::vector<TCase> cases = {
      {"abc", "ABc", "Invalid character in CalculateWidth key."},
      {"", "A1", "Invalid character in CalculateWidth key."},
      {"", "A B", "Invalid character in CalculateWidth key."},
      {"abc", "\u00C4B", "Invalid character in CalculateWidth key."},
      {"abc", "", "Empty CalculateWidth key."},
      {"", "", "Empty CalculateWidth key."},
  };
  for (const auto& c : cases) {
    for (const auto& apply : {&CalculateWidth, &EncodeWidth}) {
      try {
        apply(c.Text, c.Key);
        ADD_FAILURE() << "no error for key \"" << c.Key << "\"";
      } catch (const ECalculateWidthError& e) {
        EXPECT_STREQ(e.what(), c.Message) << c.Key;
      }
    }
  }
}

TEST(ArchiveKeyTest, EncodeWidthIsTheInverse) {
  EXPECT_EQ(EncodeWidth("ATTACKATDAWN", "LEMON"), "LXFOPVEFRNHR");
  const std::vector<std::pair<std::string, std::string>> pairs = {
      {"Secret-Pass_word 42!", "ZYXWVUTSRQPONMLKJIHGFEDCBA"},
      {"\u00E9t\u00E9 \U0001F600 zZ", "QWZ"},
      {"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ", "Z"},
  };
  for (const auto& [text, key] : pairs) {
    const std::string encoded = EncodeWidth(text, key);
    EXPECT_NE(encoded, text) << text;
    EXPECT_EQ(CalculateWidth(encoded, key), text) << text;
  }
}

// A pair that would break the build (a '"'), change the password silently
// (a backslash starts an escape) or break the printed shell line (a "'") is
// refused before it is printed.
TEST(ArchiveKeyTest, PasswordsAndKeysThatCannotBeBuiltInAreRefused) {
  const struct {
    const char* Text;
    bool Usable;
  } texts[] = {
      {"Pak-Imdh9#Wbhrp!Tafjrp2026", true},
      {"~!#$%&()*+,-./:;<=>?@[]^_`{|}", true},
      {"x", true},
      {"", false},
      {"a\"b", false},
      {"a\\b", false},
      {"it's", false},
      {"a b", false},
      {"a\tb", false},
      {"caf\u00E9", false},
      {"a\x7F", false},
  };
  for (const auto& t : texts) {
    SCOPED_TRACE(t.Text);
    EXPECT_EQ(ArchiveTextProblem(t.Text).empty(), t.Usable) << ArchiveTextProblem(t.Text);
  }
  EXPECT_EQ(ArchiveTextProblem("a\\b"), "it holds the character \\");
  for (const char* key : {"QWZRTMBXKPLHVNCJDGFSY", "A"})
    EXPECT_EQ(ArchiveKeyProblem(key), "") << key;
  for (const char* key : {"", "Abc", "A1", "A B"}) EXPECT_NE(ArchiveKeyProblem(key), "") << key;
  // The build's own pair passes.
  EXPECT_EQ(ArchiveTextProblem(config::ArchiveEncodedText), "");
  EXPECT_EQ(ArchiveKeyProblem(config::ArchiveKey), "");
}

TEST(ArchiveKeyTest, ArchivePasswordDecodesTheBuildPair) {
  const std::string password = ArchivePassword();
  const std::string encoded = config::ArchiveEncodedText;
  ASSERT_EQ(password.size(), encoded.size());
  EXPECT_EQ(EncodeWidth(password, config::ArchiveKey), encoded);
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    const bool letter = std::isalpha(static_cast<unsigned char>(encoded[i])) != 0;
    if (!letter) {
      EXPECT_EQ(password[i], encoded[i]) << i;
    }
  }
}

}  // namespace
}  // namespace zel
