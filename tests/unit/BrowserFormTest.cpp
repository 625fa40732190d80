#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "MainLoopSupport.h"
#include "PackageTestSupport.h"
#include "backends/fake/FakePlatform.h"
#include "backends/fake/FakeWebEngine.h"
#include "runtime/BrowserForm.h"

namespace zel {
namespace {

const std::string DragOver =
    R"(window.addEventListener("dragover", function(e){e.preventDefault();},false);)";
const std::string Drop =
    R"(window.addEventListener("drop", function(e){e.preventDefault();}, false);)";
const std::string ClickNotifier =
    R"(window.addEventListener("click", function () {window.chrome.webview.postMessage("zel-webbrowser-clicked");});)";

using test::RunQueuedStep;

class BrowserFormTest : public ::testing::Test {
 protected:
  BrowserFormTest() : FForm(FUi, FLoader, FProcessInfo, FProcesses) {
    FProcessInfo.SetExecutablePath("/opt/demo/demo-app");
    FForm.SetOnProgressBarVisibleChanged(
        [this](TBrowserForm&, bool visible) { FProgressBar.push_back(visible); });
  }

  // Creates the form as the main window does: properties set after FormCreate,
  // the web view ready once the main loop runs.
  void CreateAsRuntime() {
    FForm.FormCreate(&FContainer);
    FForm.SetIsRuntime(true);
    FForm.SetWithExternal(true);
    FForm.SetHandleRequests(true);
    FForm.SetRuntimeAppID("demo-id");
    FForm.SetAppDirName("app");
    FForm.SetStartPageURL("file:///index.html");
    FForm.SetBridgeScript("window.zel={};");
  }
  void RunMainLoop() { RunQueuedStep(FUi); }
  TFakeWebViewController* Controller() { return FLoader.Environment().LastController(); }
  TFakeWebView& WebView() { return Controller()->FakeWebView(); }

  TFakeUserInterface FUi;
  TFakeWebViewLoader FLoader;
  TFakeProcessInfo FProcessInfo;
  TFakeProcesses FProcesses;
  int FContainer = 0;
  TBrowserForm FForm;
  std::vector<bool> FProgressBar;
};

TEST_F(BrowserFormTest, FormCreateClearsPropertiesAndPlacesTheControl) {
  FForm.SetStartPageURL("file:///stale.html");
  FForm.SetIsRuntime(true);
  FForm.FormCreate(&FContainer);
  EXPECT_EQ(FForm.StartPageURL(), "");
  EXPECT_FALSE(FForm.IsRuntime());
  EXPECT_EQ(FForm.AppDirPath(), "/opt/demo/");
  EXPECT_TRUE(FForm.ProgressBarVisible());
  EXPECT_EQ(FProgressBar, std::vector<bool>{true});
  ASSERT_NE(FForm.EdgeBrowser(), nullptr);
  EXPECT_EQ(FForm.EdgeBrowser()->Parent(), &FContainer);
  EXPECT_EQ(FForm.EdgeBrowser()->BrowserControlState(), TBrowserControlState::Creating);

  FForm.SetClientSize(640, 480);
  RunMainLoop();
  EXPECT_EQ(Controller()->Bounds().Right, 640);
  EXPECT_EQ(Controller()->Bounds().Bottom, 480);

  FForm.FormDestroy();
  EXPECT_EQ(FForm.EdgeBrowser(), nullptr);
  EXPECT_TRUE(Controller()->Closed());
}

TEST_F(BrowserFormTest, ExecutableAtTheRootGivesTheRootFolder) {
  FProcessInfo.SetExecutablePath("/demo");
  FForm.FormCreate(&FContainer);
  EXPECT_EQ(FForm.AppDirPath(), "/");
}

TEST_F(BrowserFormTest, DocumentScriptIsBuiltFromThePiecesThatApply) {
  struct TCase {
    const char* Name;
    bool WithExternal;
    bool IsRuntime;
    std::string Bridge;
    std::string Extra;
    std::string Expected;
  };
  const std::string cr = "\r";
  const TCase cases[] = {
      {"runtime with bridge and extra script", true, true, "window.zel={};", "  alert(1);\n",
       cr + "window.zel={};" + cr + DragOver + cr + Drop + cr + "  alert(1);\n"},
      {"extra script of blanks and line breaks", true, true, "B", " \r\n\t \n",
       cr + "B" + cr + DragOver + cr + Drop},
      {"bridge not provided yet", true, true, "", "", cr + cr + DragOver + cr + Drop},
      {"without the bridge", false, true, "B", "x();", cr + DragOver + cr + Drop + cr + "x();"},
      {"outside the runtime", true, false, "B", "x();",
       cr + "B" + cr + DragOver + cr + Drop + cr + ClickNotifier},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TFakeUserInterface ui;
    TFakeWebViewLoader loader;
    TBrowserForm form(ui, loader, FProcessInfo, FProcesses);
    form.FormCreate(&FContainer);
    form.SetWithExternal(c.WithExternal);
    form.SetIsRuntime(c.IsRuntime);
    form.SetBridgeScript(c.Bridge);
    form.SetWebviewJavascript(c.Extra);
    RunQueuedStep(ui);
    EXPECT_EQ(loader.Environment().LastController()->FakeWebView().DocumentScripts(),
              std::vector<std::string>{c.Expected});
  }
}

TEST_F(BrowserFormTest, ReadyWebViewGetsSettingsInOrderFilterAndStartPage) {
  struct TCase {
    bool Zoom, Debug, ContextMenu;
  };
  for (const TCase c : {TCase{true, false, true}, TCase{false, true, false}}) {
    TFakeUserInterface ui;
    TFakeWebViewLoader loader;
    TBrowserForm form(ui, loader, FProcessInfo, FProcesses);
    form.FormCreate(&FContainer);
    form.SetAllowZoom(c.Zoom);
    form.SetAllowDebug(c.Debug);
    form.SetAllowContextMenu(c.ContextMenu);
    form.SetStartPageURL("file:///index.html");
    RunQueuedStep(ui);
    TFakeWebView& web = loader.Environment().LastController()->FakeWebView();
    const std::vector<std::pair<std::string, bool>> expected = {
        {"IsScriptEnabled", true},
        {"IsStatusBarEnabled", false},
        {"IsWebMessageEnabled", true},
        {"IsBuiltInErrorPageEnabled", true},
        {"IsZoomControlEnabled", c.Zoom},
        {"AreDevToolsEnabled", c.Debug},
        {"AreDefaultContextMenusEnabled", c.ContextMenu},
    };
    EXPECT_EQ(web.FakeSettings().Writes(), expected);
    ASSERT_EQ(web.Filters().size(), 1u);
    EXPECT_EQ(web.Filters()[0].Pattern, "*");
    EXPECT_EQ(web.Filters()[0].ResourceContext, 0);
    EXPECT_EQ(web.Navigations(), std::vector<std::string>{"file:///index.html"});
  }
}

TEST_F(BrowserFormTest, WithoutStartPageNothingIsOpened) {
  FForm.FormCreate(&FContainer);
  RunMainLoop();
  EXPECT_TRUE(WebView().Navigations().empty());
  EXPECT_EQ(WebView().Filters().size(), 1u);
}

TEST_F(BrowserFormTest, FailedCreationLeavesTheProgressBarRunning) {
  FLoader.Environment().SetControllerResult(E_FAIL);
  CreateAsRuntime();
  RunMainLoop();
  EXPECT_EQ(FForm.EdgeBrowser()->BrowserControlState(), TBrowserControlState::Failed);
  EXPECT_TRUE(FForm.ProgressBarVisible());
  EXPECT_EQ(FUi.PendingTaskCount(), 0u);  // no error raised later either
}

TEST_F(BrowserFormTest, FirstNavigationHidesTheProgressBarWhateverItsOutcome) {
  CreateAsRuntime();
  RunMainLoop();
  WebView().RaiseNavigationCompleted(false, 3);
  EXPECT_FALSE(FForm.ProgressBarVisible());
  WebView().RaiseNavigationCompleted(true);
  EXPECT_EQ(FProgressBar, (std::vector<bool>{true, false}));
}

TEST_F(BrowserFormTest, NewWindowsForApplicationPagesStartASecondInstance) {
  test::TTempDir dir;
  const std::string exe = (dir.Path() / "demo-app").string();
  test::WriteFile(dir.Path() / "other.html", "<p>beside the executable</p>");
  std::filesystem::create_directory(dir.Path() / "outside");
  test::WriteFile(dir.Path() / "outside" / "evil.html", "<p>somewhere on the disk</p>");
  const std::string evil = "file://" + (dir.Path() / "outside" / "evil.html").string();
  struct TCase {
    bool IsRuntime;
    const char* Top;  // the document on top when the request comes
    std::string Uri;
    bool Handled;
    bool Started;
  };
  const TCase cases[] = {
      {true, "file:///index.html", "file:///other.html", true, true},
      {true, "file:///index.html", "file:///other.html?x=1#top", true, true},
      // Only the application's own files, and only from its own pages.
      {true, "file:///index.html", "file:///missing.html", true, false},
      {true, "file:///index.html", evil, true, false},
      {true, "https://example.com/", "file:///other.html", true, false},
      {true, "file:///index.html", "https://example.com/", false, false},
      {true, "file:///index.html", "about:blank", false, false},
      {false, "file:///index.html", "file:///other.html", false, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.Top) + " opens " + c.Uri);
    TFakeUserInterface ui;
    TFakeWebViewLoader loader;
    TFakeProcesses processes;
    TFakeProcessInfo processInfo;
    processInfo.SetExecutablePath(exe);
    TBrowserForm form(ui, loader, processInfo, processes);
    form.FormCreate(&FContainer);
    form.SetIsRuntime(c.IsRuntime);
    form.SetRuntimeAppID("demo-id");
    RunQueuedStep(ui);
    TFakeWebView& view = loader.Environment().LastController()->FakeWebView();
    view.SetSource(c.Top);
    auto args = view.RaiseNewWindowRequested(c.Uri);
    EXPECT_EQ(args.Handled(), c.Handled);
    if (c.Started) {
      ASSERT_EQ(processes.Started().size(), 1u);
      EXPECT_EQ(processes.Started()[0].Executable, exe);
      EXPECT_EQ(processes.Started()[0].Arguments, (std::vector<std::string>{"demo-id", c.Uri}));
    } else {
      EXPECT_TRUE(processes.Started().empty());
    }
  }
}

TEST_F(BrowserFormTest, ApplicationPagesGetEveryPermissionAndWebPagesNone) {
  CreateAsRuntime();
  RunMainLoop();
  for (TPermissionKind kind :
       {TPermissionKind::Microphone, TPermissionKind::Camera, TPermissionKind::Geolocation,
        TPermissionKind::Notifications, TPermissionKind::Clipboard, TPermissionKind::Other}) {
    EXPECT_EQ(WebView().RaisePermissionRequested(kind, "file:///index.html").State(),
              TPermissionState::Allow);
    EXPECT_EQ(WebView().RaisePermissionRequested(kind, "https://example.com/").State(),
              TPermissionState::Deny);
  }
}

TEST_F(BrowserFormTest, ClickNoticeFocusesTheOwnerWindowOnlyOutsideTheRuntime) {
  struct TCase {
    bool IsRuntime;
    std::string Json;
    std::optional<std::string> AsString;
    bool Focused;
  };
  const TCase cases[] = {
      {false, R"("zel-webbrowser-clicked")", "zel-webbrowser-clicked", true},
      {true, R"("zel-webbrowser-clicked")", "zel-webbrowser-clicked", false},
      {false, R"("other")", "other", false},
      {false, R"({"m":"zel-webbrowser-clicked"})", std::nullopt, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Json);
    TFakeUserInterface ui;
    TFakeWebViewLoader loader;
    TBrowserForm form(ui, loader, FProcessInfo, FProcesses);
    int focused = 0;
    form.SetOnFocusOwnerWindow([&](TBrowserForm&) { ++focused; });
    form.FormCreate(&FContainer);
    form.SetIsRuntime(c.IsRuntime);
    RunQueuedStep(ui);
    loader.Environment().LastController()->FakeWebView().RaiseWebMessageReceived(c.Json,
                                                                                 c.AsString);
    EXPECT_EQ(focused, c.Focused ? 1 : 0);
  }
}

TEST_F(BrowserFormTest, ResourceRequestsAreAnsweredOnlyWhenHandled) {
  test::TTempDir dir;
  test::WriteFile(dir / "page.html", std::string("<p>disk</p>"));
  FProcessInfo.SetExecutablePath(dir / "demo-app");
  for (bool handle : {false, true}) {
    SCOPED_TRACE(handle);
    TFakeUserInterface ui;
    TFakeWebViewLoader loader;
    TBrowserForm form(ui, loader, FProcessInfo, FProcesses);
    form.FormCreate(&FContainer);
    form.SetHandleRequests(handle);
    RunQueuedStep(ui);
    auto args = loader.Environment().LastController()->FakeWebView().RaiseWebResourceRequested(
        "file:///page.html");
    ASSERT_EQ(args.HasResponse(), handle);
    if (handle) {
      EXPECT_EQ(args.ReadBody(), "<p>disk</p>");
    }
  }
}

}  // namespace
}  // namespace zel
