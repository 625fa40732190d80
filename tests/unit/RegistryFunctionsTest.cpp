#include <gtest/gtest.h>

#include "BridgeTestSupport.h"
#include "core/registry/RegistryPath.h"

namespace zel {
namespace {

class RegistryFunctionsTest : public test::BridgeFixture {
 protected:
  TFakeRegistryStore& Store() { return FPlatform.RegistryStore(); }
};

TEST_F(RegistryFunctionsTest, MissingKeyIsReportedBeforeMissingName) {
  const struct {
    int Id;
    const char* Data;
    const char* Reply;
  } cases[] = {
      {13001, R"({})", R"(false:"Missing registry key.")"},
      {13001, R"({"name":"n","value":"v"})", R"(false:"Missing registry key.")"},
      {13001, R"({"key":"A"})", R"(false:"Missing value name.")"},
      {13002, R"({"key":"","name":""})", R"(false:"Missing registry key.")"},
      {13002, R"({"key":"A","name":""})", R"(false:"Missing value name.")"},
      {13003, R"({"name":"n"})", R"(false:"Missing registry key.")"},
      {13003, R"({"key":"A"})", R"(false:"Missing value name.")"},
      {13004, R"({"key":null,"name":"n"})", R"(false:"Missing registry key.")"},
      {13004, R"({"key":"A"})", R"(false:"Missing value name.")"},
      {13005, R"({})", R"(false:"Missing registry key.")"},
      {13006, R"({"name":"n"})", R"(false:"Missing registry key.")"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Id) + " " + c.Data);
    EXPECT_EQ(Call(c.Id, c.Data), c.Reply);
  }
  EXPECT_FALSE(Store().KeyExists("A"));  // nothing was written
}

TEST_F(RegistryFunctionsTest, WriteCreatesEveryMissingLevelAndReadIgnoresLetterCase) {
  EXPECT_EQ(Call(13005, R"({"key":"Software"})"), "true:false");
  EXPECT_EQ(
      Call(13001, R"({"key":"Software\\Vendor\\App","name":"Greeting","value":"a \"b\" c\\d"})"),
      "true:true");
  for (const char* key : {"Software", "\\Software\\Vendor", "software\\VENDOR\\app"}) {
    SCOPED_TRACE(key);
    EXPECT_EQ(Call(13005, nlohmann::json{{"key", key}}.dump()), "true:true");
  }
  EXPECT_EQ(Call(13002, R"({"key":"\\SOFTWARE\\vendor\\App","name":"greeting"})"),
            R"(true:"a \"b\" c\\d")");
  EXPECT_EQ(Call(13003, R"({"key":"Software\\Vendor\\App","name":"GREETING"})"), "true:true");

  // No value argument writes the empty text; a later write replaces the value.
  EXPECT_EQ(Call(13001, R"({"key":"Software\\Vendor\\App","name":"Empty"})"), "true:true");
  EXPECT_EQ(Call(13002, R"({"key":"Software\\Vendor\\App","name":"Empty"})"), R"(true:"")");
  EXPECT_EQ(Call(13003, R"({"key":"Software\\Vendor\\App","name":"Empty"})"), "true:true");
  EXPECT_EQ(Call(13001, R"({"key":"Software\\Vendor\\App","name":"GREETING","value":42})"),
            "true:true");
  EXPECT_EQ(Call(13002, R"({"key":"Software\\Vendor\\App","name":"Greeting"})"), R"(true:"42")");
  EXPECT_EQ(Store().ListValues("Software\\Vendor\\App")->front().Name, "Empty");
  EXPECT_EQ(Store().ListValues("Software\\Vendor\\App")->back().Name, "Greeting");
}

TEST_F(RegistryFunctionsTest, MissingKeysAndValuesAnswerEmptyOrFalse) {
  Call(13001, R"({"key":"K","name":"N","value":"v"})");
  const struct {
    int Id;
    const char* Data;
    const char* Reply;
  } cases[] = {
      {13002, R"({"key":"K","name":"Other"})", R"(true:"")"},
      {13002, R"({"key":"Missing","name":"N"})", R"(true:"")"},
      {13003, R"({"key":"Missing","name":"N"})", "true:false"},
      {13004, R"({"key":"Missing","name":"N"})", "true:false"},
      {13004, R"({"key":"K","name":"Other"})", "true:false"},
      {13006, R"({"key":"Missing"})", "true:false"},
      {13006, R"({"key":"\\"})", "true:false"},  // the root stays
      // A key path with an empty name cannot be opened or created.
      {13001, R"({"key":"A\\\\B","name":"N","value":"v"})", "true:false"},
      {13002, R"({"key":"K\\\\","name":"N"})", R"(true:"")"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Id) + " " + c.Data);
    EXPECT_EQ(Call(c.Id, c.Data), c.Reply);
  }
}

TEST_F(RegistryFunctionsTest, DeleteValueAndDeleteKeyRemoveWhatExisted) {
  Call(13001, R"({"key":"App\\Sub\\Deep","name":"D","value":"1"})");
  Call(13001, R"({"key":"App\\Sub","name":"S","value":"2"})");
  Call(13001, R"({"key":"App\\Other","name":"O","value":"3"})");
  EXPECT_EQ(Call(13004, R"({"key":"app\\sub","name":"s"})"), "true:true");
  EXPECT_EQ(Call(13004, R"({"key":"App\\Sub","name":"S"})"), "true:false");
  EXPECT_EQ(Call(13006, R"({"key":"APP\\SUB"})"), "true:true");
  EXPECT_EQ(Call(13005, R"({"key":"App\\Sub\\Deep"})"), "true:false");
  EXPECT_EQ(Call(13005, R"({"key":"App\\Sub"})"), "true:false");
  EXPECT_EQ(Call(13002, R"({"key":"App\\Other","name":"O"})"), R"(true:"3")");
  EXPECT_EQ(Call(13006, R"({"key":"App\\Sub"})"), "true:false");
}

TEST_F(RegistryFunctionsTest, ValuesThatAreNotTextAndRefusedWritesEndWithoutAReply) {
  Store().WriteValue("Types", {"Count", TRegistryValueType::DWord, "", 42});
  Store().WriteValue("Types", {"Path", TRegistryValueType::ExpandString, "%HOME%\\bin", 0});
  EXPECT_EQ(Call(13002, R"({"key":"Types","name":"Count"})"), "");
  EXPECT_EQ(Call(13003, R"({"key":"Types","name":"Count"})"), "true:true");
  EXPECT_EQ(Call(13002, R"({"key":"Types","name":"Path"})"), R"(true:"%HOME%\\bin")");

  Store().SetRefuseWrites(true);
  EXPECT_EQ(Call(13001, R"({"key":"Refused\\Key","name":"N","value":"v"})"), "");
  EXPECT_EQ(Call(13005, R"({"key":"Refused\\Key"})"), "true:true");  // the key was opened
  EXPECT_EQ(Call(13001, R"({"key":"Types","name":{}})"), "");        // not text
  EXPECT_EQ(Call(10001), R"(true:"2024.10")");                       // the bridge goes on
}

TEST(RegistryPathTest, SplitsOnBackslashesAllowingOneAtEachEnd) {
  using TNames = std::vector<std::string>;
  EXPECT_EQ(SplitRegistryKey("Software\\Vendor\\App"), (TNames{"Software", "Vendor", "App"}));
  EXPECT_EQ(SplitRegistryKey("\\Software\\Vendor\\"), (TNames{"Software", "Vendor"}));
  EXPECT_EQ(SplitRegistryKey("a b/c"), (TNames{"a b/c"}));
  EXPECT_EQ(SplitRegistryKey(""), TNames{});
  EXPECT_EQ(SplitRegistryKey("\\"), TNames{});
  for (const char* invalid : {"A\\\\B", "\\\\A", "A\\\\", "\\\\\\"}) {
    SCOPED_TRACE(invalid);
    EXPECT_FALSE(SplitRegistryKey(invalid).has_value());
  }
}

}  // namespace
}  // namespace zel
