// mainMenu.* and trayMenu.* on the fake platform: how item objects are read,
// when a menu is replaced or updated, the failure replies, the images and
// the click events.
#include <gtest/gtest.h>

#include "BridgeTestSupport.h"
#include "PackageTestSupport.h"
#include "core/bridge/AppPaths.h"
#include "core/menus/MenuDisplay.h"
#include "core/package/PackageWriter.h"
#include "core/text/PathText.h"

namespace zel {
namespace {

constexpr int MainSetItems = 12001, MainUpdateItem = 12002;
constexpr int ShowIcon = 14001, HideIcon = 14002, TraySetItems = 14003, TrayUpdateItem = 14004;

// The call argument {"items": <text>} for a JSON text of items.
std::string ItemsArgument(const std::string& itemsJson) {
  return nlohmann::json{{"items", itemsJson}}.dump();
}

class MenuFunctionsTest : public test::BridgeFixture {
 protected:
  void SetUp() override {
    BridgeFixture::SetUp();
    FWindowOwner = FPlatform.UserInterface().CreateMainWindow();
    FWindow = static_cast<TFakeWindow*>(FWindowOwner.get());
    FModule.SetMainForm(FWindow);
  }
  void TearDown() override { FModule.SetMainForm(nullptr); }

  std::string SetTray(const std::string& itemsJson) {
    return Call(TraySetItems, ItemsArgument(itemsJson));
  }
  TMenuModel& Tray() { return FModule.BrowserExternalForm().TrayMenu(); }
  TMenuModel& Main() { return FModule.BrowserExternalForm().MainMenu(); }
  TFakeTrayIcon& Icon() { return *FPlatform.Menus().TrayIcon(); }
  const std::vector<TMenuItem>& Shown() { return Icon().Menu().Items(); }

  std::unique_ptr<IWindow> FWindowOwner;
  TFakeWindow* FWindow = nullptr;
};

TEST_F(MenuFunctionsTest, ItemObjectsAreReadAsText) {
  struct TCase {
    const char* Object;
    const char* Caption;
    std::int32_t Tag;
    bool Enabled;
    bool Submenu;
  };
  const TCase cases[] = {
      {R"({"caption": "Open", "id": 12})", "Open", 12, true, false},
      {R"({"caption": 5, "id": "007"})", "5", 7, true, false},
      {R"({"caption": true, "id": "abc"})", "true", 0, true, false},
      {R"({"caption": null, "id": 1.5})", "null", 0, true, false},
      {R"({"caption": "a", "id": "2147483648"})", "a", 0, true, false},
      {R"({"caption": "a", "id": -2147483648})", "a", INT32_MIN, true, false},
      {R"({"caption": "a", "id": "$1F"})", "a", 31, true, false},
      {R"({"caption": "a", "id": 1, "enabled": 0})", "a", 1, false, false},
      {R"({"caption": "a", "id": 1, "enabled": "0.0"})", "a", 1, false, false},
      {R"({"caption": "a", "id": 1, "enabled": 2})", "a", 1, true, false},
      {R"({"caption": "a", "id": 1, "enabled": "FALSE"})", "a", 1, false, false},
      {R"({"caption": "a", "id": 1, "enabled": false})", "a", 1, false, false},
      {R"({"caption": "a", "id": 1, "enabled": "True"})", "a", 1, true, false},
      {R"({"caption": "a", "id": 1, "enabled": {"x": 0}})", "a", 1, true,
       false},  // an object is ignored
      {R"({"caption": "a", "id": 1, "enabled": [0]})", "a", 1, true, false},
      {R"({"caption": "a", "id": 1, "Enabled": false, "other": {}})", "a", 1, true, false},
      {R"({"caption": "a", "id": 1, "items": []})", "a", 1, true, true},
      {R"({"caption": "-", "id": 3})", "-", 3, true, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Object);
    ASSERT_EQ(SetTray("[]"), "true:true");
    ASSERT_EQ(SetTray(std::string("[") + c.Object + "]"), "true:true");
    ASSERT_EQ(Tray().Items().size(), 1u);
    const TMenuItem& item = Tray().Items()[0];
    EXPECT_EQ(item.Caption, c.Caption);
    EXPECT_EQ(item.Tag, c.Tag);
    EXPECT_EQ(item.Enabled, c.Enabled);
    EXPECT_EQ(item.Submenu, c.Submenu);
    EXPECT_EQ(item.Leaf, !c.Submenu);
    EXPECT_TRUE(item.Items.empty());
    // The view shows what the menu holds.
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_EQ(Shown()[0].Caption, c.Caption);
  }
}

TEST_F(MenuFunctionsTest, FailureRepliesAndWhatTheyLeave) {
  ASSERT_EQ(SetTray(R"([{"caption": "Keep", "id": 1}])"), "true:true");
  // Item objects are read only when the menu is empty (see the next test).
  struct TCase {
    const char* Argument;
    const char* Reply;  // "" for none
    std::size_t ItemsAfter;
    bool StartEmpty = false;
  };
  const TCase cases[] = {
      {"{}", R"(false:"Missing menu items")", 1},
      {R"({"items": null})", R"(false:"Missing menu items")", 1},
      {R"({"items": ""})", R"(false:"Missing menu items")", 1},
      {R"({"items": [1]})", "", 1},  // text is read: an array ends the call unanswered
      {R"({"items": "{}"})", R"(false:"Wrong menu items JSON")", 0},
      {R"({"items": "[{\"caption\": 1"})", R"(false:"Wrong menu items JSON")", 0},
      {R"({"items": "not json"})", R"(false:"Wrong menu items JSON")", 0},
      {R"({"items": "[{\"caption\": \"a\"}]"})", R"(false:"Wrong menu item JSON")", 0, true},
      {R"({"items": "[{\"id\": 1}]"})", R"(false:"Wrong menu item JSON")", 0, true},
      {R"({"items": "[{\"caption\": {}, \"id\": 1}]"})", R"(false:"Wrong menu item JSON")", 0,
       true},
      {R"({"items": "[{\"caption\": \"a\", \"id\": 1, \"items\": 5}]"})",
       R"(false:"Wrong menu item JSON")", 0, true},
      {R"({"items": "[{\"caption\": \"a\", \"id\": 1, \"items\": null}]"})",
       R"(false:"Wrong menu item JSON")", 0, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Argument);
    SetTray("[]");
    if (!c.StartEmpty) SetTray(R"([{"caption": "Keep", "id": 1}])");
    const std::size_t posted = FBrowser.Posted.size();
    EXPECT_EQ(Call(TraySetItems, c.Argument), c.Reply);
    EXPECT_EQ(FBrowser.Posted.size(), posted + (*c.Reply ? 1 : 0));  // one reply at most
    EXPECT_EQ(Tray().Items().size(), c.ItemsAfter);
    EXPECT_EQ(Shown().size(), c.ItemsAfter);
  }
}

TEST_F(MenuFunctionsTest, AMalformedItemAnywhereEmptiesTheMenuWithOneReply) {
  const std::string deep =
      R"([{"caption": "a", "id": 1}, {"caption": "b", "id": 2, "items": [{"caption": "c", "id": 3, "items": [{"caption": "d"}]}]}, {"caption": "e", "id": 5}])";
  const std::size_t posted = FBrowser.Posted.size();
  EXPECT_EQ(SetTray(deep), R"(false:"Wrong menu item JSON")");
  EXPECT_EQ(FBrowser.Posted.size(), posted + 1);
  EXPECT_TRUE(Tray().Items().empty());
  EXPECT_TRUE(Shown().empty());
}

TEST_F(MenuFunctionsTest, ErrorsInsideAnItemEndTheCallAndKeepWhatWasBuilt) {
  // Not an object, or an enabled text that is no truth value: no reply.
  for (const char* items :
       {R"([{"caption": "a", "id": 1}, 7])",
        R"([{"caption": "a", "id": 1}, {"caption": "b", "id": 2, "enabled": "maybe"}])",
        R"([{"caption": "a", "id": 1}, {"caption": "b", "id": 2, "enabled": null}])"}) {
    SCOPED_TRACE(items);
    SetTray("[]");
    EXPECT_EQ(SetTray(items), "");
    ASSERT_GE(Tray().Items().size(), 1u);
    EXPECT_EQ(Tray().Items()[0].Caption, "a");
    EXPECT_EQ(Shown().size(), Tray().Items().size());
  }
}

TEST_F(MenuFunctionsTest, AListIsReplacedOnlyAfterAnEmptyOne) {
  ASSERT_EQ(SetTray(R"([{"caption": "One", "id": 1}, {"caption": "Two", "id": 2}])"), "true:true");
  const int shownBefore = Icon().Menu().SetItemsCount();
  EXPECT_EQ(SetTray(R"([{"caption": "Other", "id": 9}])"), "true:true");
  ASSERT_EQ(Tray().Items().size(), 2u);
  EXPECT_EQ(Tray().Items()[0].Caption, "One");
  EXPECT_EQ(Icon().Menu().SetItemsCount(), shownBefore);  // nothing changed, nothing redrawn
  EXPECT_EQ(SetTray("[]"), "true:true");
  EXPECT_TRUE(Tray().Items().empty());
  EXPECT_EQ(SetTray(R"([{"caption": "Other", "id": 9}])"), "true:true");
  EXPECT_EQ(Shown().at(0).Caption, "Other");
}

TEST_F(MenuFunctionsTest, TheMainMenuBecomesTheMenuBarOnceItemsAreGiven) {
  EXPECT_EQ(Call(MainSetItems, "{}"), R"(false:"Missing menu items")");
  EXPECT_FALSE(FWindow->MenuBarAttached());
  EXPECT_EQ(Call(MainSetItems, ItemsArgument("oops")), R"(false:"Wrong menu items JSON")");
  EXPECT_TRUE(FWindow->MenuBarAttached());
  const std::string items =
      R"([{"caption": "&File", "id": 1, "items": [{"caption": "&Open", "id": 11}, {"caption": "-", "id": 0}, {"caption": "E&xit", "id": 12}]}, {"caption": "&Help", "id": 2}])";
  EXPECT_EQ(Call(MainSetItems, ItemsArgument(items)), "true:true");
  const auto& bar = FWindow->MenuBar().Items();
  ASSERT_EQ(bar.size(), 2u);
  ASSERT_EQ(bar[0].Items.size(), 3u);
  EXPECT_EQ(bar[0].Items[2].Caption, "E&xit");
  EXPECT_TRUE(bar[0].Submenu);
  EXPECT_FALSE(bar[0].Leaf);
  EXPECT_TRUE(bar[1].Leaf);
  // The tray menu is another menu.
  EXPECT_TRUE(Tray().Items().empty());
}

TEST_F(MenuFunctionsTest, UpdateRules) {
  EXPECT_EQ(Call(TrayUpdateItem, R"({"id": 1})"), R"(false:"No menu items")");
  SetTray(
      R"([{"caption": "A", "id": 1, "items": [{"caption": "A1", "id": 2}, {"caption": "A2", "id": 2}]}, {"caption": "B", "id": 2}])");
  struct TCase {
    const char* Argument;
    const char* Reply;
  };
  const TCase failures[] = {
      {"{}", R"(false:"Missing item ID")"},
      {R"({"id": null})", R"(false:"Missing item ID")"},
      {R"({"id": ""})", R"(false:"Missing item ID")"},
      {R"({"id": "x"})", R"(false:"Wrong item ID")"},
      {R"({"id": -1})", R"(false:"Wrong item ID")"},
      {R"({"id": "-1"})", R"(false:"Wrong item ID")"},
      {R"({"id": 99, "caption": "Z"})", "true:true"},  // no such item: nothing changes
      {R"({"id": [2]})", ""},                          // an array where text is read
  };
  for (const TCase& c : failures) {
    SCOPED_TRACE(c.Argument);
    EXPECT_EQ(Call(TrayUpdateItem, c.Argument), c.Reply);
  }
  EXPECT_EQ(Shown()[0].Items[0].Caption, "A1");

  // Id 2 first appears as A1 (a parent's children before its later siblings).
  EXPECT_EQ(Call(TrayUpdateItem, R"({"id": "2", "caption": "First", "enabled": false})"),
            "true:true");
  EXPECT_EQ(Tray().Items()[0].Items[0].Caption, "First");
  EXPECT_FALSE(Tray().Items()[0].Items[0].Enabled);
  EXPECT_EQ(Tray().Items()[0].Items[1].Caption, "A2");
  EXPECT_EQ(Tray().Items()[1].Caption, "B");
  EXPECT_EQ(Shown()[0].Items[0].Caption, "First");
  EXPECT_FALSE(Shown()[0].Items[0].Enabled);

  // Empty or null values leave the item alone; a parent comes before its children.
  EXPECT_EQ(Call(TrayUpdateItem, R"({"id": 1, "caption": "", "enabled": null})"), "true:true");
  EXPECT_EQ(Tray().Items()[0].Caption, "A");
  EXPECT_EQ(Call(TrayUpdateItem, R"({"id": 1, "enabled": "TRUE", "caption": 42})"), "true:true");
  EXPECT_EQ(Tray().Items()[0].Caption, "42");

  // An enabled text that is no truth value ends the call unanswered; the
  // caption set before stays and is shown.
  EXPECT_EQ(Call(TrayUpdateItem, R"({"id": 1, "caption": "C", "enabled": "maybe"})"), "");
  EXPECT_EQ(Shown()[0].Caption, "C");
}

TEST_F(MenuFunctionsTest, ClicksBecomePageEvents) {
  SetTray(
      R"([{"caption": "Sub", "id": 5, "items": [{"caption": "Leaf", "id": "12"}, {"caption": "Empty", "id": 6, "items": []}]}, {"caption": "Word", "id": "abc"}])");
  auto& view = Icon().Menu();
  view.Click(view.FindByCaption("Leaf")->Key);
  view.Click(view.FindByCaption("Word")->Key);
  view.Click(view.FindByCaption("Sub")->Key);    // opens a submenu: no event
  view.Click(view.FindByCaption("Empty")->Key);  // an empty submenu: no event either
  view.Click(123456);                            // an unknown key
  Icon().Click();
  Call(MainSetItems, ItemsArgument(R"([{"caption": "Bar", "id": 7}])"));
  FWindow->MenuBar().Click(FWindow->MenuBar().FindByCaption("Bar")->Key);
  EXPECT_EQ(FBrowser.Scripts, (std::vector<std::string>{
                                  R"(zel.events.onTrayMenuItemClick("12");)",
                                  R"(zel.events.onTrayMenuItemClick("0");)",
                                  "zel.events.onTrayIconClick();",
                                  R"(zel.events.onMainMenuItemClick("7");)",
                              }));
}

TEST_F(MenuFunctionsTest, ClicksAfterTheModuleIsGoneAreIgnored) {
  auto module = std::make_unique<TBrowserExternalModule>(FPlatform);
  module->SetBrowserForm(&FBrowser);
  module->SetExeZip(&FZip);
  module->SetMainForm(FWindow);
  test::TMessage message(
      R"({"id": 12001, "uuid": "u", "data": {"items": "[{\"caption\": \"X\", \"id\": 1}]"}})");
  module->EdgeBrowserWebMessageReceived(message);
  const std::uint32_t key = FWindow->MenuBar().Items().at(0).Key;
  module.reset();
  FWindow->MenuBar().Click(key);  // the window's menu bar outlives the module
  EXPECT_TRUE(FBrowser.Scripts.empty());
}

TEST_F(MenuFunctionsTest, ShowAndHideTheIcon) {
  EXPECT_EQ(Icon().Title(), "app");  // from /opt/app/app
  EXPECT_FALSE(Icon().Shown());
  EXPECT_EQ(Call(HideIcon), "true:true");
  EXPECT_EQ(Call(ShowIcon), "true:true");
  EXPECT_EQ(Call(ShowIcon), "true:true");
  EXPECT_TRUE(Icon().Shown());
  EXPECT_EQ(Icon().ShowCount(), 1);
  EXPECT_TRUE(FModule.TrayIconVisible());

  // Minimized with a visible icon, the window lives on in the tray.
  FWindow->Show();
  Call(60004, R"({"state": "minimized"})");
  EXPECT_FALSE(FWindow->Visible());
  Call(60004, R"({"state": "normal"})");
  EXPECT_TRUE(FWindow->Visible());
  // A desktop without a tray: the icon is not visible, the window stays.
  Icon().SetTrayAvailable(false);
  EXPECT_FALSE(FModule.TrayIconVisible());
  Call(60004, R"({"state": "minimized"})");
  EXPECT_TRUE(FWindow->Visible());
  Icon().SetTrayAvailable(true);
  EXPECT_EQ(Call(HideIcon), "true:true");
  EXPECT_FALSE(FModule.TrayIconVisible());
}

TEST_F(MenuFunctionsTest, PreviewModeShowsTheMessagesAndDoesNotReply) {
  FModule.SetExeZip(nullptr);
  const int ids[] = {MainSetItems, MainUpdateItem, ShowIcon,
                     HideIcon,     TraySetItems,   TrayUpdateItem};
  for (const int id : ids) EXPECT_EQ(Call(id, ItemsArgument("[]")), "") << id;
  std::vector<std::string> texts;
  for (const auto& shown : FPlatform.MessageBoxes().Shown()) texts.push_back(shown.Text);
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "Calls to zel.mainMenu.setItems() works only at runtime.",
                       "Calls to zel.mainMenu.updateItem() works only at runtime.",
                       "Calls to zel.trayMenu.showIcon() works only at runtime.",
                       "Calls to zel.trayMenu.hideIcon() works only at runtime.",
                       "Calls to zel.trayMenu.setItems() works only at runtime.",
                       "Calls to zel.trayMenu.updateItem() works only at runtime.",
                   }));
  EXPECT_FALSE(FWindow->MenuBarAttached());
  EXPECT_FALSE(Icon().Shown());
}

TEST_F(MenuFunctionsTest, DeepAndLargeMenus) {
  // Menus nest as deep as call messages may.
  const auto nested = [](int levels) {
    std::string text;
    for (int i = 0; i < levels; ++i)
      text += R"([{"caption": "L", "id": )" + std::to_string(i) + R"(, "items": )";
    text += "[]";
    for (int i = 0; i < levels; ++i) text += "}]";
    return text;
  };
  ASSERT_EQ(SetTray(nested(250)), "true:true");
  const TMenuItem* item = &Tray().Items().at(0);
  int depth = 1;
  while (!item->Items.empty()) item = &item->Items[0], ++depth;
  EXPECT_EQ(depth, 250);
  EXPECT_EQ(Call(TrayUpdateItem, R"({"id": 249, "caption": "Deepest"})"), "true:true");
  EXPECT_EQ(item->Caption, "Deepest");
  SetTray("[]");
  EXPECT_EQ(SetTray(nested(300)), R"(false:"Wrong menu items JSON")");

  nlohmann::json many = nlohmann::json::array();
  for (int i = 0; i < 10000; ++i)
    many.push_back({{"caption", "Item " + std::to_string(i)}, {"id", i}});
  SetTray("[]");
  ASSERT_EQ(SetTray(many.dump()), "true:true");
  EXPECT_EQ(Shown().size(), 10000u);
  EXPECT_EQ(Call(TrayUpdateItem, R"({"id": 9999, "caption": "Last"})"), "true:true");
  EXPECT_EQ(Shown().back().Caption, "Last");
}

class MenuImagesTest : public MenuFunctionsTest {
 protected:
  void SetUp() override {
    MenuFunctionsTest::SetUp();
    // The executable is /opt/app/app, the current folder /home/user.
    FPlatform.FileSystem().AddFile("/opt/app/icons/open.png", FakePngHeader(16, 16));
    FPlatform.FileSystem().AddFile("/home/user/cwd.png", FakePngHeader(32, 24));
    FPlatform.FileSystem().AddFile("/srv/abs.png", FakePngHeader(8, 8));
    FPlatform.FileSystem().AddFile("/opt/app/broken.png", "not a picture");
  }
  std::string Item(const std::string& id, const std::string& image) {
    return R"({"caption": "c", "id": )" + id + R"(, "image": ")" + image + "\"}";
  }
};

TEST_F(MenuImagesTest, ImagesAreNamedAndIndexedInOrderOfAddition) {
  ASSERT_EQ(SetTray("[" + Item("1", "icons/open.png") + "," + Item("2", "missing.png") + "," +
                    Item("3", "cwd.png") + "," + Item("4", "/srv/abs.png") + "," +
                    Item("5", "broken.png") + "]"),
            "true:true");
  const auto& items = Tray().Items();
  EXPECT_EQ(items[0].ImageName, "TrayMenuImg0");
  EXPECT_EQ(items[0].ImageIndex, 0);
  ASSERT_TRUE(items[0].Image);
  EXPECT_EQ(items[0].Image->Width, 16);
  EXPECT_FALSE(items[1].Image);  // not found: no image, no error
  EXPECT_EQ(items[1].ImageIndex, -1);
  EXPECT_EQ(items[2].ImageName, "TrayMenuImg1");  // relative to the current folder
  EXPECT_EQ(items[2].Image->Width, 32);
  EXPECT_EQ(items[3].ImageName, "TrayMenuImg2");
  EXPECT_FALSE(items[4].Image);  // found but no picture: no image either
  ASSERT_EQ(Tray().Images().size(), 3u);
  EXPECT_EQ(Tray().Images()[2].Name, "TrayMenuImg2");
  EXPECT_EQ(Shown()[0].ImageName, "TrayMenuImg0");

  // Updates add the next image; the old one stays in the collection.
  EXPECT_EQ(Call(TrayUpdateItem, R"({"id": 1, "image": "/srv/abs.png"})"), "true:true");
  EXPECT_EQ(items[0].ImageName, "TrayMenuImg3");
  EXPECT_EQ(items[0].ImageIndex, 3);
  EXPECT_EQ(Tray().Images().size(), 4u);
  EXPECT_EQ(Shown()[0].ImageIndex, 3);
  // An image that is not found leaves the item's image as it was.
  EXPECT_EQ(Call(TrayUpdateItem, R"({"id": 1, "image": "nowhere.png"})"), "true:true");
  EXPECT_EQ(items[0].ImageIndex, 3);

  // A rejected list keeps the images; an empty list clears them.
  EXPECT_EQ(SetTray("{}"), R"(false:"Wrong menu items JSON")");
  EXPECT_EQ(Tray().Images().size(), 4u);
  EXPECT_EQ(SetTray("[]"), "true:true");
  EXPECT_TRUE(Tray().Images().empty());
  EXPECT_EQ(SetTray("[" + Item("1", "cwd.png") + "]"), "true:true");
  EXPECT_EQ(Tray().Items()[0].ImageName, "TrayMenuImg0");

  // The main menu has a collection of its own.
  EXPECT_EQ(Call(MainSetItems, ItemsArgument("[" + Item("1", "cwd.png") + "]")), "true:true");
  EXPECT_EQ(Main().Items()[0].ImageName, "MainMenuImg0");
}

TEST_F(MenuImagesTest, ThePackageIsSearchedFirst) {
  test::TTempDir dir;
  {
    TPackageWriter writer(dir / "p.zip", "pw", TPackageEncryption::TraditionalPkware);
    writer.AddBytes("app/Icons/Open.png", FakePngHeader(20, 10));
    writer.AddBytes("icons/open.png", FakePngHeader(40, 40));
    writer.AddBytes("app/bad.png", "no picture");
    writer.Commit();
  }
  const std::string package = test::ReadFile(dir / "p.zip");
  TExeZip zip;
  zip.SetPassword("pw");
  zip.OpenFromMemory({reinterpret_cast<const std::uint8_t*>(package.data()), package.size()});
  FModule.SetExeZip(&zip);
  ASSERT_EQ(SetTray("[" + Item("1", "APP/icons/open.PNG") + "," + Item("2", "icons/open.png") +
                    "," + Item("3", "app/bad.png") + "," + Item("4", "open.png") + "]"),
            "true:true");
  const auto& items = Tray().Items();
  ASSERT_TRUE(items[0].Image);
  EXPECT_EQ(items[0].Image->Width, 20);  // the entry, letter case aside
  ASSERT_TRUE(items[1].Image);
  EXPECT_EQ(items[1].Image->Width, 40);  // the entry before the file beside the executable
  EXPECT_FALSE(items[2].Image);          // an entry that is no picture: no fallback to files
  EXPECT_FALSE(items[3].Image);
  EXPECT_TRUE(FPlatform.Menus().DecodedFiles().empty());
  FModule.SetExeZip(&FZip);
}

TEST(MenuDisplayTest, AccessKeysAndSeparators) {
  const auto level = [](std::vector<std::string> captions) {
    std::vector<TMenuItem> items;
    for (auto& caption : captions) {
      TMenuItem item;
      item.Caption = caption;
      items.push_back(item);
    }
    std::vector<std::string> labels;
    for (const TMenuEntryLayout& entry : LayOutMenuLevel(items))
      labels.push_back(entry.Separator ? (entry.Shown ? "---" : "") : UnderscoreLabel(entry));
    return labels;
  };
  // Marked keys are kept unless taken before; the others get a free letter or digit.
  EXPECT_EQ(level({"&File", "&Fit", "Edit", "E&xit", "x_y", "&&Co", "&", "10%", "-#-"}),
            (std::vector<std::string>{"_File", "F_it", "_Edit", "E_xit", "x___y", "&_Co", "",
                                      "_10%", "-#-"}));
  EXPECT_EQ(level({"&Ärger", "ärmel", "&ä"}), (std::vector<std::string>{"_Ärger", "ä_rmel", "ä"}));
  // Separators: none first or last, one of several in a row.
  EXPECT_EQ(level({"-", "a", "-", "-", "b", "-", "-"}),
            (std::vector<std::string>{"", "_a", "---", "", "_b", "", ""}));
  EXPECT_EQ(level({"-"}), (std::vector<std::string>{""}));
  // Captions too long to show are cut; a mark beyond the cut goes.
  std::vector<TMenuItem> longItem(1);
  longItem[0].Caption = std::string(100000, 'w') + "&z";
  const TMenuEntryLayout cut = LayOutMenuLevel(longItem)[0];
  EXPECT_EQ(cut.Text, std::string(MaxShownCaptionLength, 'w') + "\u2026");
  EXPECT_EQ(cut.AccessKey, 0u);
}

TEST(MenuDisplayTest, DefaultApplicationTitle) {
  EXPECT_EQ(DefaultApplicationTitle("/opt/My App/MyApp.bin"), "Myapp");
  EXPECT_EQ(DefaultApplicationTitle(Utf8ToPath("/opt/x/ÄBC.d.e")), "Äbc");
  EXPECT_EQ(DefaultApplicationTitle("/opt/x/" + std::string(300, 'Q')),
            "Q" + std::string(126, 'q'));
}

}  // namespace
}  // namespace zel
