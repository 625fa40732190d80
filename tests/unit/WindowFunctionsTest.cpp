#include <gtest/gtest.h>

#include "BridgeTestSupport.h"
#include "core/settings/ProjectIni.h"

namespace zel {
namespace {

class WindowFunctionsTest : public test::BridgeFixture {
 protected:
  void SetUp() override {
    BridgeFixture::SetUp();
    FWindowOwner = FPlatform.UserInterface().CreateMainWindow();
    FWindow = FWindowOwner.get();
    FModule.SetMainForm(FWindow);
    FSettings.LoadFromText("[App]\nWindowBorder=3\n");
    FModule.SetProjectINI(&FSettings);
  }
  std::unique_ptr<IWindow> FWindowOwner;
  IWindow* FWindow = nullptr;
  TProjectINI FSettings;
};

// Full screen is the window manager's full-screen state, which covers the
// whole monitor (maximized without a border stays inside the desktop's
// panels); the border and state underneath stay as they were.
TEST_F(WindowFunctionsTest, FullScreenTwiceThenExitRestoresTheWindowAsItWas) {
  FWindow->SetState(TWindowState::Maximized);
  EXPECT_EQ(Call(50002), R"(true:false)");
  EXPECT_EQ(Call(50003), "");  // no reply
  EXPECT_TRUE(FWindow->FullScreen());
  EXPECT_EQ(Call(50003), "");  // already: nothing happens
  EXPECT_EQ(Call(50002), R"(true:true)");
  FWindow->SetBorderStyle(TBorderStyle::Single);  // changed while in full screen
  EXPECT_EQ(Call(50004), "");
  EXPECT_FALSE(FWindow->FullScreen());
  EXPECT_EQ(FWindow->State(), TWindowState::Maximized);
  EXPECT_EQ(FWindow->BorderStyle(), TBorderStyle::Single);
  EXPECT_EQ(Call(50002), R"(true:false)");
  FWindow->SetFullScreen(true);   // not through the bridge
  EXPECT_EQ(Call(50004), "");     // not in full screen for the page: nothing changes
  EXPECT_TRUE(FWindow->FullScreen());
}

TEST_F(WindowFunctionsTest, StyleStateTitleAndBorder) {
  EXPECT_EQ(Call(60001), R"(true:"normal")");
  EXPECT_EQ(Call(60002, R"({"style":"ontop"})"), "true:true");
  EXPECT_EQ(Call(60001), R"(true:"ontop")");
  EXPECT_EQ(Call(60002, "{}"), "true:true");  // default: normal
  EXPECT_FALSE(FWindow->StayOnTop());

  EXPECT_EQ(Call(60004, R"({"state":"maximized"})"), "true:true");
  EXPECT_EQ(Call(60003), R"(true:"maximized")");
  EXPECT_EQ(Call(60004, R"({"state":"sideways"})"), "true:true");  // unknown: nothing changes
  EXPECT_EQ(FWindow->State(), TWindowState::Maximized);
  EXPECT_EQ(Call(60004, "{}"), "true:true");
  EXPECT_EQ(FWindow->State(), TWindowState::Normal);

  EXPECT_EQ(Call(60006, R"({"title":"say \"hi\" \\ /x"})"), "true:true");
  EXPECT_EQ(FWindow->Caption(), R"(say "hi" \ /x)");
  EXPECT_EQ(Call(60005), R"(true:"say \"hi\" \\ \/x")");

  EXPECT_EQ(Call(60011), R"(true:"sizeable")");
  EXPECT_EQ(Call(60012, R"({"border":"toolwindow"})"), "");  // never answers
  EXPECT_EQ(FWindow->BorderStyle(), TBorderStyle::ToolWindow);
  EXPECT_EQ(Call(60012, R"({"border":"round"})"), "");
  EXPECT_EQ(FWindow->BorderStyle(), TBorderStyle::ToolWindow);
  EXPECT_EQ(Call(60012, "{}"), "");  // default: sizeable
  EXPECT_EQ(FWindow->BorderStyle(), TBorderStyle::Sizeable);
}

TEST_F(WindowFunctionsTest, MinimizedWithATrayIconHidesTheWindow) {
  bool tray = true;
  FModule.SetTrayIconVisibleQuery([&] { return tray; });
  FWindow->Show();
  Call(60004, R"({"state":"minimized"})");
  EXPECT_FALSE(FWindow->Visible());
  Call(60004, R"({"state":"normal"})");
  EXPECT_TRUE(FWindow->Visible());
  tray = false;
  Call(60004, R"({"state":"minimized"})");
  EXPECT_TRUE(FWindow->Visible());
  EXPECT_EQ(FWindow->State(), TWindowState::Minimized);
}

TEST_F(WindowFunctionsTest, ZoomFormatsAndParsesNumbers) {
  EXPECT_EQ(Call(60007), R"(true:"1")");
  EXPECT_EQ(Call(60008, R"({"factor":1.5})"), "true:true");
  EXPECT_DOUBLE_EQ(FBrowser.Zoom, 1.5);
  EXPECT_EQ(Call(60007), R"(true:"1.5")");
  EXPECT_EQ(Call(60008, R"({"factor":"1,5"})"), "true:false");
  EXPECT_DOUBLE_EQ(FBrowser.Zoom, 1.0);
  FBrowser.Zoom = 1.5;
  EXPECT_EQ(Call(60008, "{}"), "true:false");
  EXPECT_DOUBLE_EQ(FBrowser.Zoom, 1.0);
  FBrowser.Zoom = 1.0 / 3;
  EXPECT_EQ(Call(60007), R"(true:"0.333333333333333")");
}

TEST_F(WindowFunctionsTest, SizeReadsLeadingIntegersAndKeepsMissingValues) {
  FWindow->SetBounds({100, 80, 700, 500});
  EXPECT_EQ(Call(60009), R"(true:{"top": 80, "left": 100, "width": 700, "height": 500})");
  EXPECT_EQ(Call(60010, R"({"width":640})"), "true:true");
  const TWindowBounds kept = FWindow->Bounds();
  EXPECT_EQ(kept.Left, 100);
  EXPECT_EQ(kept.Top, 80);
  EXPECT_EQ(kept.Width, 640);
  EXPECT_EQ(kept.Height, 500);
  Call(60010, R"({"left":120.7,"top":"  90px","width":"$300","height":"0x1F4"})");
  const TWindowBounds b = FWindow->Bounds();
  EXPECT_EQ(b.Left, 120);
  EXPECT_EQ(b.Top, 90);
  EXPECT_EQ(b.Width, 0x300);
  EXPECT_EQ(b.Height, 500);
}

TEST_F(WindowFunctionsTest, NavigateAndArgs) {
  EXPECT_EQ(Call(50006, "{}"), R"(false:"Missing url")");
  EXPECT_EQ(Call(50006, R"({"url":"file:///about.html"})"), "true:true");
  EXPECT_EQ(FBrowser.Navigations, std::vector<std::string>{"file:///about.html"});
  FModule.SetCommandLine({"/opt/My App/app", "a b", "c\\d"});
  EXPECT_EQ(Call(50005), R"(true:["\/opt\/My App\/app","a b","c\\d"])");
}

TEST_F(WindowFunctionsTest, GatedFunctionsInPreviewMode) {
  FModule.SetExeZip(nullptr);
  for (int id : {50003, 50004, 50005, 60002, 60003, 60004, 60006, 60009, 60010, 60011, 60012}) {
    EXPECT_EQ(Call(id), "") << id;
  }
  const auto& shown = FPlatform.MessageBoxes().Shown();
  ASSERT_EQ(shown.size(), 11u);
  EXPECT_EQ(shown[0].Text, "Calls to zel.app.enterFullscreen() works only at runtime.");
  EXPECT_EQ(shown[10].Text, "Calls to zel.window.setBorder() works only at runtime.");
  // Not gated: answered in preview mode too.
  EXPECT_EQ(Call(60001), R"(true:"normal")");
  EXPECT_EQ(Call(60005), R"(true:"")");
}

}  // namespace
}  // namespace zel
