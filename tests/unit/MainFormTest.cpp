// The main window on the fake platform and engine: the settings it applies,
// its start page, the title rule and the close protocol.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "MainLoopSupport.h"
#include "PackageTestSupport.h"
#include "backends/fake/FakePlatform.h"
#include "backends/fake/FakeWebEngine.h"
#include "backends/fake/FakeWindow.h"
#include "core/ArchiveKey.h"
#include "core/package/EngineFiles.h"
#include "core/package/ExeUtils.h"
#include "core/package/PackageWriter.h"
#include "runtime/MainForm.h"

namespace zel::resources {
extern const std::string_view BridgeScript;
}

namespace zel {
namespace {

constexpr const char* AppID = "com.example.notes";

HRESULT ReportVersion(const char*, std::string* version) {
  *version = "2.50.6";
  return S_OK;
}

class MainFormTest : public ::testing::Test {
 protected:
  // Starts an application whose zel.ini has `extraSettings`, up to a created
  // web view showing the start page's document (unless not `pageShown`).
  void Start(const std::string& extraSettings, std::vector<std::string> arguments = {},
             bool pageShown = true) {
    const auto zip = FDir / "package.zip";
    {
      TPackageWriter writer(zip, ArchivePassword(), TPackageEncryption::TraditionalPkware);
      writer.AddBytes("zel.ini", std::string("[App]\nID=") + AppID + "\nName=Notes\nDirName=app\n" +
                                     extraSettings);
      writer.AddBytes(std::string(EngineFiles.LibraryName), "engine");
      writer.AddBytes("app/index.html", "<p>hi</p>");
      writer.AddBytes("zel-webviewjs", "console.log('extra');");
      writer.Commit();
    }
    const auto exe = FDir / "notes";
    test::WriteFile(exe, test::MinimalElf());
    TExeUtils(exe).AppendZipToExe(zip, exe);
    FPlatform.ProcessInfo().SetExecutablePath(exe);
    FPlatform.KnownFolders().SetLocalAppData((FDir / "local").string() + "/");
    FPlatform.SharedLibraries().AddLibrary(
        (FDir / "local").string() + "/" + AppID + "/" + std::string(EngineFiles.FolderName) +
            std::string(EngineFiles.LibraryName),
        {{"GetAvailableCoreWebView2BrowserVersionString",
          reinterpret_cast<void*>(&ReportVersion)}});

    FStartup = std::make_unique<TStartupLoader>(FPlatform, std::move(arguments));
    ASSERT_TRUE(FStartup->Execute());
    FForm = std::make_unique<TMainForm>(FPlatform, *FStartup, FLoader);
    FForm->FormCreate();
    FForm->Window().Show();
    // The web view is created through the main loop.
    test::RunQueuedStep(FPlatform.UserInterface());
    ASSERT_TRUE(FForm->BrowserForm()->EdgeBrowser()->WebViewCreated());
    if (pageShown) {
      WebView().RaiseNavigationStarting(WebView().Navigations().back(), 1);
      WebView().RaiseContentLoading(false, 1);
      WebView().RaiseNavigationCompleted(true);
    }
  }
  TFakeWindow& Window() { return static_cast<TFakeWindow&>(FForm->Window()); }
  TFakeWebView& WebView() { return FLoader.Environment().LastController()->FakeWebView(); }

  test::TTempDir FDir;
  TFakePlatform FPlatform;
  TFakeWebViewLoader FLoader;
  std::unique_ptr<TStartupLoader> FStartup;
  std::unique_ptr<TMainForm> FForm;
};

TEST_F(MainFormTest, DefaultsGiveACentredSizeableNormalWindowOnTheStartPage) {
  Start("");
  EXPECT_EQ(Window().Caption(), "Notes");
  EXPECT_EQ(Window().Bounds().Width, 800);
  EXPECT_EQ(Window().Bounds().Height, 600);
  EXPECT_TRUE(Window().Centered());
  EXPECT_EQ(Window().BorderStyle(), TBorderStyle::Sizeable);
  EXPECT_EQ(Window().State(), TWindowState::Normal);
  EXPECT_FALSE(Window().StayOnTop());
  EXPECT_FALSE(FForm->BrowserExternalModule()->InFullscreen());
  EXPECT_EQ(WebView().Navigations(), std::vector<std::string>{"file:///index.html"});
  // The web view fills the window's content area, also after a resize.
  EXPECT_EQ(FLoader.Environment().LastController()->Bounds().Right, 800);
  EXPECT_EQ(FLoader.Environment().LastController()->Bounds().Bottom, 600);
  Window().SetBounds({0, 0, 900, 700});
  EXPECT_EQ(FLoader.Environment().LastController()->Bounds().Right, 900);
  // The bridge script comes first, the package's extra script last.
  const std::string& script = WebView().DocumentScripts().at(0);
  EXPECT_EQ(script.rfind("\r" + std::string(resources::BridgeScript), 0), 0u);
  EXPECT_NE(resources::BridgeScript.find("window.zel = {"), std::string::npos);
  EXPECT_NE(script.find("\rconsole.log('extra');"), std::string::npos);
}

TEST_F(MainFormTest, FullScreenStyleCoversTheMonitorAndLeavesItForTheSettingsBorder) {
  Start("WindowStyle=1\nWindowBorder=3\nWindowState=1\n");
  EXPECT_TRUE(Window().FullScreen());
  EXPECT_TRUE(FForm->BrowserExternalModule()->InFullscreen());
  // Underneath, what leaving full screen shows: the normal state with the
  // WindowBorder border.
  EXPECT_EQ(Window().BorderStyle(), TBorderStyle::Dialog);
  EXPECT_EQ(Window().State(), TWindowState::Normal);
}

TEST_F(MainFormTest, LimitsPlacementStateAndOrder) {
  Start(
      "Width=800\nMinWidth=1000\nWindowState=2\nWindowPosition=1\nWindowOrder=1\nWindowBorder="
      "4\nLeft=70\nTop=60\n");
  EXPECT_EQ(Window().Bounds().Width, 1000);
  EXPECT_EQ(Window().State(), TWindowState::Normal);
  EXPECT_FALSE(Window().Centered());
  EXPECT_TRUE(Window().StayOnTop());
  EXPECT_EQ(Window().BorderStyle(), TBorderStyle::ToolWindow);
}

TEST_F(MainFormTest, MaximizedState) {
  Start("WindowState=1\n");
  EXPECT_EQ(Window().State(), TWindowState::Maximized);
}

TEST_F(MainFormTest, StartPageFromTheCommandLineOnlyWithExactlyTheIdAndOneAddress) {
  Start("", {AppID, "file:///about.html"});
  EXPECT_EQ(WebView().Navigations(), std::vector<std::string>{"file:///about.html"});
}

TEST_F(MainFormTest, StartPageIgnoresAnIdInAnotherCase) {
  Start("IndexHtml=start.html\n", {"COM.example.notes", "file:///about.html"});
  EXPECT_EQ(WebView().Navigations(), std::vector<std::string>{"file:///start.html"});
}

TEST_F(MainFormTest, StartPageIgnoresAThirdArgument) {
  Start("", {AppID, "file:///about.html", "x"});
  EXPECT_EQ(WebView().Navigations(), std::vector<std::string>{"file:///index.html"});
}

TEST_F(MainFormTest, CaptionFollowsThePageTitleOnlyWhenAsked) {
  Start("");
  WebView().RaiseDocumentTitleChanged("Page");
  EXPECT_EQ(Window().Caption(), "Notes");
}

TEST_F(MainFormTest, DynamicTitle) {
  Start("DynamicAppTitle=1\n");
  WebView().RaiseDocumentTitleChanged("Page \"one\"");
  EXPECT_EQ(Window().Caption(), "Page \"one\"");
}

TEST_F(MainFormTest, ClosingAsksThePageWhichClosesThroughTheBridge) {
  Start("");
  Window().Close();
  EXPECT_FALSE(Window().Closed());
  ASSERT_EQ(WebView().Scripts().size(), 1u);
  EXPECT_EQ(WebView().Scripts()[0].Script, "zel.events.onCloseQuery();");
  Window().Close();  // every attempt asks again
  EXPECT_EQ(WebView().Scripts().size(), 2u);
  // The default handler answers with zel.app.close().
  WebView().RaiseWebMessageReceived(R"({"id":50001,"uuid":"u","data":{}})", std::nullopt);
  EXPECT_TRUE(FForm->CanClose());
  EXPECT_TRUE(Window().Closed());
  EXPECT_EQ(WebView().Scripts().size(), 3u);  // asked once more, now permitted
}

TEST_F(MainFormTest, TheEndOfTheSessionAsksThePageLikeTheCloseButton) {
  Start("");
  ASSERT_TRUE(FPlatform.UserInterface().RequestEnd());
  EXPECT_FALSE(Window().Closed());
  ASSERT_EQ(WebView().Scripts().size(), 1u);
  EXPECT_EQ(WebView().Scripts()[0].Script, "zel.events.onCloseQuery();");
  WebView().RaiseWebMessageReceived(R"({"id":50001,"uuid":"u","data":{}})", std::nullopt);
  EXPECT_TRUE(Window().Closed());
  // Once the form is gone, nothing holds the program back any more.
  FForm->FormClose();
  EXPECT_FALSE(FPlatform.UserInterface().RequestEnd());
}

// A close attempt while the page loads (the end of the session right after
// the start) would reach a document on its way out and be lost: it is asked
// once the new document can answer, one question for any number of attempts,
// and closes the window when the load fails before any document came.
TEST_F(MainFormTest, ACloseWhileThePageLoadsWaitsForADocumentThatCanAnswer) {
  enum TOutcome { Asked, Waits, Closes };
  const struct {
    const char* Name;
    std::function<void(TFakeWebView&)> Load;
    TOutcome Outcome;
  } cases[] = {
      {"committed", [](TFakeWebView& view) { view.RaiseContentLoading(false, 1); }, Asked},
      {"failed before its commit",
       [](TFakeWebView& view) { view.RaiseNavigationCompleted(false, 9); }, Closes},
      {"error page",
       [](TFakeWebView& view) {
         view.RaiseNavigationCompleted(false, 9);
         view.RaiseContentLoading(true, 1);
       },
       Closes},
      // A load replaced by another one ends before the next one starts.
      {"replaced",
       [](TFakeWebView& view) {
         view.RaiseNavigationCompleted(false, 8);
         view.RaiseNavigationStarting("file:///other.html", 2);
       },
       Waits},
  };
  for (const auto& c : cases) {
    for (bool reported : {false, true}) {
      // The start page is requested before its load is reported.
      SCOPED_TRACE(std::string(c.Name) + (reported ? ", load reported" : ", load requested"));
      FForm.reset();
      Start("", {}, /*pageShown=*/false);
      if (reported) WebView().RaiseNavigationStarting("file:///index.html", 1);
      ASSERT_TRUE(FPlatform.UserInterface().RequestEnd());
      Window().Close();
      FPlatform.UserInterface().RunPendingTasks();
      EXPECT_FALSE(Window().Closed());
      EXPECT_TRUE(WebView().Scripts().empty());
      c.Load(WebView());
      FPlatform.UserInterface().RunPendingTasks();
      if (c.Outcome == Closes) {
        EXPECT_TRUE(Window().Closed());
        continue;
      }
      if (c.Outcome == Waits) {
        EXPECT_TRUE(WebView().Scripts().empty());
        WebView().RaiseContentLoading(false, 2);
        FPlatform.UserInterface().RunPendingTasks();
      }
      ASSERT_EQ(WebView().Scripts().size(), 1u);
      EXPECT_EQ(WebView().Scripts()[0].Script, "zel.events.onCloseQuery();");
      EXPECT_FALSE(Window().Closed());
      WebView().RaiseWebMessageReceived(R"({"id":50001,"uuid":"u","data":{}})", std::nullopt);
      EXPECT_TRUE(Window().Closed());
    }
  }
}

// The engine's error page has nobody to answer: the window closes at once.
TEST_F(MainFormTest, OnTheEnginesErrorPageTheWindowClosesAtOnce) {
  Start("", {}, /*pageShown=*/false);
  WebView().RaiseNavigationStarting("file:///missing.html", 1);
  WebView().RaiseNavigationCompleted(false, 9);
  WebView().RaiseContentLoading(true, 1);
  Window().Close();
  EXPECT_TRUE(Window().Closed());
  EXPECT_TRUE(WebView().Scripts().empty());
}

TEST_F(MainFormTest, AForeignPageCannotHoldTheWindowOpen) {
  Start("");
  WebView().SetSource("https://example.com/");
  Window().Close();
  EXPECT_TRUE(Window().Closed());
  EXPECT_TRUE(WebView().Scripts().empty());
}

TEST_F(MainFormTest, PageEventsReachOnlyTheApplicationsOwnPage) {
  Start("");
  ASSERT_NE(FPlatform.Menus().TrayIcon(), nullptr);
  WebView().SetSource("file:///index.html");
  FPlatform.Menus().TrayIcon()->Click();
  ASSERT_EQ(WebView().Scripts().size(), 1u);
  EXPECT_EQ(WebView().Scripts()[0].Script, "zel.events.onTrayIconClick();");
  WebView().SetSource("https://example.com/");
  FPlatform.Menus().TrayIcon()->Click();
  EXPECT_EQ(WebView().Scripts().size(), 1u);
}

TEST_F(MainFormTest, BridgeCallsAreAnsweredThroughTheWebView) {
  Start("");
  WebView().RaiseWebMessageReceived(R"({"id":10001,"uuid":"u","data":{}})", std::nullopt);
  WebView().RaiseWebMessageReceived(R"({"id":10001,"uuid":"v","data":{}})", std::nullopt,
                                    "https://evil.example");
  EXPECT_EQ(WebView().PostedMessages(),
            std::vector<std::string>{R"({"uuid": "u", "success": true, "result": "2024.10"})"});
}

TEST_F(MainFormTest, OnlyCurrentApplicationPagesOutsideWebContentAndListedOriginsAreAnswered) {
  Start("BridgeOrigins=https://listed.example\n");
  struct TCase {
    const char* Name;
    TFakeMessageSender Sender;
    bool Answered;
  } cases[] = {
      {"top application page", {"file://", {}, true}, true},
      {"application frame in application pages", {"file://", {"file://", "file://"}, true}, true},
      {"stale channel of an application page", {"file://", {}, false}, false},
      {"stale channel of a listed origin", {"https://listed.example", {}, false}, false},
      {"application page framed by a web page", {"file://", {"https://evil.example"}, true}, false},
      {"application page framed by a listed origin",
       {"file://", {"https://listed.example"}, true},
       false},
      {"application page with an unreadable ancestor",
       {"file://", {"file://", "null"}, true},
       false},
      {"web page", {"https://evil.example", {}, true}, false},
      {"foreign frame in an application page", {"https://evil.example", {"file://"}, true}, false},
      {"listed origin", {"https://listed.example", {}, true}, true},
      {"listed origin framed by an application page",
       {"https://listed.example", {"file://"}, true},
       true},
      {"opaque origin", {"null", {"file://"}, true}, false},
  };
  for (const TCase& c : cases) {
    const std::size_t before = WebView().PostedMessages().size();
    WebView().RaiseWebMessageReceived(R"({"id":10001,"uuid":"u","data":{}})", c.Sender);
    EXPECT_EQ(WebView().PostedMessages().size() - before, c.Answered ? 1u : 0u) << c.Name;
  }
}

}  // namespace
}  // namespace zel
