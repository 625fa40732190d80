#include <gtest/gtest.h>

#include "BridgeTestSupport.h"
#include "core/bridge/BridgeArguments.h"
#include "core/bridge/BrowserExternalModule.h"
#include "core/package/ExeZip.h"
#include "core/settings/ProjectIni.h"

namespace zel {
namespace {

using test::TMessage;

class BridgeTest : public test::BridgeFixture {};

constexpr const char* Uuid = "0f8fad5b-d9cb-469f-a165-70867728950e";

TEST_F(BridgeTest, HelloAndIsRuntimeReplyInTheExactFormat) {
  Receive(R"({"id":10001,"uuid":"0f8fad5b-d9cb-469f-a165-70867728950e","data":{}})");
  Receive(R"({"id":"10002","uuid":"0f8fad5b-d9cb-469f-a165-70867728950e","data":{}})");
  ASSERT_EQ(FBrowser.Posted.size(), 2u);
  EXPECT_EQ(FBrowser.Posted[0], std::string("{\"uuid\": \"") + Uuid + "\", \"success\": true, \"result\": \"2024.10\"}");
  EXPECT_EQ(FBrowser.Posted[1], std::string("{\"uuid\": \"") + Uuid + "\", \"success\": true, \"result\": true}");
  FModule.SetExeZip(nullptr);
  Receive(R"({"id":10002,"uuid":"u","data":{}})");
  EXPECT_EQ(FBrowser.Posted.back(), R"({"uuid": "u", "success": true, "result": false})");
}

TEST_F(BridgeTest, MalformedMessagesGetNoReplyAndTheBridgeGoesOn) {
  const char* messages[] = {
      R"({"id":99999,"uuid":"u","data":{}})",        // no such function
      R"({"id":"abc","uuid":"u","data":{}})",        // id not a number
      R"({"id":10001.5,"uuid":"u","data":{}})",      // id not an integer
      R"({"id":10001,"uuid":"u"})",                  // no data
      R"({"id":10001,"uuid":"u","data":[]})",        // data not an object
      R"({"id":10001,"data":{}})",                   // no uuid
      R"({"uuid":"u","data":{}})",                   // no id
      R"([10001])",                                  // not an object
      "not json at all",
      R"({"id":10001,"uuid":"u\"x","data":{}})",     // uuid that would break the reply
  };
  for (const char* m : messages) {
    SCOPED_TRACE(m);
    Receive(m);
    EXPECT_TRUE(FBrowser.Posted.empty());
  }
  Receive(R"({"id":10001,"uuid":"u","data":{}})");
  EXPECT_EQ(FBrowser.Posted.size(), 1u);
}

TEST_F(BridgeTest, DeeplyNestedJsonIsRefusedWithoutCrashing) {
  std::string deep = R"({"id":10001,"uuid":"u","data":{"x":)";
  deep += std::string(100000, '[') + std::string(100000, ']') + "}}";
  Receive(deep);
  EXPECT_TRUE(FBrowser.Posted.empty());
  EXPECT_TRUE(JsonNestingWithin(R"({"a":"[[[[[[[[[["})", 2));
  EXPECT_FALSE(JsonNestingWithin("[[[]]]", 2));
}

TEST_F(BridgeTest, OnlyTheApplicationsOwnPagesAndListedOriginsReachTheHost) {
  Receive(R"({"id":10001,"uuid":"u","data":{}})", "http://127.0.0.1:8000");
  Receive(R"({"id":10001,"uuid":"u","data":{}})", "null");
  EXPECT_TRUE(FBrowser.Posted.empty());

  TProjectINI settings;
  settings.LoadFromText("[App]\nBridgeOrigins=https://example.com  http://127.0.0.1:8000/\n");
  FModule.SetProjectINI(&settings);
  Receive(R"({"id":10001,"uuid":"u","data":{}})", "http://127.0.0.1:8000");
  Receive(R"({"id":10001,"uuid":"u","data":{}})", "https://example.com");
  Receive(R"({"id":10001,"uuid":"u","data":{}})", "https://evil.example.com");
  EXPECT_EQ(FBrowser.Posted.size(), 2u);

  settings.LoadFromText("[App]\nBridgeOrigins=*\n");
  FModule.SetProjectINI(&settings);
  Receive(R"({"id":10001,"uuid":"u","data":{}})", "https://anything.example");
  EXPECT_EQ(FBrowser.Posted.size(), 3u);
}

TEST_F(BridgeTest, AppCloseFiresTheCloseRequestAndDoesNotReply) {
  int requests = 0;
  Receive(R"({"id":50001,"uuid":"u","data":{}})");  // without a handler: nothing
  FModule.SetOnAppCloseRequest([&](TBrowserExternalModule& sender) {
    EXPECT_EQ(&sender, &FModule);
    ++requests;
  });
  Receive(R"({"id":50001,"uuid":"u","data":{}})");
  EXPECT_EQ(requests, 1);
  EXPECT_TRUE(FBrowser.Posted.empty());
}

TEST_F(BridgeTest, PreviewModeGatesFunctionsWithAMessageAndNoReply) {
  FModule.SetExeZip(nullptr);
  FModule.Dispatcher().Register({60009, "window.getSize", true, [](const TBridgeCall& call) { call.Success("{}"); }});
  Receive(R"({"id":60009,"uuid":"u","data":{}})");
  EXPECT_TRUE(FBrowser.Posted.empty());
  ASSERT_EQ(FPlatform.MessageBoxes().Shown().size(), 1u);
  EXPECT_EQ(FPlatform.MessageBoxes().Shown()[0].Text, "Calls to zel.window.getSize() works only at runtime.");

  TMessage click = TMessage::String("zel-webbrowser-clicked");
  FModule.EdgeBrowserWebMessageReceived(click);
  EXPECT_EQ(FBrowser.Focused, 1);
  FModule.SetExeZip(&FZip);  // runtime mode: the string is not looked at
  FModule.EdgeBrowserWebMessageReceived(click);
  EXPECT_EQ(FBrowser.Focused, 1);
  EXPECT_TRUE(FBrowser.Posted.empty());
}

TEST_F(BridgeTest, PageEventsEncodeTheirArgumentAsAJsonString) {
  FModule.RaisePageEvent("onCloseQuery");
  FModule.RaisePageEvent("onMainMenuItemClick", "12");
  FModule.RaisePageEvent("onNotificationClick", "say \"hi\" \\ now");
  const std::vector<std::string> expected = {
      "zel.events.onCloseQuery();",
      "zel.events.onMainMenuItemClick(\"12\");",
      "zel.events.onNotificationClick(\"say \\\"hi\\\" \\\\ now\");",
  };
  EXPECT_EQ(FBrowser.Scripts, expected);
}

TEST(BridgeArguments, TextAndBooleanReaders) {
  const std::string message =
      R"({"id":1,"uuid":"u","data":{"s":"text","n":120.7,"i":5,"t":true,"f":false,"z":null,"o":{},"a":[],"T":"TRUE","zero":"0","half":"0.5","word":"yes"}})";
  const auto call = ReadCallMessage(message, MaxMessageNesting);
  ASSERT_TRUE(call);
  const TCallArguments& data = call->Data;
  EXPECT_EQ(ReadTextArgument(data, "s"), "text");
  EXPECT_EQ(ReadTextArgument(data, "n"), "120.7");
  EXPECT_EQ(ReadTextArgument(data, "i"), "5");
  EXPECT_EQ(ReadTextArgument(data, "t"), "true");
  EXPECT_EQ(ReadTextArgument(data, "z", "dflt"), "dflt");
  EXPECT_EQ(ReadTextArgument(data, "missing", "dflt"), "dflt");
  EXPECT_THROW(ReadTextArgument(data, "o"), EBridgeArgumentError);
  EXPECT_THROW(ReadTextArgument(data, "a"), EBridgeArgumentError);

  EXPECT_TRUE(ReadBoolArgument(data, "t", false));
  EXPECT_FALSE(ReadBoolArgument(data, "f", true));
  EXPECT_TRUE(ReadBoolArgument(data, "missing", true));
  EXPECT_FALSE(ReadBoolArgument(data, "z", false));
  EXPECT_TRUE(ReadBoolArgument(data, "T", false));
  EXPECT_FALSE(ReadBoolArgument(data, "zero", true));
  EXPECT_TRUE(ReadBoolArgument(data, "half", false));
  EXPECT_TRUE(ReadBoolArgument(data, "i", false));
  EXPECT_THROW(ReadBoolArgument(data, "word", false), EBridgeArgumentError);
  EXPECT_THROW(ReadBoolArgument(data, "o", false), EBridgeArgumentError);
}

TEST_F(BridgeTest, AHandlerErrorEndsOnlyThatCall) {
  FModule.Dispatcher().Register({30001, "files.fileExists", false, [](const TBridgeCall& call) {
                                   call.SuccessText(ReadTextArgument(call.Data, "filePath"));
                                 }});
  Receive(R"({"id":30001,"uuid":"u","data":{"filePath":{}}})");
  EXPECT_TRUE(FBrowser.Posted.empty());
  Receive(R"({"id":30001,"uuid":"u","data":{"filePath":"a\/b"}})");
  EXPECT_EQ(FBrowser.Posted.back(), R"({"uuid": "u", "success": true, "result": "a\/b"})");
}

}  // namespace
}  // namespace zel
