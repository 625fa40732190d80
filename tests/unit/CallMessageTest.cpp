// The call-message reader: what it accepts and refuses (as nlohmann::json's
// parse would), the envelope it reads, and arguments read as views into the
// message with their escapes decoded on demand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/bridge/CallMessage.h"
#include "core/text/JsonScanner.h"

namespace zel {
namespace {

constexpr int Nesting = 512;

std::string Envelope(const std::string& data) {
  return R"({"id":10001,"uuid":"u","data":)" + data + "}";
}

// The decoded text of argument `name`, read whole and in steps of `step`.
std::string Argument(const TCallMessage& call, const std::string& name, std::size_t step = 4) {
  const TJsonValueView* value = call.Data.Find(name);
  if (!value || value->Kind != TJsonKind::String) return "<none>";
  const std::string whole = value->HasEscapes ? DecodeJsonString(value->Text) : std::string(value->Text);
  TJsonStringDecoder decoder(value->Text, value->HasEscapes);
  std::string stepped;
  std::vector<char> buffer(step);
  while (const std::size_t count = decoder.Read(buffer.data(), buffer.size())) stepped.append(buffer.data(), count);
  EXPECT_EQ(stepped, whole) << "read in steps of " << step;
  return whole;
}

TEST(CallMessageTest, RefusesWhatTheParseRefusesAndMalformedEnvelopes) {
  const std::string texts[] = {
      // Not JSON.
      "", " ", "not json at all", "{", "}", R"({"id":1,})", R"({"id" 1})", R"({'id':1})",
      R"({"id":01,"uuid":"u","data":{}})", Envelope(R"({"a":1.})"), Envelope(R"({"a":-})"),
      Envelope(R"({"a":1e})"), Envelope(R"({"a":.5})"), Envelope(R"({"a":+1})"),
      Envelope(R"({"a":NaN})"), Envelope(R"({"a":Infinity})"), Envelope(R"({"a":1e400})"),
      Envelope(R"({"a":tru})"), Envelope(R"({"a":nul})"), Envelope(R"({"a":[1,]})"),
      Envelope(R"({"a":[1 2]})"), Envelope(R"({"a":{"b"}})"), Envelope(R"({"a":1}/*c*/)"),
      Envelope("{}") + "x", Envelope("{}") + "{}", Envelope("{}") + std::string(1, '\0'),
      // Strings: raw control characters, bad escapes, lone or reversed
      // surrogate halves, malformed UTF-8 (overlong, surrogate, beyond
      // U+10FFFF, cut short), an unterminated string.
      Envelope("{\"a\":\"x\ny\"}"), Envelope(R"({"a":"\x41"})"), Envelope(R"({"a":"\u12"})"),
      Envelope(R"({"a":"\ud800"})"), Envelope(R"({"a":"\udc00\ud800"})"),
      Envelope(R"({"a":"\ud800\u0041"})"), Envelope(R"({"a":"\ud800x"})"),
      Envelope("{\"a\":\"\xC0\x80\"}"), Envelope("{\"a\":\"\xED\xA0\x80\"}"),
      Envelope("{\"a\":\"\xF4\x90\x80\x80\"}"), Envelope("{\"a\":\"\xE2\x82\"}"),
      Envelope("{\"a\":\"\x80\"}"), Envelope("{\"a\":\"\xFF\"}"), Envelope(R"({"a":"abc)"),
      // The envelope: no id, uuid or data; id or uuid neither string nor
      // number; data not an object; not an object at all.
      R"({"id":10001,"uuid":"u"})", R"({"id":10001,"data":{}})", R"({"uuid":"u","data":{}})",
      R"({"id":true,"uuid":"u","data":{}})", R"({"id":10001,"uuid":null,"data":{}})",
      R"({"id":[1],"uuid":"u","data":{}})", R"({"id":10001,"uuid":"u","data":[]})",
      R"({"id":10001,"uuid":"u","data":"{}"})", R"({"id":10001,"uuid":"u","data":null})",
      R"([10001,"u",{}])", R"("text")", "10001",
      // A later `data` that is no object replaces an earlier one.
      R"({"id":10001,"uuid":"u","data":{},"data":1})",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(testing::PrintToString(text));
    EXPECT_FALSE(ReadCallMessage(text, Nesting));
    const auto parsed = nlohmann::json::parse(text, nullptr, false);
    // Where the parse accepts the text, the envelope is what is wrong (the
    // parse stops at a raw NUL, which is no JSON; the reader refuses it).
    if (!parsed.is_discarded() && text.find('\0') == std::string::npos) {
      const bool envelope = parsed.is_object() && parsed.contains("id") && parsed.contains("uuid") &&
                            parsed.contains("data") && parsed["data"].is_object() &&
                            (parsed["id"].is_string() || parsed["id"].is_number()) &&
                            (parsed["uuid"].is_string() || parsed["uuid"].is_number());
      EXPECT_FALSE(envelope);
    }
  }
}

TEST(CallMessageTest, ReadsTheEnvelopeAndTheArgumentsAsWritten) {
  const std::string text =
      "\xEF\xBB\xBF { \"uuid\" : \"a\\u002Db\" , \"d\\u0061ta\" : { \"n\" : -1.5e3, \"t\" : true,"
      " \"f\" : false, \"z\" : null, \"o\" : {\"k\":[1,{\"x\":\"y\"}]}, \"s\" : \"plain\","
      " \"s\" : \"last wins\" } , \"id\" : \"1000\\u0031\" }\r\n";
  const auto call = ReadCallMessage(text, Nesting);
  ASSERT_TRUE(call);
  EXPECT_EQ(call->Id, "10001");
  EXPECT_EQ(call->Uuid, "a-b");
  const struct {
    const char* Name;
    TJsonKind Kind;
    const char* Text;
  } members[] = {
      {"n", TJsonKind::Number, "-1.5e3"}, {"t", TJsonKind::True, "true"},
      {"f", TJsonKind::False, "false"},   {"z", TJsonKind::Null, "null"},
      {"o", TJsonKind::Object, R"({"k":[1,{"x":"y"}]})"}, {"s", TJsonKind::String, "last wins"},
  };
  for (const auto& member : members) {
    SCOPED_TRACE(member.Name);
    const TJsonValueView* value = call->Data.Find(member.Name);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->Kind, member.Kind);
    EXPECT_EQ(value->Text, member.Text);
  }
  EXPECT_FALSE(call->Data.Find("missing"));
  // A number as id or uuid is kept as written.
  const auto numbers = ReadCallMessage(R"({"id":10001,"uuid":12.50,"data":{}})", Nesting);
  ASSERT_TRUE(numbers);
  EXPECT_EQ(numbers->Id, "10001");
  EXPECT_EQ(numbers->Uuid, "12.50");
}

TEST(CallMessageTest, DecodesEscapesSurrogatePairsAndUtf8LikeTheParse) {
  const std::string strings[] = {
      R"(plain text without escapes)",
      R"(\"\\\/\b\f\n\r\t)",
      R"(caf\u00e9 \u20AC \ud83d\ude00 \uD834\uDD1E)",
      "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF",
      R"(\u0000 NUL and \u001f inside)",
      R"(line\r\nbreaks\nand\ra lone CR\u2028)",
      R"(\\u0041 is no escape)",
  };
  for (const std::string& escaped : strings) {
    SCOPED_TRACE(escaped);
    // The result points into the message: the text outlives it.
    const std::string message = Envelope(R"({"s":")" + escaped + R"("})");
    const auto call = ReadCallMessage(message, Nesting);
    ASSERT_TRUE(call);
    const std::string expected = nlohmann::json::parse("\"" + escaped + "\"").get<std::string>();
    for (std::size_t step : {4, 5, 7, 64})
      EXPECT_EQ(Argument(*call, "s", step), expected);
    EXPECT_EQ(call->Data.Find("s")->HasEscapes, escaped.find('\\') != std::string::npos);
  }
}

TEST(CallMessageTest, NestingIsLimitedWithoutRecursion) {
  const auto nested = [](int levels, char open, char close) {
    return Envelope(R"({"x":)" + std::string(levels, open) + std::string(levels, close) + "}");
  };
  // The envelope and `data` are two levels; the limit counts them.
  EXPECT_TRUE(ReadCallMessage(nested(Nesting - 2, '[', ']'), Nesting));
  EXPECT_FALSE(ReadCallMessage(nested(Nesting - 1, '[', ']'), Nesting));
  for (int levels : {100000}) {
    SCOPED_TRACE(levels);
    EXPECT_FALSE(ReadCallMessage(nested(levels, '[', ']'), Nesting));
    // Allowed that deep, it is read on a stack of its own, not by recursion.
    EXPECT_TRUE(ReadCallMessage(nested(levels, '[', ']'), levels + 2));
    std::string objects = Envelope(R"({"x":)");
    objects.resize(objects.size() - 1);
    for (int i = 0; i < levels; ++i) objects += R"({"k":)";
    objects += "1" + std::string(levels, '}') + "}}";
    EXPECT_TRUE(ReadCallMessage(objects, levels + 2));
    EXPECT_FALSE(ReadCallMessage(objects, levels + 1));
  }
}

TEST(CallMessageTest, AMessageOf300MiBIsReadInPlace) {
  constexpr std::size_t Size = 300u << 20;
  std::string text = R"({"id":10001,"uuid":"u","data":{"filePath":"a.bin","contents":")";
  const std::size_t start = text.size();
  text.resize(start + Size, 'Q');
  for (std::size_t i = 0; i < Size; i += 4096) text[start + i] = static_cast<char>('A' + i % 26);
  text += R"("}})";
  const auto call = ReadCallMessage(text, Nesting);
  ASSERT_TRUE(call);
  const TJsonValueView* contents = call->Data.Find("contents");
  ASSERT_TRUE(contents);
  EXPECT_FALSE(contents->HasEscapes);
  // A view into the message: no copy of the 300 MiB.
  EXPECT_EQ(contents->Text.data(), text.data() + start);
  EXPECT_EQ(contents->Text.size(), Size);
  // One bad byte at the very end is still found.
  text[text.size() - 4] = '\x01';
  EXPECT_FALSE(ReadCallMessage(text, Nesting));
}

}  // namespace
}  // namespace zel
