// An application folder shown without packaging: the main window in preview
// mode on the fake platform and engine, and the live reload.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "MainLoopSupport.h"
#include "PackageTestSupport.h"
#include "backends/fake/FakeFileWatcher.h"
#include "backends/fake/FakePlatform.h"
#include "backends/fake/FakeWebEngine.h"
#include "backends/fake/FakeWindow.h"
#include "core/text/StrUtils.h"
#include "runtime/LiveReload.h"
#include "runtime/MainForm.h"
#include "runtime/PreviewApp.h"

namespace zel {
namespace {

class PreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteFile(
        FDir / "zel.ini",
        "[App]\nID=com.example.notes\nName=Notes\nDirName=web\nWidth=640\nDynamicAppTitle=1\n");
    std::filesystem::create_directories(FDir / "web" / "my pages");
    test::WriteFile(FDir / "web" / "index.html", "<p>folder</p>");
    test::WriteFile(FDir / "web" / "my pages" / "a.js", "a();");
    FPlatform.ProcessInfo().SetExecutablePath("/opt/zel/bin/zel");
    FPlatform.KnownFolders().SetLocalAppData((FDir / "data").string() + "/");

    TProjectINI settings;
    settings.LoadFromBytes(test::ReadFile(FDir / "zel.ini"));
    FPreview = std::make_unique<TPreviewApp>(FDir.Path(), settings, "/opt/zel/bin/zel");
    FForm = std::make_unique<TMainForm>(FPlatform, *FPreview, FLoader);
    FForm->FormCreate();
    FForm->Window().Show();
    test::RunQueuedStep(FPlatform.UserInterface());
    ASSERT_TRUE(FForm->BrowserForm()->EdgeBrowser()->WebViewCreated());
    WebView().RaiseContentLoading(false, 1);  // the start page's document has come
  }
  TFakeWebView& WebView() { return FLoader.Environment().LastController()->FakeWebView(); }

  test::TTempDir FDir;
  TFakePlatform FPlatform;
  TFakeWebViewLoader FLoader;
  std::unique_ptr<TPreviewApp> FPreview;
  std::unique_ptr<TMainForm> FForm;
};

TEST_F(PreviewTest, RunsWithoutPackageWithTheFolderSettings) {
  EXPECT_FALSE(FForm->BrowserExternalModule()->IsRuntime());
  EXPECT_FALSE(FForm->BrowserForm()->IsRuntime());
  EXPECT_EQ(FForm->Window().Caption(), "Notes");
  EXPECT_EQ(FForm->Window().Bounds().Width, 640);
  EXPECT_EQ(WebView().Navigations(), std::vector<std::string>{"file:///index.html"});
  // Outside the runtime the page reports clicks so that the window takes the focus.
  ASSERT_EQ(WebView().DocumentScripts().size(), 1u);
  EXPECT_NE(WebView().DocumentScripts()[0].find("zel-webbrowser-clicked"), std::string::npos);
  // DynamicAppTitle is read from the folder's zel.ini.
  WebView().RaiseDocumentTitleChanged("Edited");
  EXPECT_EQ(FForm->Window().Caption(), "Edited");
}

TEST_F(PreviewTest, IsRuntimeAnswersFalseAndGatedCallsOnlyShowTheMessage) {
  WebView().RaiseWebMessageReceived(R"({"id":10002,"uuid":"u","data":{}})", std::nullopt);
  EXPECT_EQ(WebView().PostedMessages(),
            std::vector<std::string>{R"({"uuid": "u", "success": true, "result": false})"});

  WebView().RaiseWebMessageReceived(R"({"id":60009,"uuid":"g","data":{}})", std::nullopt);
  ASSERT_EQ(FPlatform.MessageBoxes().Shown().size(), 1u);
  EXPECT_EQ(FPlatform.MessageBoxes().Shown()[0].Text,
            "Calls to zel.window.getSize() works only at runtime.");
  EXPECT_EQ(WebView().PostedMessages().size(), 1u);  // no reply to the gated call
}

TEST_F(PreviewTest, FileRequestsAreAnsweredFromTheApplicationFolder) {
  struct TCase {
    const char* Uri;
    const char* Body;
  };
  for (const TCase& c : {TCase{"file:///index.html", "<p>folder</p>"},
                         TCase{"file:///my%20pages/a.js?v=2", "a();"}}) {
    auto args = WebView().RaiseWebResourceRequested(c.Uri);
    ASSERT_TRUE(args.HasResponse()) << c.Uri;
    EXPECT_EQ(args.ReadBody(), c.Body) << c.Uri;
  }
  EXPECT_FALSE(WebView().RaiseWebResourceRequested("file:///missing.html").HasResponse());
}

// Relative file paths name the application folder being served (where its
// zel.ini is), not the folder of the zel command.
TEST_F(PreviewTest, RelativeFilePathsNameTheApplicationFolder) {
  const std::string folder = FDir.Path().lexically_normal().string() + "/";
  FPlatform.FileSystem().AddFile(folder + "data/notes.txt", "n");
  FPlatform.FileSystem().AddFile("/opt/zel/bin/data/notes.txt", "beside zel");
  const auto call = [&](int id, const std::string& data) {
    WebView().RaiseWebMessageReceived(
        R"({"id":)" + std::to_string(id) + R"(,"uuid":"u","data":)" + data + "}", std::nullopt);
    return WebView().PostedMessages().back();
  };
  const auto reply = [](const std::string& result) {
    return R"({"uuid": "u", "success": true, "result": )" + result + "}";
  };
  EXPECT_EQ(call(40006, "{}"), reply(TStrUtils::StringToJsonString(folder)));
  EXPECT_EQ(call(30001, R"({"filePath":"data/notes.txt"})"), reply("true"));
  EXPECT_EQ(call(30003, R"({"filePath":"out/a.txt","contents":"x"})"), reply("true"));
  EXPECT_TRUE(FPlatform.FileSystem().FileContents(folder + "out/a.txt"));
  EXPECT_EQ(call(40002, R"({"dirPath":"data"})"), reply("true"));
  EXPECT_EQ(FPlatform.FileSystem().FileContents("/opt/zel/bin/data/notes.txt"), "beside zel");
}

TEST_F(PreviewTest, NewWindowsAreLeftToTheEngine) {
  auto args = WebView().RaiseNewWindowRequested("file:///other.html");
  EXPECT_FALSE(args.Handled());
  EXPECT_TRUE(FPlatform.Processes().Started().empty());
}

TEST_F(PreviewTest, EngineDataLivesInAPreviewFolderOfItsOwn) {
  const std::string folder = FPreview->PrepareEngineEnvironment(FPlatform);
  EXPECT_EQ(folder, (FDir / "data").string() + "/zel-dev/com.example.notes/");
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  auto& values = FPlatform.Environment().Values();
  EXPECT_EQ(values["WEBVIEW2_USER_DATA_FOLDER"], folder);
  EXPECT_EQ(values["WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS"],
            TStartupLoader::DefaultWebViewArguments);
}

TEST_F(PreviewTest, ABurstOfChangesReloadsThePageOnce) {
  TFakeFileWatcher watcher;
  TFakeOneShotTimer timer;
  std::vector<std::filesystem::path> reloads;
  TLiveReload liveReload(watcher, timer, [&](const std::filesystem::path& last) {
    reloads.push_back(last);
    FForm->BrowserForm()->EdgeBrowser()->Refresh();
  });
  liveReload.Start(FPreview->FilesFolder());
  EXPECT_EQ(watcher.Roots(), std::vector<std::filesystem::path>{FPreview->FilesFolder()});

  // Editors' scratch files alone reload nothing.
  watcher.Change(FDir / "web" / ".index.html.swp");
  watcher.Change(FDir / "web" / "index.html~");
  EXPECT_FALSE(timer.Pending());

  watcher.Change(FDir / "web" / "index.html");
  watcher.Change(FDir / "web" / "my pages" / "a.js");
  EXPECT_TRUE(reloads.empty());  // waits for the burst to end
  EXPECT_EQ(timer.Interval(), TLiveReload::DefaultQuietMilliseconds);
  timer.Elapse();
  EXPECT_EQ(reloads, std::vector<std::filesystem::path>{FDir / "web" / "my pages" / "a.js"});
  EXPECT_EQ(WebView().Commands(), std::vector<std::string>{"Reload"});
  timer.Elapse();
  EXPECT_EQ(reloads.size(), 1u);
}

}  // namespace
}  // namespace zel
