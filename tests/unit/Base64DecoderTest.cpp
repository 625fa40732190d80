#include <gtest/gtest.h>

#include <random>

#include "core/text/Base64Decoder.h"

namespace zel {
namespace {

TEST(Base64Decoder, WholeGroupsFillAndCharactersOutsideTheAlphabet) {
  const struct {
    std::string Text;
    std::string Bytes;
  } cases[] = {
      {"", ""},
      {"QQ==", "A"},
      {"QUI=", "AB"},
      {"QUJD", "ABC"},
      {"QUJ", ""},  // a tail shorter than four is ignored
      {"QUJDRA==", "ABCD"},
      {"QUJDRA=", "ABC"},  // the fill sits in the ignored tail
      {"+/+/", "\xFB\xFF\xBF"},
      {"Q===", "@"},  // at most two bytes are cut
      {"====", std::string(1, '\0')},
      // Not skipped: a blank or line break is a digit worth 0, and the
      // groups are counted over every character.
      {"QU JD", "A@\x09"},
      {"QUJD\r\nQUJD", std::string("ABC") + std::string("\x00\x04\x14", 3)},
      // "=" before the last group, "-" and "_" count as 0 as well.
      {"QQ==QUJD", std::string("A\x00\x00", 3) + "ABC"},
      {"-_-_", std::string(3, '\0')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Text));
    EXPECT_EQ(TBase64Decoder::Decode(c.Text), c.Bytes);
    EXPECT_EQ(TBase64Decoder(c.Text).DecodedSize(), c.Bytes.size());
  }
}

std::string Encode(const std::string& bytes) {
  static constexpr char Alphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t bits = static_cast<std::uint8_t>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) bits |= static_cast<std::uint8_t>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) bits |= static_cast<std::uint8_t>(bytes[i + 2]);
    for (int k = 0; k < 4; ++k) {
      const bool fill = (k == 2 && i + 1 >= bytes.size()) || (k == 3 && i + 2 >= bytes.size());
      text += fill ? '=' : Alphabet[(bits >> (18 - 6 * k)) & 63];
    }
  }
  return text;
}

TEST(Base64Decoder, ReadingInStepsGivesTheSameBytes) {
  std::mt19937 random(7);
  for (std::size_t size : {0u, 1u, 2u, 3u, 100u, 1001u}) {
    std::string bytes(size, '\0');
    for (char& b : bytes) b = static_cast<char>(random());
    const std::string text = Encode(bytes);
    EXPECT_EQ(TBase64Decoder::Decode(text), bytes);
    for (std::size_t capacity : {3u, 5u, 6u, 300u}) {
      SCOPED_TRACE(std::to_string(size) + " bytes read " + std::to_string(capacity) + " at a time");
      TBase64Decoder decoder(text);
      std::string read;
      std::vector<std::uint8_t> buffer(capacity);
      while (const std::size_t count = decoder.Read(buffer.data(), buffer.size()))
        read.append(reinterpret_cast<const char*>(buffer.data()), count);
      EXPECT_EQ(read, bytes);
    }
  }
}

}  // namespace
}  // namespace zel
