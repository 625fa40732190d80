// The WebView2 adapters against the stand-in loader library, which plays
// the engine (no WebView2 on this machine): creation, settings, resource
// requests answered from a package, and messages both ways with the facts
// the bridge judges senders by.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../PackageTestSupport.h"
#include "Win32TestSupport.h"
#include "backends/webview2/WebView2Engine.h"
#include "backends/win32/Win32Platform.h"
#include "backends/win32/WideTextWin32.h"
#include "core/bridge/BrowserExternalModule.h"
#include "core/package/ExeZip.h"
#include "core/package/PackageWriter.h"
#include "runtime/EngineCheck.h"
#include "runtime/WebResources.h"
#include "runtime/WebViewLoader.h"

namespace zel {
namespace {

constexpr const char* StandIn = ZEL_WEBVIEW2_STANDIN;
constexpr const char* Password = "Engine-Pass7#";

void SetEnv(const char* name, const std::string& value) {
  SetEnvironmentVariableW(WideOf(name).c_str(), value.empty() ? nullptr : WideOf(value).c_str());
}

// What the web view's events brought.
struct TSeenMessage {
  std::string Json, Source;
  bool Current = false;
  std::vector<std::string> Ancestors;
  bool BridgeAllowed = false;
};

class TRecordingEvents : public IWebViewEvents {
 public:
  std::function<void(IWebResourceRequestedArgs&)> OnRequest;
  std::function<bool(const IWebMessageReceivedArgs&)> Judge;
  std::vector<std::string> Requests;
  std::vector<TSeenMessage> Messages;
  std::optional<bool> Completed;
  int ZoomChanges = 0;

  void WebResourceRequested(IWebResourceRequestedArgs& args) override {
    Requests.push_back(args.Uri());
    if (OnRequest) OnRequest(args);
  }
  void NavigationCompleted(bool isSuccess, int) override { Completed = isSuccess; }
  void WebMessageReceived(IWebMessageReceivedArgs& args) override {
    Messages.push_back({args.WebMessageAsJson(), args.Source(), args.IsSenderCurrent(),
                        args.AncestorOrigins(), Judge ? Judge(args) : false});
  }
  void ZoomFactorChanged() override { ++ZoomChanges; }
};

class WebView2EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    FParent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
    SetEnv("ZEL_STANDIN_DOCUMENT", Path("document.txt"));
    SetEnv("ZEL_STANDIN_POSTED", Path("posted.txt"));
  }
  void TearDown() override {
    FController.reset();
    FEnvironment.reset();
    for (const char* name : {"ZEL_STANDIN_ENGINE_MARKER", "ZEL_STANDIN_DOCUMENT", "ZEL_STANDIN_POSTED",
                             "ZEL_STANDIN_MESSAGES", "ZEL_STANDIN_MESSAGE_SOURCE"})
      SetEnv(name, "");
    DestroyWindow(FParent);
    CoUninitialize();
  }
  std::string Path(const std::string& name) const { return (FDir / name).string(); }

  // An environment and a web view inside FParent, created as the runtime does.
  IWebView& CreateWebView() {
    HRESULT environmentResult = E_FAIL;
    bool environmentDone = false;
    EXPECT_TRUE(Succeeded(FLoader.CreateEnvironment(
        [&](HRESULT result, std::shared_ptr<IWebViewEnvironment> environment) {
          environmentResult = result;
          FEnvironment = std::move(environment);
          environmentDone = true;
        })));
    EXPECT_TRUE(test::PumpUntil([&] { return environmentDone; }));
    EXPECT_TRUE(Succeeded(environmentResult));
    bool controllerDone = false;
    EXPECT_TRUE(Succeeded(FEnvironment->CreateController(
        FParent, [&](HRESULT result, std::unique_ptr<IWebViewController> controller) {
          EXPECT_TRUE(Succeeded(result));
          FController = std::move(controller);
          controllerDone = true;
        })));
    EXPECT_TRUE(test::PumpUntil([&] { return controllerDone; }));
    FController->WebView().SetEventSink(&FEvents);
    return FController->WebView();
  }

  test::TTempDir FDir;
  HWND FParent = nullptr;
  std::unique_ptr<IPlatform> FPlatform = CreateWin32Platform();
  TLibraryWebViewLoader FLoader{FPlatform->SharedLibraries(), StandIn, WebView2EntryPoints};
  std::shared_ptr<IWebViewEnvironment> FEnvironment;
  std::unique_ptr<IWebViewController> FController;
  TRecordingEvents FEvents;
};

TEST_F(WebView2EngineTest, TheEngineCountsAsInstalledOnceTheLoaderReportsAVersion) {
  SetEnv("ZEL_STANDIN_ENGINE_MARKER", Path("installed"));
  EXPECT_FALSE(CheckEngineIsInstalled(FPlatform->SharedLibraries(), StandIn, WebView2EntryPoints));
  std::string version = "left over";
  EXPECT_FALSE(Succeeded(FLoader.BrowserVersion(version)));
  EXPECT_EQ(version, "");

  test::WriteFile(FDir / "installed", std::string());
  EXPECT_TRUE(CheckEngineIsInstalled(FPlatform->SharedLibraries(), StandIn, WebView2EntryPoints));
  EXPECT_TRUE(Succeeded(FLoader.BrowserVersion(version)));
  EXPECT_EQ(version, "stand-in 1.0");
  // A library without the loader's exports is no engine.
  EXPECT_FALSE(CheckEngineIsInstalled(FPlatform->SharedLibraries(), ZEL_WIN32_TEST_CHILD,
                                      WebView2EntryPoints));
}

TEST_F(WebView2EngineTest, CreationSettingsAndZoom) {
  IWebView& view = CreateWebView();
  EXPECT_EQ(FEnvironment->BrowserVersionString(), "stand-in 1.0");
  using TGetter = HRESULT (IWebViewSettings::*)(bool&);
  using TPutter = HRESULT (IWebViewSettings::*)(bool);
  const std::pair<TGetter, TPutter> settings[] = {
      {&IWebViewSettings::GetIsScriptEnabled, &IWebViewSettings::PutIsScriptEnabled},
      {&IWebViewSettings::GetIsWebMessageEnabled, &IWebViewSettings::PutIsWebMessageEnabled},
      {&IWebViewSettings::GetAreDefaultScriptDialogsEnabled,
       &IWebViewSettings::PutAreDefaultScriptDialogsEnabled},
      {&IWebViewSettings::GetIsStatusBarEnabled, &IWebViewSettings::PutIsStatusBarEnabled},
      {&IWebViewSettings::GetAreDevToolsEnabled, &IWebViewSettings::PutAreDevToolsEnabled},
      {&IWebViewSettings::GetAreDefaultContextMenusEnabled,
       &IWebViewSettings::PutAreDefaultContextMenusEnabled},
      {&IWebViewSettings::GetIsZoomControlEnabled, &IWebViewSettings::PutIsZoomControlEnabled},
      {&IWebViewSettings::GetIsBuiltInErrorPageEnabled,
       &IWebViewSettings::PutIsBuiltInErrorPageEnabled},
  };
  for (std::size_t i = 0; i < std::size(settings); ++i) {
    SCOPED_TRACE(i);
    auto [get, put] = settings[i];
    for (bool value : {false, true}) {
      bool read = !value;
      EXPECT_TRUE(Succeeded((view.Settings().*put)(value)));
      EXPECT_TRUE(Succeeded((view.Settings().*get)(read)));
      EXPECT_EQ(read, value);
    }
  }
  // Settings are each their own: turning one off leaves the next one on.
  EXPECT_TRUE(Succeeded(view.Settings().PutIsScriptEnabled(false)));
  bool messages = false;
  EXPECT_TRUE(Succeeded(view.Settings().GetIsWebMessageEnabled(messages)));
  EXPECT_TRUE(messages);

  double zoom = 0;
  EXPECT_TRUE(Succeeded(FController->PutZoomFactor(1.5)));
  EXPECT_TRUE(Succeeded(FController->GetZoomFactor(zoom)));
  EXPECT_EQ(zoom, 1.5);
  EXPECT_EQ(FEvents.ZoomChanges, 1);
  EXPECT_TRUE(Succeeded(FController->PutBounds({0, 0, 100, 50})));
  std::uint32_t process = 0;
  EXPECT_TRUE(Succeeded(view.GetBrowserProcessId(process)));
  EXPECT_EQ(process, GetCurrentProcessId());
}

TEST_F(WebView2EngineTest, PagesComeFromThePackageAndMessagesFlowBothWays) {
  {
    TPackageWriter writer(FDir / "package.zip", Password, TPackageEncryption::TraditionalPkware);
    writer.AddBytes("app/index.html", std::string(100000, 'x') + "<h1>package</h1>");
    writer.Commit();
  }
  const std::string bytes = test::ReadFile(FDir / "package.zip");
  TExeZip zip;
  zip.SetPassword(Password);
  zip.OpenFromMemory({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  test::WriteFile(FDir / "messages.txt", std::string("{\"id\":1,\"call\":\"x\"}\r\n\"plain\"\n"));
  SetEnv("ZEL_STANDIN_MESSAGES", Path("messages.txt"));

  IWebView& view = CreateWebView();
  FEvents.OnRequest = [&](IWebResourceRequestedArgs& args) {
    TWebResources::AnswerRequest(args, &zip, "app", Path("exe") + "/");
  };
  TBrowserExternalModule bridge(*FPlatform);
  FEvents.Judge = [&](const IWebMessageReceivedArgs& args) { return bridge.SenderAllowed(args); };
  EXPECT_TRUE(Succeeded(view.AddWebResourceRequestedFilter("*", 0)));
  EXPECT_TRUE(Succeeded(view.Navigate("file:///index.html")));
  ASSERT_TRUE(test::PumpUntil([&] { return FEvents.Messages.size() == 2; }));

  EXPECT_EQ(FEvents.Requests, std::vector<std::string>{"file:///index.html"});
  EXPECT_EQ(FEvents.Completed, true);
  // The whole entry streamed through, with its header line.
  EXPECT_EQ(test::ReadFile(FDir / "document.txt"),
            "Content-Type: text/html; charset=utf-8\n\n" + std::string(100000, 'x') +
                "<h1>package</h1>");
  std::string source;
  EXPECT_TRUE(Succeeded(view.GetSource(source)));
  EXPECT_EQ(source, "file:///index.html");

  EXPECT_EQ(FEvents.Messages[0].Json, "{\"id\":1,\"call\":\"x\"}");
  EXPECT_EQ(FEvents.Messages[1].Json, "\"plain\"");
  for (const auto& message : FEvents.Messages) {
    EXPECT_EQ(message.Source, "file://");
    EXPECT_TRUE(message.Current);
    EXPECT_TRUE(message.Ancestors.empty());
    EXPECT_TRUE(message.BridgeAllowed);
  }

  EXPECT_TRUE(Succeeded(view.PostWebMessageAsJson("{\"id\":1,\"result\":\"\xC3\xA9\"}")));
  EXPECT_TRUE(Succeeded(view.PostWebMessageAsJson("\"second\"")));
  EXPECT_EQ(test::ReadFile(FDir / "posted.txt"),
            "{\"id\":1,\"result\":\"\xC3\xA9\"}\n\"second\"\n");
}

TEST_F(WebView2EngineTest, MessagesOfOtherDocumentsDoNotSpeakForTheApplication) {
  test::WriteFile(FDir / "messages.txt", std::string("{\"id\":1}\n"));
  SetEnv("ZEL_STANDIN_MESSAGES", Path("messages.txt"));
  struct TCase {
    const char* Sender;
    const char* Source;
    bool Current;
  };
  const TCase cases[] = {
      {"https://evil.example/page?x=1", "https://evil.example", true},
      {"file:///C:/Users/me/Downloads/page.html", "null", true},
      {"file://server/share/page.html", "null", true},
      // A message that arrives after its document was left.
      {"file:///other.html", "file://", false},
  };
  IWebView& view = CreateWebView();
  FEvents.OnRequest = [](IWebResourceRequestedArgs& args) {
    TWebResourceResponse response;
    response.Headers = "Content-Type: text/html";
    args.SetResponse(std::move(response));
  };
  TBrowserExternalModule bridge(*FPlatform);
  FEvents.Judge = [&](const IWebMessageReceivedArgs& args) { return bridge.SenderAllowed(args); };
  view.AddWebResourceRequestedFilter("*", 0);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Sender);
    FEvents.Messages.clear();
    SetEnv("ZEL_STANDIN_MESSAGE_SOURCE", c.Sender);
    view.Navigate(c.Current ? c.Sender : "file:///index.html");
    ASSERT_TRUE(test::PumpUntil([&] { return FEvents.Messages.size() == 1; }));
    EXPECT_EQ(FEvents.Messages[0].Source, c.Source);
    EXPECT_EQ(FEvents.Messages[0].Current, c.Current);
    EXPECT_FALSE(FEvents.Messages[0].BridgeAllowed);
  }
}

TEST(WebView2SourceTest, OnlyTheApplicationsOwnAddressesHaveItsOrigin) {
  const std::pair<const char*, const char*> cases[] = {
      {"file:///index.html", "file://"},
      {"FILE:///sub/page.html?x=1#top", "file://"},
      {"file:///C:/Photos/a.html", "null"},
      {"file:///c|/a.html", "null"},
      {"file:////server/share/a.html", "null"},
      {"file://server/share/a.html", "null"},
      {"https://example.com:8443/a/b", "https://example.com:8443"},
      {"about:blank", "about:blank"},
  };
  for (const auto& [uri, origin] : cases) EXPECT_EQ(WebMessageSourceOrigin(uri), origin) << uri;
}

}  // namespace
}  // namespace zel
