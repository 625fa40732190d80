// system.logoff, reboot, shutdown, macAddresses and notification on the fake
// platform.
#include <gtest/gtest.h>

#include <memory>

#include "BridgeTestSupport.h"
#include "PackageTestSupport.h"
#include "core/package/PackageWriter.h"
#include "core/settings/ProjectIni.h"

namespace zel {
namespace {

class SystemFunctionsTest : public test::BridgeFixture {
 protected:
  TFakeSystemServices& System() { return FPlatform.SystemServices(); }
};

struct TPowerCase {
  int Id;
  const char* ScriptName;
  TPowerRequest Request;
};
const TPowerCase PowerCases[] = {
    {11001, "system.logoff", TPowerRequest::LogOff},
    {11002, "system.reboot", TPowerRequest::Reboot},
    {11003, "system.shutdown", TPowerRequest::PowerOff},
};

TEST_F(SystemFunctionsTest, PowerRequestsAnswerTrueOrTheSystemsTextWithoutItsEnd) {
  for (const TPowerCase& c : PowerCases) {
    SCOPED_TRACE(c.ScriptName);
    System().SetPowerResult({true, ""});
    EXPECT_EQ(Call(c.Id), "true:true");
    ASSERT_FALSE(System().PowerRequests().empty());
    EXPECT_EQ(System().PowerRequests().back(), c.Request);

    System().SetPowerResult({false, "Interactive authentication required.\r\n"});
    EXPECT_EQ(Call(c.Id), R"(false:"Interactive authentication required")");
    System().SetPowerResult({false, "Access denied: \"x\". . \t"});
    EXPECT_EQ(Call(c.Id), R"(false:"Access denied: \"x\"")");
  }
  EXPECT_EQ(System().PowerRequests().size(), 9u);
}

TEST_F(SystemFunctionsTest, InPreviewModePowerRequestsShowTheirMessageAndDoNotReply) {
  FModule.SetExeZip(nullptr);
  for (const TPowerCase& c : PowerCases) {
    SCOPED_TRACE(c.ScriptName);
    EXPECT_EQ(Call(c.Id), "");
    EXPECT_EQ(FPlatform.MessageBoxes().Shown().back().Text,
              std::string("Calls to zel.") + c.ScriptName + "() works only at runtime.");
  }
  EXPECT_TRUE(System().PowerRequests().empty());
}

TEST_F(SystemFunctionsTest, AnAnswerThatComesAfterTheModuleIsGoneIsDropped) {
  System().SetHoldAnswers(true);
  auto module = std::make_unique<TBrowserExternalModule>(FPlatform);
  module->SetBrowserForm(&FBrowser);
  module->SetExeZip(&FZip);
  test::TMessage reboot(R"({"id":11002,"uuid":"a","data":{}})");
  test::TMessage notification(R"({"id":11005,"uuid":"b","data":{"name":"n"}})");
  module->EdgeBrowserWebMessageReceived(reboot);
  module->EdgeBrowserWebMessageReceived(notification);
  EXPECT_TRUE(FBrowser.Posted.empty());
  module.reset();
  EXPECT_EQ(System().LiveNotificationCenters(), 0);
  System().ReleaseAnswers();
  EXPECT_TRUE(FBrowser.Posted.empty());

  // While the module lives, held answers arrive as replies.
  EXPECT_EQ(Call(11003), "");
  System().ReleaseAnswers();
  EXPECT_EQ(FBrowser.Posted.back(), R"({"uuid": "u", "success": true, "result": true})");
}

TNetworkAdapter Adapter(TAdapterKind kind, std::vector<std::uint8_t> address) {
  return {"net", kind, std::move(address)};
}

TEST_F(SystemFunctionsTest, MacAddressesListsEachAdapterWithItsKindInTheSystemsOrder) {
  struct TCase {
    const char* Name;
    std::vector<TNetworkAdapter> Adapters;
    const char* Expected;
  };
  const TCase cases[] = {
      {"none", {}, "[]"},
      {"ethernet and wireless in order",
       {Adapter(TAdapterKind::Wireless, {0xA4, 0x5E, 0x60, 0xC2, 0x1F, 0x0B}),
        Adapter(TAdapterKind::Ethernet, {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E})},
       R"(["W,a4:5e:60:c2:1f:0b","E,00:1a:2b:3c:4d:5e"])"},
      {"other kinds, short and long addresses",
       {Adapter(TAdapterKind::Other, {10, 1, 2, 3}),
        Adapter(TAdapterKind::Other, {0x80, 0, 0, 0x48, 0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0, 1})},
       R"(["U,0a:01:02:03:00:00","U,80:00:00:48:fe:80"])"},
      {"no address or only zeros in the first six bytes",
       {Adapter(TAdapterKind::Other, {}), Adapter(TAdapterKind::Ethernet, {0, 0, 0, 0, 0, 0}),
        Adapter(TAdapterKind::Wireless, {0, 0, 0, 0, 0, 0, 0x12}),
        Adapter(TAdapterKind::Ethernet, {0, 0, 0, 0, 0, 1})},
       R"(["E,00:00:00:00:00:01"])"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    System().SetNetworkAdapters(c.Adapters);
    EXPECT_EQ(Call(11004), std::string("true:") + c.Expected);
  }
  // The same in preview mode.
  FModule.SetExeZip(nullptr);
  EXPECT_EQ(Call(11004), R"(true:["E,00:00:00:00:00:01"])");
  EXPECT_TRUE(FPlatform.MessageBoxes().Shown().empty());
}

TEST_F(SystemFunctionsTest, NotificationPresentsItsTextsAndAnswersTrue) {
  TProjectINI settings;
  settings.LoadFromText("[App]\nName=Mail \"Pro\"\n");
  FModule.SetProjectINI(&settings);
  EXPECT_EQ(Call(11005, R"({"name":"mail-1","title":"New mail","body":"From: Ann"})"), "true:true");
  EXPECT_EQ(Call(11005, R"({})"), "true:true");
  EXPECT_EQ(Call(11005, R"({"name":7,"title":null,"body":true})"), "true:true");
  // An object or array is no text: no reply and nothing shown.
  EXPECT_EQ(Call(11005, R"({"name":"x","title":{"a":1}})"), "");
  EXPECT_EQ(Call(11005, R"({"name":"x","body":[1]})"), "");

  const auto& presented = System().Presented();
  ASSERT_EQ(presented.size(), 3u);
  EXPECT_EQ(presented[0].Sender.AppName, "Mail \"Pro\"");
  EXPECT_TRUE(presented[0].Sender.Icon.empty());
  const TNotification& first = presented[0].Notification;
  EXPECT_EQ(first.Name + "|" + first.Title + "|" + first.Body, "mail-1|New mail|From: Ann");
  const TNotification& empty = presented[1].Notification;
  EXPECT_EQ(empty.Name + "|" + empty.Title + "|" + empty.Body, "||");
  const TNotification& typed = presented[2].Notification;
  EXPECT_EQ(typed.Name + "|" + typed.Title + "|" + typed.Body, "7||true");
  // One center serves every notification of the module.
  EXPECT_EQ(System().LiveNotificationCenters(), 1);
}

TEST_F(SystemFunctionsTest, WithoutANotificationServiceItAnswersFalse) {
  System().SetNotificationsAvailable(false);
  EXPECT_EQ(Call(11005, R"({"name":"a","title":"t"})"), "true:false");
  EXPECT_TRUE(System().Presented().empty());
  // Also in preview mode, where the function works the same.
  FModule.SetExeZip(nullptr);
  EXPECT_EQ(Call(11005, R"({"name":"a"})"), "true:false");
  EXPECT_TRUE(FPlatform.MessageBoxes().Shown().empty());
}

TEST_F(SystemFunctionsTest, AClickRunsThePagesEventWithTheNameAsAJsonString) {
  EXPECT_FALSE(System().ClickNotification("mail-1"));  // nothing presented yet
  Call(11005, R"({"name":"mail-1","title":"t"})");
  Call(11005, R"({})");
  Call(11005, R"({"name":"say \"hi\"\");alert(1);//"})");
  EXPECT_TRUE(System().ClickNotification("mail-1"));
  EXPECT_TRUE(System().ClickNotification(""));
  EXPECT_TRUE(System().ClickNotification("say \"hi\"\");alert(1);//"));
  EXPECT_FALSE(System().ClickNotification("other"));
  const std::vector<std::string> expected = {
      R"(zel.events.onNotificationClick("mail-1");)",
      R"(zel.events.onNotificationClick("");)",
      R"(zel.events.onNotificationClick("say \"hi\"\");alert(1);\/\/");)",
  };
  EXPECT_EQ(FBrowser.Scripts, expected);
}

TEST_F(SystemFunctionsTest, TheIconIsTheImageThatTheSettingNamesInThePackage) {
  test::TTempDir dir;
  const auto zipPath = dir / "p.zip";
  {
    TPackageWriter writer(zipPath, "pw", TPackageEncryption::TraditionalPkware);
    writer.AddBytes("app/img/Icon.png", "PNG bytes");
    writer.AddBytes("app/big.png", std::string(5 * 1024 * 1024, 'x'));
    writer.Commit();
  }
  const std::string package = test::ReadFile(zipPath);
  TExeZip zip;
  zip.SetPassword("pw");
  zip.OpenFromMemory({reinterpret_cast<const std::uint8_t*>(package.data()), package.size()});
  FModule.SetExeZip(&zip);

  struct TCase {
    const char* Icon;
    const char* Expected;
  };
  const TCase cases[] = {
      {"img/icon.png", "PNG bytes"},   // letter case ignored, as for every entry
      {"/img/Icon.png", "PNG bytes"},  // a leading slash is the same
      {"img/missing.png", ""},
      {"big.png", ""},  // too large for an icon
      {"", ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Icon);
    TProjectINI settings;
    settings.LoadFromText(std::string("[App]\nName=A\nDirName=app\nIcon=") + c.Icon + "\n");
    FModule.SetProjectINI(&settings);
    FModule.SetNotificationCenter(nullptr);  // the sender is read when the center is made
    EXPECT_EQ(Call(11005, R"({"name":"n"})"), "true:true");
    EXPECT_EQ(System().Presented().back().Sender.Icon, c.Expected);
  }
}

}  // namespace
}  // namespace zel
