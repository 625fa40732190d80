#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <tuple>

#include "backends/fake/FakePlatform.h"
#include "backends/fake/FakeWebEngine.h"
#include "MainLoopSupport.h"
#include "runtime/EdgeBrowser.h"
#include "runtime/WebViewLoader.h"

namespace zel {
namespace {

using test::RunQueuedStep;

class EdgeBrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FBrowser = std::make_unique<TEdgeBrowser>(FUi, FLoader);
    FBrowser->SetOnCreateWebViewCompleted(
        [this](TCustomEdgeBrowser&, HRESULT result) { FCompletions.push_back(result); });
  }

  // Gives the control its parent and runs the creation to its end.
  void Create() {
    FBrowser->SetParent(&FContainer);
    RunQueuedStep(FUi);
  }
  TFakeWebViewController& Controller() { return *FLoader.Environment().LastController(); }
  TFakeWebView& WebView() { return Controller().FakeWebView(); }

  TFakeUserInterface FUi;
  TFakeWebViewLoader FLoader;
  int FContainer = 0;
  std::unique_ptr<TEdgeBrowser> FBrowser;
  std::vector<HRESULT> FCompletions;
};

TEST_F(EdgeBrowserTest, CreationStartsFromTheMainLoopAndEndsCreated) {
  FBrowser->SetParent(&FContainer);
  // The owner's set-up code after SetParent runs before the engine is asked.
  EXPECT_EQ(FBrowser->BrowserControlState(), TBrowserControlState::Creating);
  EXPECT_EQ(FLoader.EnvironmentRequestCount(), 0);
  EXPECT_FALSE(FBrowser->WebViewCreated());

  RunQueuedStep(FUi);
  EXPECT_EQ(FLoader.EnvironmentRequestCount(), 1);
  EXPECT_EQ(FCompletions, std::vector<HRESULT>{S_OK});
  EXPECT_EQ(FBrowser->BrowserControlState(), TBrowserControlState::Created);
  EXPECT_TRUE(FBrowser->WebViewCreated());
  EXPECT_EQ(Controller().Parent(), &FContainer);
  EXPECT_NE(WebView().EventSink(), nullptr);

  // A second parent assignment of the same container starts nothing new.
  FBrowser->SetParent(&FContainer);
  FBrowser->CreateWebView();
  EXPECT_EQ(FUi.PendingTaskCount(), 0u);
  EXPECT_EQ(FLoader.EnvironmentRequestCount(), 1);
}

// What Navigate before creation leaves behind, and what the web view opens.
TEST_F(EdgeBrowserTest, NavigateBeforeCreationOpensAfterTheCompletedHandler) {
  struct TCase {
    const char* Url;
    const char* LastURL;
  };
  const TCase cases[] = {
      {"file:///start.html", "file:///start.html"},
      {"  file:///padded.html\t", "  file:///padded.html\t"},  // kept as given
      {" \t\r\n ", ""},
      {"", ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Url);
    TFakeUserInterface ui;
    TFakeWebViewLoader loader;
    TEdgeBrowser browser(ui, loader);
    bool sinkDuringHandler = true;
    browser.SetOnCreateWebViewCompleted([&](TCustomEdgeBrowser& sender, HRESULT) {
      sinkDuringHandler = loader.Environment().LastController()->FakeWebView().EventSink();
      sender.Navigate("file:///from-handler.html");
    });
    browser.Navigate(c.Url);
    EXPECT_EQ(browser.LastURL(), c.LastURL);
    int container = 0;
    browser.SetParent(&container);
    RunQueuedStep(ui);

    EXPECT_FALSE(sinkDuringHandler) << "events were subscribed before the handler returned";
    std::vector<std::string> expected{"file:///from-handler.html"};
    if (*c.LastURL) expected.push_back(c.LastURL);
    EXPECT_EQ(loader.Environment().LastController()->FakeWebView().Navigations(), expected);
  }
}

TEST_F(EdgeBrowserTest, ExecuteScriptBeforeCreationDoesNothingAndAfterwardsReportsItsResult) {
  std::vector<std::pair<HRESULT, std::string>> results;
  FBrowser->SetOnExecuteScript([&](TCustomEdgeBrowser&, HRESULT result, const std::string& json) {
    results.emplace_back(result, json);
  });
  FBrowser->ExecuteScript("early()");
  Create();
  EXPECT_TRUE(WebView().Scripts().empty());
  EXPECT_TRUE(results.empty());

  FBrowser->ExecuteScript("1+1");
  ASSERT_EQ(WebView().Scripts().size(), 1u);
  EXPECT_EQ(WebView().Scripts()[0].Script, "1+1");
  WebView().CompleteScript(0, S_OK, "2");
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0], std::make_pair(S_OK, std::string("2")));

  // A completion after the control is gone reaches nobody.
  FBrowser->ExecuteScript("late()");
  FBrowser.reset();
  WebView().CompleteScript(1, S_OK, "null");
  EXPECT_EQ(results.size(), 1u);
}

using TSettingAccess = std::function<void(TEdgeBrowser&)>;

const std::vector<std::pair<const char*, TSettingAccess>>& SettingAccesses() {
  static const std::vector<std::pair<const char*, TSettingAccess>> accesses = {
      {"ScriptEnabled", [](TEdgeBrowser& b) { (void)b.ScriptEnabled(); }},
      {"SetScriptEnabled", [](TEdgeBrowser& b) { b.SetScriptEnabled(false); }},
      {"WebMessageEnabled", [](TEdgeBrowser& b) { (void)b.WebMessageEnabled(); }},
      {"SetWebMessageEnabled", [](TEdgeBrowser& b) { b.SetWebMessageEnabled(false); }},
      {"DefaultScriptDialogsEnabled",
       [](TEdgeBrowser& b) { (void)b.DefaultScriptDialogsEnabled(); }},
      {"SetDefaultScriptDialogsEnabled",
       [](TEdgeBrowser& b) { b.SetDefaultScriptDialogsEnabled(false); }},
      {"StatusBarEnabled", [](TEdgeBrowser& b) { (void)b.StatusBarEnabled(); }},
      {"SetStatusBarEnabled", [](TEdgeBrowser& b) { b.SetStatusBarEnabled(false); }},
      {"DevToolsEnabled", [](TEdgeBrowser& b) { (void)b.DevToolsEnabled(); }},
      {"SetDevToolsEnabled", [](TEdgeBrowser& b) { b.SetDevToolsEnabled(false); }},
      {"DefaultContextMenusEnabled", [](TEdgeBrowser& b) { (void)b.DefaultContextMenusEnabled(); }},
      {"SetDefaultContextMenusEnabled",
       [](TEdgeBrowser& b) { b.SetDefaultContextMenusEnabled(false); }},
      {"ZoomControlEnabled", [](TEdgeBrowser& b) { (void)b.ZoomControlEnabled(); }},
      {"SetZoomControlEnabled", [](TEdgeBrowser& b) { b.SetZoomControlEnabled(false); }},
      {"BuiltInErrorPageEnabled", [](TEdgeBrowser& b) { (void)b.BuiltInErrorPageEnabled(); }},
      {"SetBuiltInErrorPageEnabled", [](TEdgeBrowser& b) { b.SetBuiltInErrorPageEnabled(false); }},
  };
  return accesses;
}

void ExpectNotInstantiated(const TSettingAccess& access, TEdgeBrowser& browser) {
  try {
    access(browser);
    ADD_FAILURE() << "no EEdgeError";
  } catch (const EEdgeError& e) {
    EXPECT_STREQ(e.what(), "WebView2 not instantiated");
    EXPECT_EQ(static_cast<std::uint32_t>(e.ErrorCode()), 0x80004005u);
  }
}

TEST_F(EdgeBrowserTest, SettingsWithoutWebViewRaiseNotInstantiated) {
  for (const auto& [name, access] : SettingAccesses()) {
    SCOPED_TRACE(name);
    ExpectNotInstantiated(access, *FBrowser);
  }
  // After the web view is closed, too: its settings went with it.
  Create();
  FBrowser->CloseWebView();
  ExpectNotInstantiated(SettingAccesses()[0].second, *FBrowser);
}

TEST_F(EdgeBrowserTest, SettingsGoToTheEngineAndOnlyFailedReadsRaise) {
  Create();
  TFakeWebViewSettings& settings = WebView().FakeSettings();
  for (const auto& [name, access] : SettingAccesses()) {
    SCOPED_TRACE(name);
    EXPECT_NO_THROW(access(*FBrowser));
  }
  // Every member was written once, with false.
  ASSERT_EQ(settings.Writes().size(), 8u);
  for (const auto& [member, value] : settings.Writes())
    EXPECT_FALSE(settings.Value(member)) << member;
  EXPECT_FALSE(FBrowser->ScriptEnabled());

  const HRESULT failure = static_cast<HRESULT>(0x80070005);
  settings.SetResult(failure);
  EXPECT_NO_THROW(FBrowser->SetStatusBarEnabled(true));
  EXPECT_EQ(FBrowser->LastErrorCode(), failure);
  ExpectNotInstantiated(SettingAccesses()[0].second, *FBrowser);
}

TEST_F(EdgeBrowserTest, LocationUrlHidesAboutBlank) {
  EXPECT_EQ(FBrowser->LocationURL(), "");
  Create();
  const std::pair<const char*, const char*> cases[] = {
      {"about:blank", ""},
      {"ABOUT:Blank", ""},
      {"about:blank#top", "about:blank#top"},
      {"file:///index.html", "file:///index.html"},
  };
  for (const auto& [source, expected] : cases) {
    WebView().SetSource(source);
    EXPECT_EQ(FBrowser->LocationURL(), expected) << source;
  }
  WebView().SetResult(E_FAIL);
  EXPECT_EQ(FBrowser->LocationURL(), "");
  EXPECT_EQ(FBrowser->LastErrorCode(), E_FAIL);
}

TEST_F(EdgeBrowserTest, SizeRatioScalesTheWebViewFromTheTopLeft) {
  FBrowser->SetBounds(10, 20, 801, 601);
  Create();
  struct TCase {
    double Ratio;
    TBounds Expected;
  };
  const TCase cases[] = {
      {1.0, {0, 0, 801, 601}},
      {0.5, {0, 0, 400, 300}},  // truncated
      {1.0, {0, 0, 801, 601}},
  };
  // Creation already fitted the web view to the whole client area.
  EXPECT_EQ(Controller().Bounds().Right, 801);
  for (const TCase& c : cases) {
    FBrowser->SetSizeRatio(c.Ratio);
    const TBounds& b = Controller().Bounds();
    EXPECT_EQ(std::tie(b.Left, b.Top, b.Right, b.Bottom),
              std::tie(c.Expected.Left, c.Expected.Top, c.Expected.Right, c.Expected.Bottom))
        << c.Ratio;
  }
  FBrowser->SetSizeRatio(0.5);
  FBrowser->SetBounds(0, 0, 200, 100);
  EXPECT_EQ(Controller().Bounds().Right, 100);
  EXPECT_EQ(Controller().Bounds().Bottom, 50);
  // A new web view starts at the whole area again.
  FBrowser->ReinitializeWebView();
  EXPECT_EQ(FBrowser->SizeRatio(), 1.0);
  EXPECT_EQ(Controller().Bounds().Right, 200);
}

// Entry points of a fake engine library.
HRESULT FakeCreateEnvironment(const TEnvironmentCompleted* completed);
HRESULT FakeBrowserVersion(const char*, std::string* version) {
  *version = "9.8.7";
  return S_OK;
}
std::shared_ptr<TFakeWebViewEnvironment> LibraryEnvironment;
HRESULT FakeCreateEnvironment(const TEnvironmentCompleted* completed) {
  (*completed)(S_OK, LibraryEnvironment);
  return S_OK;
}

TEST(WebViewLoaderTest, MissingLibraryFailsCreationWithEFailAndRaisesNothing) {
  TFakeUserInterface ui;
  TFakeSharedLibraries libraries;
  TLibraryWebViewLoader loader(libraries, "/nowhere/engine.so");
  TEdgeBrowser browser(ui, loader);
  std::vector<HRESULT> completions;
  browser.SetOnCreateWebViewCompleted(
      [&](TCustomEdgeBrowser&, HRESULT result) { completions.push_back(result); });
  int container = 0;
  browser.SetParent(&container);
  EXPECT_NO_THROW(RunQueuedStep(ui));
  EXPECT_EQ(completions, std::vector<HRESULT>{static_cast<HRESULT>(0x80004005)});
  EXPECT_EQ(browser.LastErrorCode(), E_FAIL);
  EXPECT_EQ(browser.BrowserControlState(), TBrowserControlState::Creating);
  EXPECT_EQ(browser.BrowserVersionInfo(), "");
  EXPECT_FALSE(loader.LoadError().empty());
}

TEST(WebViewLoaderTest, LoadsTheLibraryOnceAndCallsItsEntryPoints) {
  LibraryEnvironment = std::make_shared<TFakeWebViewEnvironment>();
  TFakeSharedLibraries libraries;
  libraries.AddLibrary(
      "/cache/engine.so",
      {{CreateEnvironmentEntryPoint, reinterpret_cast<void*>(&FakeCreateEnvironment)},
       {BrowserVersionEntryPoint, reinterpret_cast<void*>(&FakeBrowserVersion)}});
  TLibraryWebViewLoader loader(libraries, "/cache/engine.so");
  std::string version;
  EXPECT_EQ(loader.BrowserVersion(version), S_OK);
  EXPECT_EQ(version, "9.8.7");
  std::shared_ptr<IWebViewEnvironment> received;
  EXPECT_EQ(
      loader.CreateEnvironment([&](HRESULT, std::shared_ptr<IWebViewEnvironment> environment) {
        received = environment;
      }),
      S_OK);
  EXPECT_EQ(received, LibraryEnvironment);
  EXPECT_EQ(libraries.LoadRequests().size(), 1u);

  // A library without the entry points calls nothing.
  libraries.AddLibrary("/cache/other.so", {});
  TLibraryWebViewLoader other(libraries, "/cache/other.so");
  bool called = false;
  EXPECT_EQ(other.CreateEnvironment([&](HRESULT, auto) { called = true; }), E_FAIL);
  EXPECT_EQ(other.BrowserVersion(version), E_FAIL);
  EXPECT_EQ(version, "");
  EXPECT_FALSE(called);
  LibraryEnvironment.reset();
}

TEST_F(EdgeBrowserTest, CreationFailuresReachTheHandler) {
  const HRESULT failure = static_cast<HRESULT>(0x80070002);
  struct TCase {
    const char* Stage;
    std::function<void(TFakeWebViewLoader&)> Arrange;
    TBrowserControlState State;
  };
  const TCase cases[] = {
      {"environment call", [&](TFakeWebViewLoader& l) { l.SetCreateEnvironmentResult(failure); },
       TBrowserControlState::Creating},
      {"environment completion", [&](TFakeWebViewLoader& l) { l.SetEnvironmentResult(failure); },
       TBrowserControlState::Creating},
      {"controller call",
       [&](TFakeWebViewLoader& l) { l.Environment().SetCreateControllerResult(failure); },
       TBrowserControlState::Failed},
      {"controller completion",
       [&](TFakeWebViewLoader& l) { l.Environment().SetControllerResult(failure); },
       TBrowserControlState::Failed},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Stage);
    TFakeUserInterface ui;
    TFakeWebViewLoader loader;
    c.Arrange(loader);
    TEdgeBrowser browser(ui, loader);
    std::vector<HRESULT> completions;
    browser.SetOnCreateWebViewCompleted(
        [&](TCustomEdgeBrowser&, HRESULT result) { completions.push_back(result); });
    int container = 0;
    browser.SetParent(&container);
    RunQueuedStep(ui);
    EXPECT_EQ(completions, std::vector<HRESULT>{failure});
    EXPECT_EQ(browser.BrowserControlState(), c.State);
    EXPECT_EQ(browser.LastErrorCode(), failure);
    EXPECT_FALSE(browser.WebViewCreated());
  }
}

TEST(EdgeBrowserFailureTest, FailedCreationWithoutHandlerRaisesFromTheMainLoop) {
  const HRESULT failure = static_cast<HRESULT>(0x80070002);
  TFakeUserInterface ui;
  TFakeWebViewLoader loader;
  loader.Environment().SetControllerResult(failure);
  TEdgeBrowser browser(ui, loader);
  int container = 0;
  browser.SetParent(&container);
  // The creation runs from the main loop, fails, and queues the error to
  // the main loop, where it escapes.
  try {
    RunQueuedStep(ui);
    ADD_FAILURE() << "no EEdgeError";
  } catch (const EEdgeError& e) {
    EXPECT_STREQ(e.what(), "Failed to create Edge browser control");
    EXPECT_EQ(e.ErrorCode(), failure);
  }
  EXPECT_EQ(browser.BrowserControlState(), TBrowserControlState::Failed);
}

TEST_F(EdgeBrowserTest, EnvironmentMayCompleteOnAnotherThreadOrAfterTheControlIsGone) {
  FLoader.SetCompleteSynchronously(false);
  FBrowser->SetParent(&FContainer);
  RunQueuedStep(FUi);
  ASSERT_EQ(FLoader.PendingEnvironmentCount(), 1u);
  std::thread([this] { FLoader.CompleteEnvironment(); }).join();
  EXPECT_TRUE(FCompletions.empty()) << "the completion must wait for the main loop";
  RunQueuedStep(FUi);
  EXPECT_EQ(FCompletions, std::vector<HRESULT>{S_OK});

  // A control freed while the engine works is simply not told.
  FBrowser->ReinitializeWebView();
  ASSERT_EQ(FLoader.PendingEnvironmentCount(), 1u);
  FBrowser.reset();
  std::thread([this] { FLoader.CompleteEnvironment(); }).join();
  FUi.RunPendingTasks();
  EXPECT_EQ(FCompletions.size(), 1u);
  EXPECT_EQ(FLoader.Environment().ControllerRequestCount(), 1);
}

TEST_F(EdgeBrowserTest, ANewParentMakesANewWebViewInsideIt) {
  Create();
  TFakeWebViewController& first = Controller();
  int other = 0;
  FBrowser->SetParent(&other);
  EXPECT_EQ(FCompletions, (std::vector<HRESULT>{S_OK, S_OK}));
  EXPECT_TRUE(first.Closed());
  EXPECT_TRUE(first.Released());
  EXPECT_EQ(first.FakeWebView().EventSink(), nullptr);
  EXPECT_NE(&Controller(), &first);
  EXPECT_EQ(Controller().Parent(), &other);
  EXPECT_TRUE(FBrowser->WebViewCreated());
}

TEST_F(EdgeBrowserTest, OperationsReachTheWebViewOnlyOnceItExists) {
  auto operate = [this] {
    FBrowser->NavigateToString("<p>x</p>");
    FBrowser->GoBack();
    FBrowser->GoForward();
    FBrowser->Refresh();
    FBrowser->Stop();
    FBrowser->AddWebResourceRequestedFilter("file:///*", 0);
    FBrowser->AddWebResourceRequestedFilter("*", 0);
    FBrowser->RemoveWebResourceRequestedFilter("file:///*", 0);
    FBrowser->SetZoomFactor(1.5);
    FBrowser->SetFocus();
  };
  operate();
  EXPECT_EQ(FBrowser->ZoomFactor(), 0.0);
  EXPECT_FALSE(FBrowser->CanGoBack());
  EXPECT_EQ(FBrowser->BrowserProcessID(), 0u);
  EXPECT_EQ(FBrowser->DocumentTitle(), "");
  Create();
  EXPECT_TRUE(WebView().HtmlNavigations().empty());
  EXPECT_TRUE(WebView().Commands().empty());

  operate();
  EXPECT_EQ(WebView().HtmlNavigations(), std::vector<std::string>{"<p>x</p>"});
  EXPECT_EQ(WebView().Commands(),
            (std::vector<std::string>{"GoBack", "GoForward", "Reload", "Stop"}));
  ASSERT_EQ(WebView().Filters().size(), 1u);
  EXPECT_EQ(WebView().Filters()[0].Pattern, "*");
  EXPECT_EQ(FBrowser->ZoomFactor(), 1.5);
  EXPECT_EQ(Controller().MoveFocusCount(), 1);

  WebView().SetCanGoBack(true);
  WebView().SetDocumentTitle("Title");
  WebView().SetBrowserProcessId(77);
  WebView().SetContainsFullScreenElement(true);
  EXPECT_TRUE(FBrowser->CanGoBack());
  EXPECT_FALSE(FBrowser->CanGoForward());
  EXPECT_EQ(FBrowser->DocumentTitle(), "Title");
  EXPECT_EQ(FBrowser->BrowserProcessID(), 77u);
  EXPECT_TRUE(FBrowser->ContainsFullScreenElement());

  // A failing engine leaves its result and nothing else.
  const HRESULT failure = static_cast<HRESULT>(0x8007000E);
  WebView().SetResult(failure);
  FBrowser->GoBack();
  EXPECT_EQ(FBrowser->LastErrorCode(), failure);
  EXPECT_FALSE(FBrowser->CanGoBack());
  EXPECT_EQ(FBrowser->DocumentTitle(), "");
}

TEST_F(EdgeBrowserTest, BrowserVersionComesFromTheLoaderUntilAnEnvironmentExists) {
  FLoader.SetBrowserVersion(S_OK, "1.2.3");
  EXPECT_EQ(FBrowser->BrowserVersionInfo(), "1.2.3");
  FLoader.SetBrowserVersion(E_FAIL, "ignored");
  EXPECT_EQ(FBrowser->BrowserVersionInfo(), "");
  EXPECT_EQ(FBrowser->LastErrorCode(), E_FAIL);
  FLoader.Environment().SetBrowserVersion("4.5.6");
  Create();
  EXPECT_EQ(FBrowser->BrowserVersionInfo(), "4.5.6");
}

TEST_F(EdgeBrowserTest, EngineEventsReachTheirHandlers) {
  std::vector<std::string> log;
  auto& b = *FBrowser;
  b.SetOnNavigationStarting([&](TCustomEdgeBrowser&, TNavigationStartingEventArgs& a) {
    log.push_back("starting " + a.ArgsInterface().Uri());
    a.ArgsInterface().SetCancel(true);
  });
  b.SetOnNavigationCompleted([&](TCustomEdgeBrowser&, bool ok, int status) {
    log.push_back("completed " + std::to_string(ok) + " " + std::to_string(status));
  });
  b.SetOnSourceChanged(
      [&](TCustomEdgeBrowser&, bool isNew) { log.push_back("source " + std::to_string(isNew)); });
  b.SetOnHistoryChanged([&](TCustomEdgeBrowser&) { log.push_back("history"); });
  b.SetOnContentLoading([&](TCustomEdgeBrowser&, bool isError, std::uint64_t id) {
    log.push_back("loading " + std::to_string(isError) + " " + std::to_string(id));
  });
  b.SetOnDocumentTitleChanged(
      [&](TCustomEdgeBrowser&, const std::string& title) { log.push_back("title " + title); });
  b.SetOnProcessFailed([&](TCustomEdgeBrowser&, TProcessFailedKind kind) {
    log.push_back("failed " + std::to_string(static_cast<int>(kind)));
  });
  b.SetOnWebMessageReceived([&](TCustomEdgeBrowser&, TWebMessageReceivedEventArgs& a) {
    log.push_back("message " + a.ArgsInterface().WebMessageAsJson());
  });
  b.SetOnContainsFullScreenElementChanged([&](TCustomEdgeBrowser&, bool value) {
    log.push_back("fullscreen " + std::to_string(value));
  });
  b.SetOnWindowCloseRequested([&](TCustomEdgeBrowser&) { log.push_back("close"); });
  b.SetOnZoomFactorChanged(
      [&](TCustomEdgeBrowser&, double zoom) { log.push_back("zoom " + std::to_string(zoom)); });
  Create();

  TFakeWebView& w = WebView();
  EXPECT_TRUE(w.RaiseNavigationStarting("file:///a.html", 3).Cancel());
  w.RaiseNavigationCompleted(false, 7);
  w.RaiseSourceChanged(true);
  w.RaiseHistoryChanged();
  w.RaiseContentLoading(true, 3);
  w.RaiseDocumentTitleChanged("Hello");
  w.RaiseProcessFailed(TProcessFailedKind::RenderProcessExited);
  w.RaiseWebMessageReceived(R"({"id":1})", std::nullopt);
  w.RaiseContainsFullScreenElementChanged(true);
  w.RaiseWindowCloseRequested();
  Controller().SetZoom(2.0);
  w.RaiseZoomFactorChanged();
  // A handler that fails ends itself, not the engine's notification.
  b.SetOnHistoryChanged([](TCustomEdgeBrowser&) { throw EError("handler failed"); });
  EXPECT_NO_THROW(w.RaiseHistoryChanged());
  // A failed read of the full-screen state skips the event.
  w.SetResult(E_FAIL);
  w.RaiseContainsFullScreenElementChanged(false);

  EXPECT_EQ(log, (std::vector<std::string>{"starting file:///a.html", "completed 0 7", "source 1",
                                           "history", "loading 1 3", "title Hello", "failed 1",
                                           R"(message {"id":1})", "fullscreen 1", "close",
                                           "zoom 2.000000"}));
}

TEST_F(EdgeBrowserTest, FocusMovesIntoTheWebViewUnlessTheWebViewTookIt) {
  int enters = 0, exits = 0;
  FBrowser->SetOnEnter([&](TCustomEdgeBrowser&) { ++enters; });
  FBrowser->SetOnExit([&](TCustomEdgeBrowser&) { ++exits; });
  Create();
  WebView().RaiseGotFocus();
  EXPECT_EQ(enters, 1);
  EXPECT_EQ(Controller().MoveFocusCount(), 0);
  FBrowser->DoEnter();
  EXPECT_EQ(enters, 2);
  EXPECT_EQ(Controller().MoveFocusCount(), 1);
  WebView().RaiseLostFocus();
  EXPECT_EQ(exits, 1);
}

TEST_F(EdgeBrowserTest, VisibilityFollowsTheControlAndItsWindow) {
  Create();
  FBrowser->SetVisible(false);
  FBrowser->SetVisible(false);
  FBrowser->SetVisible(true);
  FBrowser->SystemCommand(TSystemCommand::Minimize);
  FBrowser->SystemCommand(TSystemCommand::Other);
  FBrowser->SystemCommand(TSystemCommand::Restore);
  EXPECT_EQ(Controller().VisibilityWrites(), (std::vector<bool>{false, true, false, true}));
}

TEST_F(EdgeBrowserTest, ClosingReleasesTheWebViewAndStopsItsEvents) {
  int titles = 0;
  FBrowser->SetOnDocumentTitleChanged([&](TCustomEdgeBrowser&, const std::string&) { ++titles; });
  Create();
  TFakeWebViewController& controller = Controller();
  FBrowser->CloseWebView();
  EXPECT_TRUE(controller.Closed());
  EXPECT_TRUE(controller.Released());
  EXPECT_EQ(FBrowser->DefaultInterface(), nullptr);
  EXPECT_NE(FBrowser->EnvironmentInterface(), nullptr);  // kept for the next creation
  controller.FakeWebView().RaiseDocumentTitleChanged("after");
  EXPECT_EQ(titles, 0);
  // The state stays; a new creation may start again.
  EXPECT_EQ(FBrowser->BrowserControlState(), TBrowserControlState::Created);
  FBrowser->CreateWebView();
  RunQueuedStep(FUi);
  EXPECT_EQ(FCompletions.size(), 2u);
}

}  // namespace
}  // namespace zel
