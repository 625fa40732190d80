// The engine library end to end: loaded with dlopen, one web view in a GTK
// window on an X server of its own, pages served from memory.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

#include "EngineHost.h"
#include "TestBodies.h"

namespace zel::test {
namespace {

TEngineHost* GHost = nullptr;
SoupServer* GOtherOrigin = nullptr;  // a page of another origin, for frames
int GOtherPort = 0;
std::map<std::string, std::string> GOtherPages;  // path -> html served by the other origin

TEngineHost& Host() { return *GHost; }

// Added to every document before its own scripts: records whether the shim came first.
constexpr const char* EarlyScript =
    "window.earlyScript = (window.chrome && window.chrome.webview) ? 'after-shim' : 'before-shim';";

const char* const BasicPage = R"(<!doctype html><html><head><title>Basic ✓</title>
<script src="app.js?v=1"></script>
<script type="module">
import { value } from './mod/dep.js';
const response = await fetch('data.json?x=1');
const data = await response.json();
chrome.webview.postMessage({ kind: 'basic', script: window.appLoaded === true, module: value, data,
  contentType: response.headers.get('content-type'), charset: document.characterSet,
  title: document.title, early: window.earlyScript });
</script></head><body>basic</body></html>)";

const char* const MessagesPage = R"(<!doctype html><script>
chrome.webview.addEventListener('message', (e) => {
  if (e.data && e.data.echo !== undefined)
    chrome.webview.postMessage({ kind: 'echo', echoed: e.data.echo, isMessageEvent: e instanceof MessageEvent });
});
chrome.webview.postMessage('plain text ✓');
chrome.webview.postMessage({ kind: 'ready', list: [1, 'two', null] });
</script>)";

const char* const FramePage = R"(<!doctype html><script>
chrome.webview.postMessage({ kind: 'frame', from: location.search ? 'sandboxed' : 'same-origin',
  early: typeof window.earlyScript });
</script>)";

const char* const StorePage = R"(<!doctype html><script>
const write = location.search === '?write';
if (write) localStorage.setItem('k', 'v');
const open = indexedDB.open('zel-test', 1);
open.onupgradeneeded = () => open.result.createObjectStore('s');
open.onerror = () => chrome.webview.postMessage({ kind: 'stored', error: String(open.error) });
open.onsuccess = () => {
  const tx = open.result.transaction('s', write ? 'readwrite' : 'readonly');
  const store = tx.objectStore('s');
  let value = null;
  if (write) store.put('v', 'k'); else store.get('k').onsuccess = (e) => { value = e.target.result; };
  tx.oncomplete = () => chrome.webview.postMessage({ kind: 'stored', local: localStorage.getItem('k'),
    idb: write ? 'v' : (value === undefined ? null : value) });
};
</script>)";

std::string FramesPage() {
  return R"(<!doctype html><script>chrome.webview.postMessage({ kind: 'frame', from: 'top' });</script>
<iframe src="frame.html"></iframe>
<iframe src="http://127.0.0.1:)" +
         std::to_string(GOtherPort) + R"(/frame.html"></iframe>
<iframe sandbox="allow-scripts" src="frame.html?sandboxed"></iframe>
<iframe src="data:text/html,<script>Object.defineProperty(self, 'origin', { value: 'zel://' });
chrome.webview.postMessage({kind:'frame',from:'data'})</script>"></iframe>)";
}

bool HaveXdotool() { return std::system("command -v xdotool >/dev/null 2>&1") == 0; }

std::uint64_t Checksum(const std::string& bytes) {
  std::uint64_t sum = 0;
  for (unsigned char b : bytes) sum = (sum * 31 + b) % 1000000007;
  return sum;
}

class TSuite : public ::testing::Environment {
 public:
  void SetUp() override {
    GOtherOrigin = soup_server_new(nullptr, nullptr);
    soup_server_add_handler(
        GOtherOrigin, "/frame.html",
        [](SoupServer*, SoupServerMessage* message, const char*, GHashTable*, gpointer) {
          static const char page[] =
              "<!doctype "
              "html><script>chrome.webview.postMessage({kind:'frame',from:'http'})</script>";
          soup_server_message_set_response(message, "text/html", SOUP_MEMORY_STATIC, page,
                                           strlen(page));
          soup_server_message_set_status(message, 200, nullptr);
        },
        nullptr, nullptr);
    soup_server_add_handler(
        GOtherOrigin, "/pages",
        [](SoupServer*, SoupServerMessage* message, const char* path, GHashTable*, gpointer) {
          auto it = GOtherPages.find(path);
          if (it == GOtherPages.end()) {
            soup_server_message_set_status(message, 404, nullptr);
            return;
          }
          soup_server_message_set_response(message, "text/html", SOUP_MEMORY_COPY,
                                           it->second.data(), it->second.size());
          if (g_str_has_suffix(path, ".bin"))
            soup_message_headers_append(soup_server_message_get_response_headers(message),
                                        "Content-Disposition", "attachment; filename=zelprobe.bin");
          soup_server_message_set_status(message, 200, nullptr);
        },
        nullptr, nullptr);
    soup_server_listen_local(GOtherOrigin, 0, SOUP_SERVER_LISTEN_IPV4_ONLY, nullptr);
    GSList* uris = soup_server_get_uris(GOtherOrigin);
    if (uris) GOtherPort = g_uri_get_port(static_cast<GUri*>(uris->data));
    g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));

    // The runtime's default arguments.
    setenv("WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS",
           "--disable-web-security --autoplay-policy=no-user-gesture-required", 1);
    unsetenv("WEBVIEW2_USER_DATA_FOLDER");
    GHost = new TEngineHost(ZEL_ENGINE_PATH);
    if (!GHost->Ready()) return;
    TEngineHost& host = *GHost;
    host.View().AddScriptToExecuteOnDocumentCreated(EarlyScript);
    host.AddResource("basic.html", "text/html", BasicPage);
    host.AddResource("app.js", "application/javascript", "window.appLoaded = true;");
    host.AddResource("mod/dep.js", "application/javascript", "export const value = 42;");
    host.AddResource("data.json", "application/json", R"({"answer": 7, "text": "ß✓"})");
    host.AddResource("messages.html", "text/html", MessagesPage);
    host.AddResource("frame.html", "text/html", FramePage);
    host.AddResource("frames.html", "text/html", FramesPage());
    host.AddResource("blank page.html", "text/html", "<!doctype html><title>blank</title>");
    host.AddResource("picture.svg", "image/svg+xml",
                     R"(<svg xmlns="http://www.w3.org/2000/svg" width="3" height="2"></svg>)");
  }
  void TearDown() override {
    delete GHost;
    GHost = nullptr;
    if (GOtherOrigin) g_object_unref(GOtherOrigin);
  }
};

#define REQUIRE_HOST() \
  ASSERT_TRUE(GHost && GHost->Ready()) << (GHost ? GHost->Failure() : "no host")

bool Contains(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

TEST(EngineWebView, CreationCompletesAsynchronouslyWithTheEngineVersion) {
  REQUIRE_HOST();
  EXPECT_EQ(Host().Version(), ZEL_EXPECTED_WEBKIT_VERSION);
  EXPECT_EQ(Host().Environment().BrowserVersionString(), ZEL_EXPECTED_WEBKIT_VERSION);
  GtkWidget* widget = Host().EngineWidget();
  ASSERT_NE(widget, nullptr);
  // The view fills the container.
  RunUntil([&] { return gtk_widget_get_allocated_width(widget) > 700; });
  EXPECT_EQ(gtk_widget_get_allocated_width(widget),
            gtk_widget_get_allocated_width(Host().Container()));
  EXPECT_EQ(gtk_widget_get_allocated_height(widget),
            gtk_widget_get_allocated_height(Host().Container()));
}

TEST(EngineWebView, BoundsAndVisibilityPlaceTheView) {
  REQUIRE_HOST();
  IWebViewController& controller = Host().Controller();
  GtkWidget* widget = Host().EngineWidget();
  GtkWidget* container = Host().Container();
  int width = gtk_widget_get_allocated_width(container);
  int height = gtk_widget_get_allocated_height(container);
  struct TCase {
    TBounds Bounds;
    GdkRectangle Expected;  // relative to the container
  } cases[] = {
      {{0, 0, width / 2, height / 2}, {0, 0, width / 2, height / 2}},
      {{10, 20, 110, 70}, {10, 20, 100, 50}},
      {{width - 50, 0, width + 100, height}, {width - 50, 0, 50, height}},  // clipped
      {{0, 0, width, height}, {0, 0, width, height}},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(controller.PutBounds(c.Bounds), S_OK);
    GtkAllocation area{};
    EXPECT_TRUE(RunUntil(
        [&] {
          gtk_widget_get_allocation(widget, &area);
          GtkAllocation parent{};
          gtk_widget_get_allocation(container, &parent);
          return area.x - parent.x == c.Expected.x && area.y - parent.y == c.Expected.y &&
                 area.width == c.Expected.width && area.height == c.Expected.height;
        },
        5))
        << c.Bounds.Left << "," << c.Bounds.Top << " " << area.width << "x" << area.height;
  }
  EXPECT_EQ(controller.PutIsVisible(false), S_OK);
  EXPECT_TRUE(RunUntil([&] { return !gtk_widget_is_visible(widget); }, 5));
  EXPECT_EQ(controller.PutIsVisible(true), S_OK);
  EXPECT_TRUE(RunUntil([&] { return gtk_widget_get_mapped(widget); }, 5));
}

TEST(EngineWebView, ServesPagesScriptsModulesAndFetchThroughResourceRequests) {
  REQUIRE_HOST();
  TEngineHost& host = Host();
  host.Requested.clear();
  host.Starting.clear();
  int titles = host.TitleChanges;
  TCompletion completion = host.NavigateAndWait("file:///basic.html");
  EXPECT_TRUE(completion.Success);
  TMessage message = host.WaitForMessage("basic");
  EXPECT_EQ(message.Source, "file://");
  EXPECT_EQ(message.Data.value("script", false), true);
  EXPECT_EQ(message.Data.value("module", 0), 42);
  EXPECT_EQ(message.Data["data"], nlohmann::json::parse(R"({"answer": 7, "text": "ß✓"})"));
  EXPECT_EQ(message.Data.value("contentType", ""), "application/json; charset=utf-8");
  EXPECT_EQ(message.Data.value("charset", ""), "UTF-8");
  EXPECT_EQ(message.Data.value("title", ""), "Basic ✓");
  EXPECT_EQ(message.Data.value("early", ""), "after-shim");
  for (const char* uri :
       {"file:///basic.html", "file:///app.js?v=1", "file:///mod/dep.js", "file:///data.json?x=1"})
    EXPECT_TRUE(Contains(host.Requested, uri)) << uri;
  EXPECT_EQ(host.Starting, std::vector<std::string>{"file:///basic.html"});
  std::string source, title;
  host.View().GetSource(source);
  EXPECT_EQ(source, "file:///basic.html");
  EXPECT_TRUE(RunUntil([&] { return host.TitleChanges > titles; }));
  host.View().GetDocumentTitle(title);
  EXPECT_EQ(title, "Basic ✓");
  ASSERT_FALSE(host.SourceChanges.empty());
  EXPECT_TRUE(host.SourceChanges.back());

  // A change inside the document is a source change without a new document.
  host.Execute("history.pushState({}, '', 'basic.html?two'); location.hash = 'three';");
  EXPECT_TRUE(RunUntil([&] {
    host.View().GetSource(source);
    return source == "file:///basic.html?two#three";
  })) << source;
  EXPECT_FALSE(host.SourceChanges.back());

  // "%20" in an address reaches the host as the page wrote it.
  EXPECT_TRUE(host.NavigateAndWait("file:///blank%20page.html").Success);
  EXPECT_TRUE(Contains(host.Requested, "file:///blank%20page.html"));
}

TEST(EngineWebView, MessagesTravelBothWays) {
  REQUIRE_HOST();
  TEngineHost& host = Host();
  host.Messages.clear();
  EXPECT_TRUE(host.NavigateAndWait("file:///messages.html").Success);
  TMessage text = host.WaitForMessage("plain text ✓");
  EXPECT_EQ(text.Json, "\"plain text ✓\"");
  EXPECT_EQ(text.StringResult, S_OK);
  EXPECT_EQ(text.String, "plain text ✓");
  EXPECT_EQ(text.Source, "file://");
  TMessage ready = host.WaitForMessage("ready");
  EXPECT_EQ(ready.Json, R"({"kind":"ready","list":[1,"two",null]})");
  EXPECT_EQ(ready.StringResult, E_INVALIDARG);

  EXPECT_EQ(host.View().PostWebMessageAsJson(R"({"echo": [1, "two", {"x": null}, "ü"]})"), S_OK);
  TMessage echo = host.WaitForMessage("echo");
  EXPECT_EQ(echo.Data["echoed"], nlohmann::json::parse(R"([1, "two", {"x": null}, "ü"])"));
  EXPECT_EQ(echo.Data.value("isMessageEvent", false), true);
  for (const char* bad : {"{oops", "", "alert(1)", "1; alert(2)"})
    EXPECT_EQ(host.View().PostWebMessageAsJson(bad), E_INVALIDARG) << bad;

  // Turned off, messages from the page are dropped; they arrive in order, so
  // the one posted after turning it back on proves the first was dropped.
  host.View().Settings().PutIsWebMessageEnabled(false);
  host.Execute("chrome.webview.postMessage({ kind: 'while-off' })");
  host.View().Settings().PutIsWebMessageEnabled(true);
  host.Execute("chrome.webview.postMessage({ kind: 'while-on' })");
  EXPECT_FALSE(host.WaitForMessage("while-on").Json.empty());
  EXPECT_TRUE(std::none_of(host.Messages.begin(), host.Messages.end(), [](const TMessage& m) {
    return m.Data.is_object() && m.Data.value("kind", "") == "while-off";
  }));
}

TEST(EngineWebView, ExecuteScriptAnswersJson) {
  REQUIRE_HOST();
  struct TCase {
    const char* Script;
    const char* Json;
  } cases[] = {
      {"1 + 1", "2"},
      {"'a' + 'ß'", "\"aß\""},
      {"({ a: [1, null, true] })", R"({"a":[1,null,true]})"},
      {"undefined", "null"},
      {"(() => {})", "null"},
      {"throw new Error('x')", "null"},
      {"document.title", "\"Basic ✓\""},
      {"typeof chrome.webview.postMessage", "\"function\""},
  };
  TEngineHost& host = Host();
  EXPECT_TRUE(host.NavigateAndWait("file:///basic.html").Success);
  for (const TCase& c : cases) {
    auto [hr, json] = host.Execute(c.Script);
    EXPECT_EQ(hr, S_OK) << c.Script;
    EXPECT_EQ(json, c.Json) << c.Script;
  }
}

TEST(EngineWebView, MessagesFromFramesCarryTheirOwnOrigin) {
  REQUIRE_HOST();
  ASSERT_GT(GOtherPort, 0);
  TEngineHost& host = Host();
  host.Messages.clear();
  host.Requested.clear();
  EXPECT_TRUE(host.NavigateAndWait("file:///frames.html").Success);
  std::map<std::string, TMessage> byFrame;
  for (int i = 0; i < 5; ++i) {
    TMessage message = host.WaitForMessage("frame");
    byFrame[message.Data.value("from", "?")] = message;
  }
  std::map<std::string, std::string> expected = {
      {"top", "file://"},
      {"same-origin", "file://"},
      {"http", "http://127.0.0.1:" + std::to_string(GOtherPort)},
      {"sandboxed", "null"},
      {"data", "null"},
  };
  for (auto& [frame, origin] : expected) {
    ASSERT_TRUE(byFrame.count(frame)) << frame;
    EXPECT_EQ(byFrame[frame].Source, origin) << frame;
  }
  // Document scripts of the host go to the top document only.
  EXPECT_EQ(byFrame["same-origin"].Data.value("early", ""), "undefined");
}

TEST(EngineWebView, WebContentGetsNeitherTheApplicationsFilesNorItsScheme) {
  REQUIRE_HOST();
  TEngineHost& host = Host();
  // Every way a web page could reach the application's scheme or file:
  // addresses; each reports, then the page tries to navigate there itself.
  GOtherPages["/pages/reach.html"] = R"(<!doctype html><body><script>
const report = (what, value) => chrome.webview.postMessage({ kind: 'reach', what, value: String(value) });
(async () => {
  for (const url of ['zel:///data.json', 'file:///data.json', 'ZEL:///data.json?x', 'file:///etc/hostname']) {
    try { await fetch(url); report('fetch ' + url, 'loaded'); } catch (e) { report('fetch ' + url, 'refused'); }
  }
  const image = new Image();
  image.src = 'zel:///picture.svg';
  await image.decode().then(() => report('image', 'loaded'), () => report('image', 'refused'));
  const frame = document.createElement('iframe');
  frame.src = 'zel:///frame.html';
  document.body.append(frame);
  const blank = document.createElement('iframe');
  document.body.append(blank);
  blank.contentWindow.location = 'zel:///frame.html?blank';
  // New windows: the runtime would show them as pages of the application.
  for (const open of [() => window.open('zel:///frame.html?open'),
                      () => document.open('file:///frame.html?document', '_blank', ''),
                      () => Window.prototype.open && Window.prototype.open.call(window, 'zel:///x'),
                      () => document.body.appendChild(document.createElement('iframe')).contentWindow.open('zel:///y'),
                      () => { const a = document.createElement('a'); a.href = 'zel:///frame.html?link';
                              a.target = '_blank'; document.body.append(a); a.click(); }]) {
    try { open(); } catch (e) {}
  }
  await new Promise((resolve) => setTimeout(resolve, 500));
  report('done', true);
  location.href = 'zel:///basic.html?fromweb';
})();
</script></body>)";
  const std::string other = "http://127.0.0.1:" + std::to_string(GOtherPort);
  const std::string page = other + "/pages/reach.html";
  host.Messages.clear();
  host.Requested.clear();
  host.NewWindows.clear();
  EXPECT_TRUE(host.NavigateAndWait(page).Success);
  std::map<std::string, std::string> outcomes;
  for (TMessage m = host.WaitForMessage("reach");; m = host.WaitForMessage("reach")) {
    ASSERT_TRUE(m.Data.is_object()) << "the page stopped reporting";
    if (m.Data.value("what", "") == "done") break;
    outcomes[m.Data.value("what", "")] = m.Data.value("value", "");
  }
  EXPECT_EQ(outcomes.size(), 5u);
  for (auto& [what, value] : outcomes) EXPECT_EQ(value, "refused") << what;
  RunUntil([] { return false; }, 1);  // time for the navigation the page asked for
  std::string source;
  host.View().GetSource(source);
  EXPECT_EQ(source, page);
  EXPECT_TRUE(host.Requested.empty()) << host.Requested.front();
  EXPECT_TRUE(host.Messages.empty()) << "an application frame spoke: " << host.Messages[0].Json;
  EXPECT_TRUE(host.NewWindows.empty()) << host.NewWindows.front();

  // The history the application made still leads back to it.
  GOtherPages["/pages/plain.html"] = "<!doctype html><title>plain</title>";
  EXPECT_TRUE(host.NavigateAndWait("file:///messages.html").Success);
  EXPECT_TRUE(host.NavigateAndWait(other + "/pages/plain.html").Success);
  host.Messages.clear();
  const std::size_t completed = host.Completed.size();
  ASSERT_TRUE(host.View().GoBack() == S_OK);
  ASSERT_TRUE(RunUntil([&] { return host.Completed.size() > completed; }));
  // The page may come back from the back-forward cache: messages still
  // travel both ways, from and to the document that is shown.
  host.Execute("chrome.webview.postMessage('plain text ✓')");
  TMessage back = host.WaitForMessage("plain text ✓");
  EXPECT_EQ(back.Source, "file://");
  EXPECT_TRUE(back.Current);
  host.View().PostWebMessageAsJson(R"({"echo": "after back"})");
  EXPECT_EQ(host.WaitForMessage("echo").Data.value("echoed", ""), "after back");
}

// Answers the first file chooser dialog that shows with `path`, from the main loop.
struct TDialogAnswer {
  std::string Path;
  GtkWidget* Dialog = nullptr;
  bool Answered = false;
};

gboolean AnswerFileChooser(gpointer data) {
  auto* answer = static_cast<TDialogAnswer*>(data);
  if (answer->Dialog) {
    // Named on the last tick: the dialog has settled, press its accept button.
    GtkWidget* accept =
        gtk_dialog_get_widget_for_response(GTK_DIALOG(answer->Dialog), GTK_RESPONSE_ACCEPT);
    if (accept) gtk_button_clicked(GTK_BUTTON(accept));
    answer->Answered = accept != nullptr;
    return G_SOURCE_REMOVE;
  }
  GList* windows = gtk_window_list_toplevels();
  for (GList* item = windows; item; item = item->next) {
    if (!GTK_IS_FILE_CHOOSER_DIALOG(item->data) || !gtk_widget_get_visible(GTK_WIDGET(item->data)))
      continue;
    std::filesystem::path path(answer->Path);
    gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(item->data), path.parent_path().c_str());
    gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(item->data), path.filename().c_str());
    answer->Dialog = GTK_WIDGET(item->data);
  }
  g_list_free(windows);
  return G_SOURCE_CONTINUE;
}

TEST(EngineWebView, DownloadsAreTheApplicationsAndGoWhereTheUserChooses) {
  REQUIRE_HOST();
  TEngineHost& host = Host();
  const std::string other = "http://127.0.0.1:" + std::to_string(GOtherPort);
  const std::string name = "zel-download-" + std::to_string(getpid());
  // A web page's downloads, of an attachment and of a link with "download".
  GOtherPages["/pages/" + name + ".bin"] = "from the web";
  GOtherPages["/pages/download.html"] = "<!doctype html><a id=a href='/pages/" + name +
                                        ".bin'>a</a><a id=b download='" + name +
                                        ".txt' href='/pages/blank.html'>b</a><script>a.click(); "
                                        "setTimeout(() => b.click(), 300);</script>";
  EXPECT_TRUE(host.NavigateAndWait(other + "/pages/download.html").Success);
  RunUntil([] { return false; }, 2);
  const char* home = g_get_home_dir();
  const char* downloads = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD);
  for (const char* folder : {home, downloads}) {
    if (!folder) continue;
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(folder) / (name + ".bin")));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(folder) / (name + ".txt")));
  }

  // The application's page saves where the user says.
  char folder[] = "/tmp/zel-download-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  TDialogAnswer answer{std::string(folder) + "/saved.txt"};
  host.AddResource("report.txt", "text/plain", "the report");
  host.AddResource("save.html", "text/html",
                   "<!doctype html><a id=a download='report.txt'>save</a><script>"
                   "a.href = URL.createObjectURL(new Blob(['the report'])); a.click()</script>");
  guint source = g_timeout_add(300, AnswerFileChooser, &answer);
  EXPECT_TRUE(host.NavigateAndWait("file:///save.html").Success);
  EXPECT_TRUE(RunUntil([&] { return std::filesystem::exists(answer.Path); }, 20));
  if (!answer.Answered) g_source_remove(source);
  EXPECT_TRUE(answer.Answered);
  RunUntil([&] { return std::filesystem::file_size(answer.Path) == 10; }, 5);
  std::ifstream saved(answer.Path);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), {}), "the report");
  std::filesystem::remove_all(folder);
}

TEST(EngineWebView, AFileFromTheDiskNeverBecomesAPage) {
  REQUIRE_HOST();
  TEngineHost& host = Host();
  // What a file dropped on the view does: WebKit navigates to its file:
  // address, which the runtime never asks for.
  void* webkit = dlopen("libwebkit2gtk-4.1.so.0", RTLD_LAZY | RTLD_NOLOAD);
  ASSERT_NE(webkit, nullptr);
  using TLoadUri = void (*)(GtkWidget*, const char*);
  auto loadUri = reinterpret_cast<TLoadUri>(dlsym(webkit, "webkit_web_view_load_uri"));
  ASSERT_NE(loadUri, nullptr);
  char folder[] = "/tmp/zel-dropped-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string dropped = std::string(folder) + "/dropped.html";
  std::ofstream(dropped) << "<!doctype html><script>chrome.webview.postMessage('dropped')</script>";
  EXPECT_TRUE(host.NavigateAndWait("file:///messages.html").Success);
  host.Messages.clear();
  host.Requested.clear();
  loadUri(host.EngineWidget(), ("file://" + dropped).c_str());
  RunUntil([] { return false; }, 2);
  std::string source;
  host.View().GetSource(source);
  EXPECT_EQ(source, "file:///messages.html");
  EXPECT_TRUE(host.Requested.empty()) << host.Requested.front();
  EXPECT_TRUE(host.Messages.empty()) << host.Messages.front().Json;
  std::filesystem::remove_all(folder);
  dlclose(webkit);
}

TEST(EngineWebView, AMessageNamesTheDocumentThatOwnsItsChannel) {
  REQUIRE_HOST();
  ASSERT_GT(GOtherPort, 0);
  TEngineHost& host = Host();
  const std::string other = "http://127.0.0.1:" + std::to_string(GOtherPort);
  GOtherPages["/pages/nested.html"] = R"(<!doctype html><iframe src="/pages/inner.html"></iframe>)";
  GOtherPages["/pages/inner.html"] =
      R"(<!doctype html><script>chrome.webview.postMessage({ kind: 'owner', from: 'inner' })</script>)";
  host.AddResource("owner.html", "text/html", R"(<!doctype html><body><script>
const frame = document.createElement('iframe');
let kept = null;
frame.onload = () => {
  if (!kept) {
    // A channel function kept from the frame's first document.
    kept = frame.contentWindow.chrome.webview.postMessage;
    kept({ kind: 'owner', from: 'kept-before' });
    frame.src = 'owner-frame.html?second';
    return;
  }
  kept({ kind: 'owner', from: 'kept-after' });
  frame.contentWindow.chrome.webview.postMessage({ kind: 'owner', from: 'new' });
  const nested = document.createElement('iframe');
  nested.src = ')" + other + R"(/pages/nested.html';
  document.body.append(nested);
};
frame.src = 'owner-frame.html';
document.body.append(frame);
</script></body>)");
  host.AddResource("owner-frame.html", "text/html", "<!doctype html><p>frame</p>");
  host.Messages.clear();
  EXPECT_TRUE(host.NavigateAndWait("file:///owner.html").Success);
  std::map<std::string, TMessage> byName;
  for (int i = 0; i < 4; ++i) {
    TMessage m = host.WaitForMessage("owner");
    byName[m.Data.value("from", "?")] = m;
  }
  ASSERT_EQ(byName.size(), 4u);
  EXPECT_TRUE(byName["kept-before"].Current);
  EXPECT_EQ(byName["kept-before"].Source, "file://");
  EXPECT_EQ(byName["kept-before"].Ancestors, std::vector<std::string>{"file://"});
  // The frame shows another document now: the kept function speaks for nobody.
  EXPECT_FALSE(byName["kept-after"].Current);
  EXPECT_TRUE(byName["new"].Current);
  EXPECT_EQ(byName["new"].Ancestors, std::vector<std::string>{"file://"});
  // A web frame sees its own origin above it and nothing of the application.
  EXPECT_EQ(byName["inner"].Source, other);
  EXPECT_EQ(byName["inner"].Ancestors, (std::vector<std::string>{other, "null"}));
}

TEST(EngineWebView, FailedNavigationCompletesOnce) {
  REQUIRE_HOST();
  TEngineHost& host = Host();
  for (bool errorPage : {true, false}) {
    host.View().Settings().PutIsBuiltInErrorPageEnabled(errorPage);
    EXPECT_TRUE(host.NavigateAndWait("file:///basic.html").Success);
    std::size_t completed = host.Completed.size();
    host.Starting.clear();
    TCompletion failure = host.NavigateAndWait("file:///missing.html");
    EXPECT_FALSE(failure.Success) << errorPage;
    // The engine's error page shows the failure; without it the last page stays.
    std::string expected = errorPage ? "\"Not found\"" : "\"basic\"";
    const char* text = "document.body && document.body.textContent";
    EXPECT_TRUE(RunUntil([&] { return host.Execute(text).second == expected; }, 10))
        << errorPage << " " << host.Execute(text).second;
    EXPECT_TRUE(host.NavigateAndWait("file:///basic.html").Success) << errorPage;
    EXPECT_EQ(host.Completed.size(), completed + 2) << errorPage;
    EXPECT_EQ(host.Starting,
              (std::vector<std::string>{"file:///missing.html", "file:///basic.html"}))
        << errorPage;
  }
  host.View().Settings().PutIsBuiltInErrorPageEnabled(true);

  // A handler that navigates on failure replaces the error page.
  struct TRetry : IWebViewEvents {
    TEngineHost* Host;
    std::vector<TCompletion> Completed;
    void NavigationStarting(INavigationStartingArgs& args) override {
      Host->NavigationStarting(args);
    }
    void NavigationCompleted(bool success, int status) override {
      Completed.push_back({success, status});
      if (!success) Host->View().Navigate("file:///later.html?again");
    }
    void WebResourceRequested(IWebResourceRequestedArgs& args) override {
      Host->WebResourceRequested(args);
    }
  } retry;
  retry.Host = &host;
  host.AddResource("later.html", "text/html", "<!doctype html><body>found</body>");
  host.Starting.clear();
  host.View().SetEventSink(&retry);
  host.View().Navigate("file:///nowhere.html");
  EXPECT_TRUE(RunUntil([&] { return retry.Completed.size() == 2; }));
  host.View().SetEventSink(&host);
  ASSERT_EQ(retry.Completed.size(), 2u);
  EXPECT_FALSE(retry.Completed[0].Success);
  EXPECT_TRUE(retry.Completed[1].Success);
  EXPECT_EQ(host.Starting,
            (std::vector<std::string>{"file:///nowhere.html", "file:///later.html?again"}));
  EXPECT_EQ(host.Execute("document.body.textContent").second, "\"found\"");
}

TEST(EngineWebView, NewWindowRequestsOpenNothing) {
  REQUIRE_HOST();
  TEngineHost& host = Host();
  EXPECT_TRUE(host.NavigateAndWait("file:///basic.html").Success);
  host.NewWindows.clear();
  EXPECT_EQ(host.Execute("window.open('other.html?x=1') === null").second, "true");
  EXPECT_EQ(host.Execute("window.open('https://example.com/') === null").second, "true");
  host.Execute(
      "const a = document.createElement('a'); a.href = 'second.html'; a.target = '_blank';"
      "document.body.appendChild(a); a.click();");
  EXPECT_TRUE(RunUntil([&] { return host.NewWindows.size() == 3; }));
  EXPECT_EQ(host.NewWindows,
            (std::vector<std::string>{"file:///other.html?x=1", "https://example.com/",
                                      "file:///second.html"}));
}

GdkEvent* NewEvent(GtkWidget* widget, GdkEventType type) {
  GdkEvent* event = gdk_event_new(type);
  GdkWindow* window = gtk_widget_get_window(widget);
  GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
  if (type == GDK_SCROLL) {
    event->scroll.window = GDK_WINDOW(g_object_ref(window));
    event->scroll.send_event = TRUE;
    gdk_event_set_device(event, gdk_seat_get_pointer(seat));
  } else {
    event->key.window = GDK_WINDOW(g_object_ref(window));
    event->key.send_event = TRUE;
    gdk_event_set_device(event, gdk_seat_get_keyboard(seat));
  }
  return event;
}

void CtrlWheel(GtkWidget* widget, GdkScrollDirection direction) {
  GdkEvent* event = NewEvent(widget, GDK_SCROLL);
  event->scroll.state = GDK_CONTROL_MASK;
  event->scroll.direction = direction;
  gtk_widget_event(widget, event);
  gdk_event_free(event);
}

bool Key(GtkWidget* widget, guint keyval, guint state) {
  GdkEvent* event = NewEvent(widget, GDK_KEY_PRESS);
  event->key.state = state;
  event->key.keyval = keyval;
  event->key.time = GDK_CURRENT_TIME;
  GdkKeymapKey* keys = nullptr;
  gint count = 0;
  if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_display_get_default()),
                                        keyval, &keys, &count) &&
      count > 0)
    event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
  g_free(keys);
  gboolean handled = FALSE;
  g_signal_emit_by_name(widget, "key-press-event", event, &handled);
  gdk_event_free(event);
  return handled;
}

bool CtrlKey(GtkWidget* widget, guint keyval) { return Key(widget, keyval, GDK_CONTROL_MASK); }

TEST(EngineWebView, ZoomFromTheHostAndFromWheelAndKeys) {
  REQUIRE_HOST();
  TEngineHost& host = Host();
  EXPECT_TRUE(host.NavigateAndWait("file:///basic.html").Success);
  IWebViewController& controller = host.Controller();
  int width = std::stoi(host.Execute("innerWidth").second);
  int events = host.ZoomChanges;
  EXPECT_EQ(controller.PutZoomFactor(2.0), S_OK);
  double zoom = 0;
  controller.GetZoomFactor(zoom);
  EXPECT_DOUBLE_EQ(zoom, 2.0);
  EXPECT_GT(host.ZoomChanges, events);
  EXPECT_TRUE(RunUntil(
      [&] { return std::abs(std::stoi(host.Execute("innerWidth").second) - width / 2) <= 1; }));
  EXPECT_EQ(controller.PutZoomFactor(0), E_INVALIDARG);
  controller.PutZoomFactor(1.0);

  GtkWidget* widget = host.EngineWidget();
  ASSERT_NE(widget, nullptr);
  struct TCase {
    bool Enabled;
    double Start;
    std::function<void()> Input;
    double Expected;
  } cases[] = {
      {true, 1.0, [&] { CtrlWheel(widget, GDK_SCROLL_UP); }, 1.1},
      {true, 1.0, [&] { CtrlWheel(widget, GDK_SCROLL_DOWN); }, 0.9},
      {true, 1.0, [&] { CtrlKey(widget, GDK_KEY_plus); }, 1.1},
      {true, 1.1, [&] { CtrlKey(widget, GDK_KEY_minus); }, 1.0},
      {true, 1.5, [&] { CtrlKey(widget, GDK_KEY_0); }, 1.0},
      {true, 5.0, [&] { CtrlKey(widget, GDK_KEY_plus); }, 5.0},
      {false, 1.0, [&] { CtrlWheel(widget, GDK_SCROLL_UP); }, 1.0},
      {false, 1.0, [&] { CtrlKey(widget, GDK_KEY_plus); }, 1.0},
  };
  for (const TCase& c : cases) {
    host.View().Settings().PutIsZoomControlEnabled(c.Enabled);
    controller.PutZoomFactor(c.Start);
    c.Input();
    controller.GetZoomFactor(zoom);
    EXPECT_NEAR(zoom, c.Expected, 1e-9) << c.Enabled << " from " << c.Start;
  }
  controller.PutZoomFactor(1.0);
  if (!HaveXdotool()) GTEST_SKIP() << "xdotool missing: real input not tested";
  // Real input from the X server: zoom keys and Ctrl+wheel zoom while zoom
  // control is on; the keys reach the page only while they do not zoom.
  host.Execute(
      "addEventListener('keydown', (e) => { if (e.key === '0' || e.key === 'a')"
      "chrome.webview.postMessage({ kind: 'key', key: e.key, ctrl: e.ctrlKey, zoomOn: "
      "window.zoomOn }); });");
  host.Messages.clear();
  gtk_window_present(GTK_WINDOW(host.Window()));
  host.Controller().MoveFocus();
  RunUntil(
      [&] {
        return gtk_widget_has_focus(widget) && gtk_window_is_active(GTK_WINDOW(host.Window()));
      },
      5);
  int x = 0, y = 0;
  gdk_window_get_origin(gtk_widget_get_window(widget), &x, &y);
  std::string pointer =
      "xdotool mousemove " + std::to_string(x + 100) + " " + std::to_string(y + 100);
  ASSERT_EQ(std::system(pointer.c_str()), 0);
  for (bool enabled : {true, false}) {
    host.View().Settings().PutIsZoomControlEnabled(enabled);
    host.Execute(std::string("window.zoomOn = ") + (enabled ? "true" : "false"));
    controller.PutZoomFactor(1.5);
    EXPECT_EQ(std::system("xdotool key ctrl+0 key a"), 0);
    if (!enabled) {
      EXPECT_EQ(
          host.WaitForMessage("key").Data,
          nlohmann::json::parse(R"({"kind": "key", "key": "0", "ctrl": true, "zoomOn": false})"));
    }
    EXPECT_EQ(host.WaitForMessage("key").Data.value("key", ""), "a");
    controller.GetZoomFactor(zoom);
    EXPECT_EQ(zoom, enabled ? 1.0 : 1.5) << enabled;
    controller.PutZoomFactor(1.0);
    // A plain key after the wheel: once the page has it, the wheel was handled.
    EXPECT_EQ(std::system("xdotool keydown ctrl click 4 keyup ctrl key a"), 0);
    TMessage after = host.WaitForMessage("key");
    EXPECT_EQ(after.Data.value("key", ""), "a");
    controller.GetZoomFactor(zoom);
    EXPECT_NEAR(zoom, enabled ? 1.1 : 1.0, 1e-9) << enabled;
  }
  EXPECT_TRUE(host.Messages.empty()) << host.Messages.front().Json;
  host.View().Settings().PutIsZoomControlEnabled(true);
  controller.PutZoomFactor(1.0);
}

TEST(EngineWebView, SettingsReadBackWhatWasWritten) {
  REQUIRE_HOST();
  IWebViewSettings& settings = Host().View().Settings();
  using TGet = HRESULT (IWebViewSettings::*)(bool&);
  using TPut = HRESULT (IWebViewSettings::*)(bool);
  struct TCase {
    const char* Name;
    TGet Get;
    TPut Put;
  } cases[] = {
      {"script", &IWebViewSettings::GetIsScriptEnabled, &IWebViewSettings::PutIsScriptEnabled},
      {"messages", &IWebViewSettings::GetIsWebMessageEnabled,
       &IWebViewSettings::PutIsWebMessageEnabled},
      {"dialogs", &IWebViewSettings::GetAreDefaultScriptDialogsEnabled,
       &IWebViewSettings::PutAreDefaultScriptDialogsEnabled},
      {"status bar", &IWebViewSettings::GetIsStatusBarEnabled,
       &IWebViewSettings::PutIsStatusBarEnabled},
      {"dev tools", &IWebViewSettings::GetAreDevToolsEnabled,
       &IWebViewSettings::PutAreDevToolsEnabled},
      {"context menus", &IWebViewSettings::GetAreDefaultContextMenusEnabled,
       &IWebViewSettings::PutAreDefaultContextMenusEnabled},
      {"zoom", &IWebViewSettings::GetIsZoomControlEnabled,
       &IWebViewSettings::PutIsZoomControlEnabled},
      {"error page", &IWebViewSettings::GetIsBuiltInErrorPageEnabled,
       &IWebViewSettings::PutIsBuiltInErrorPageEnabled},
  };
  for (const TCase& c : cases) {
    bool original = false;
    EXPECT_EQ((settings.*c.Get)(original), S_OK) << c.Name;
    for (bool value : {!original, original}) {
      EXPECT_EQ((settings.*c.Put)(value), S_OK) << c.Name;
      bool read = !value;
      (settings.*c.Get)(read);
      EXPECT_EQ(read, value) << c.Name;
    }
  }
}

TEST(EngineWebView, PageScriptsCanBeTurnedOffWhileHostScriptsRun) {
  REQUIRE_HOST();
  TEngineHost& host = Host();
  host.View().Settings().PutIsScriptEnabled(false);
  EXPECT_TRUE(host.NavigateAndWait("file:///basic.html").Success);
  EXPECT_EQ(host.Execute("[window.appLoaded === undefined, window.earlyScript]").second,
            R"([true,"after-shim"])");
  host.View().Settings().PutIsScriptEnabled(true);
}

TEST(EngineWebView, LargeBodiesStreamFromTheHost) {
  REQUIRE_HOST();
  TEngineHost& host = Host();
  const std::string content = PatternBytes(3 * 1024 * 1024 + 5);
  for (bool lengthKnown : {true, false}) {
    auto stats = std::make_shared<TReadStats>();
    host.AddResource("big.bin", "application/octet-stream",
                     [&] { return std::make_unique<TTextBody>(content, lengthKnown, stats); });
    host.AddResource("big.html", "text/html", R"(<!doctype html><script>
fetch('big.bin').then((r) => r.arrayBuffer()).then((b) => {
  const bytes = new Uint8Array(b);
  let sum = 0;
  for (const x of bytes) sum = (sum * 31 + x) % 1000000007;
  chrome.webview.postMessage({ kind: 'big', size: bytes.length, sum });
});</script>)");
    EXPECT_TRUE(host.NavigateAndWait("file:///big.html").Success);
    TMessage message = host.WaitForMessage("big");
    EXPECT_EQ(message.Data.value("size", 0u), content.size()) << lengthKnown;
    EXPECT_EQ(message.Data.value("sum", 0ull), Checksum(content)) << lengthKnown;
    EXPECT_GT(stats->Reads.load(), 4u) << lengthKnown;
    EXPECT_LT(stats->LargestRequest.load(), content.size() / 4) << lengthKnown;
    EXPECT_TRUE(RunUntil([&] { return stats->Destroyed.load(); })) << lengthKnown;
  }
}

TEST(EngineWebView, AbsoluteFileAddressesInPagesReachTheHost) {
  REQUIRE_HOST();
  TEngineHost& host = Host();
  host.AddResource("absolute.html", "text/html", R"(<!doctype html><script>
(async () => {
  const data = await (await fetch('file:///data.json?abs=1')).json();
  const image = new Image();
  image.src = 'file:///picture.svg';
  await image.decode();
  chrome.webview.postMessage({ kind: 'absolute', answer: data.answer, width: image.naturalWidth });
})().catch((e) => chrome.webview.postMessage({ kind: 'absolute', error: String(e) }));
</script>)");
  host.Requested.clear();
  EXPECT_TRUE(host.NavigateAndWait("file:///absolute.html").Success);
  TMessage message = host.WaitForMessage("absolute");
  EXPECT_EQ(message.Data.value("answer", 0), 7) << message.Json;
  EXPECT_EQ(message.Data.value("width", 0), 3) << message.Json;
  EXPECT_TRUE(Contains(host.Requested, "file:///data.json?abs=1"));
  EXPECT_TRUE(Contains(host.Requested, "file:///picture.svg"));
}

TEST(EngineWebView, PermissionRequestsReachTheHost) {
  REQUIRE_HOST();
  TEngineHost& host = Host();
  EXPECT_TRUE(host.NavigateAndWait("file:///basic.html").Success);
  host.Permissions.clear();
  host.PermissionAnswer = TPermissionState::Deny;
  host.Execute(
      "navigator.geolocation.getCurrentPosition(() => chrome.webview.postMessage({ kind: 'geo', "
      "code: 0 }),"
      "(e) => chrome.webview.postMessage({ kind: 'geo', code: e.code }));");
  TMessage message = host.WaitForMessage("geo");
  EXPECT_EQ(message.Data.value("code", -1), 1);  // PERMISSION_DENIED
  EXPECT_EQ(host.Permissions, std::vector<TPermissionKind>{TPermissionKind::Geolocation});
}

// --- media ---

struct TMedia {
  std::string Video;  // WebM, 3 s
  std::string Audio;  // Ogg Vorbis
};

// Clips made once with GStreamer's tools; nullptr when they cannot be made.
const TMedia* Media() {
  static std::optional<TMedia> media = []() -> std::optional<TMedia> {
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("zel-media-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::filesystem::path videoPath = folder / "clip.webm", audioPath = folder / "tone.ogg";
    std::string command =
        "gst-launch-1.0 -q videotestsrc num-buffers=90 ! "
        "video/x-raw,width=160,height=120,framerate=30/1 ! vp8enc deadline=1 ! webmmux ! "
        "filesink location=" +
        videoPath.string() +
        " >/dev/null 2>&1 && "
        "gst-launch-1.0 -q audiotestsrc num-buffers=100 ! audioconvert ! vorbisenc ! oggmux ! "
        "filesink location=" +
        audioPath.string() + " >/dev/null 2>&1";
    bool made = std::system(command.c_str()) == 0;
    auto read = [](const std::filesystem::path& path) {
      std::ifstream in(path, std::ios::binary);
      return std::string(std::istreambuf_iterator<char>(in), {});
    };
    TMedia clips{made ? read(videoPath) : "", made ? read(audioPath) : ""};
    std::filesystem::remove_all(folder);
    if (clips.Video.empty() || clips.Audio.empty()) return std::nullopt;
    return clips;
  }();
  return media ? &*media : nullptr;
}

TEST(EngineWebView, MediaPlaysAndSeeksThroughTheLoopbackServer) {
  REQUIRE_HOST();
  if (!Media()) GTEST_SKIP() << "gst-launch-1.0 could not make a WebM/Ogg clip: media not tested";
  const std::string& video = Media()->Video;
  const std::string& audio = Media()->Audio;

  TEngineHost& host = Host();
  host.AddResource("clip.webm", "video/webm", video);
  host.AddResource("tone.ogg", "audio/ogg", audio);
  host.AddResource("media.html", "text/html", R"(<!doctype html><body>
<video id="v" src="clip.webm" muted preload="auto"></video>
<video id="w" muted preload="auto"><source src="clip.webm?source" type="video/webm"></video>
<script>
const w = document.getElementById('w');
w.addEventListener('loadedmetadata', () => chrome.webview.postMessage({ kind: 'source',
  src: w.currentSrc }), { once: true });
const v = document.getElementById('v');
v.addEventListener('error', () => chrome.webview.postMessage({ kind: 'metadata', error: v.error && v.error.code }));
v.addEventListener('loadedmetadata', () => chrome.webview.postMessage({ kind: 'metadata',
  duration: v.duration, src: v.currentSrc }), { once: true });
</script></body>)");
  host.Requested.clear();
  EXPECT_TRUE(host.NavigateAndWait("file:///media.html").Success);
  TMessage metadata = host.WaitForMessage("metadata");
  ASSERT_FALSE(metadata.Data.contains("error")) << metadata.Json;
  EXPECT_NEAR(metadata.Data.value("duration", 0.0), 3.0, 0.2) << metadata.Json;
  std::string src = metadata.Data.value("src", "");
  EXPECT_EQ(src.rfind("http://127.0.0.1:", 0), 0u) << src;
  EXPECT_TRUE(Contains(host.Requested, "file:///clip.webm"));
  std::string sourceSrc = host.WaitForMessage("source").Data.value("src", "");
  EXPECT_EQ(sourceSrc.rfind("http://127.0.0.1:", 0), 0u) << sourceSrc;
  EXPECT_TRUE(Contains(host.Requested, "file:///clip.webm?source"));

  host.Execute(R"(v.addEventListener('seeked', () => chrome.webview.postMessage({ kind: 'seeked',
    time: v.currentTime }), { once: true }); v.currentTime = 2;)");
  EXPECT_NEAR(host.WaitForMessage("seeked").Data.value("time", 0.0), 2.0, 0.1);

  host.Execute(R"(v.currentTime = 0; v.play().then(() => {
    const check = () => v.currentTime > 0.3 ? chrome.webview.postMessage({ kind: 'played', time: v.currentTime })
                                            : setTimeout(check, 20);
    check(); }, (e) => chrome.webview.postMessage({ kind: 'played', error: String(e) }));)");
  TMessage played = host.WaitForMessage("played");
  EXPECT_GT(played.Data.value("time", 0.0), 0.3) << played.Json;

  // Elements made or changed by script are pointed at the server too.
  EXPECT_EQ(host.Execute(R"((() => {
    const a = document.createElement('video'); a.src = 'clip.webm';
    const b = document.createElement('audio'); b.setAttribute('src', 'tone.ogg?x=1');
    const c = new Audio('tone.ogg');
    const s = document.createElement('source'); s.src = 'file:///clip.webm';
    const i = document.createElement('img'); i.src = 'picture.svg';
    document.body.insertAdjacentHTML('beforeend', '<audio id="late" src="tone.ogg"></audio>');
    return [a.src, b.getAttribute('src'), c.src, s.src, i.src].map((u) => u.startsWith('http://127.0.0.1:'));
  })())")
                .second,
            "[true,true,true,true,false]");
  EXPECT_EQ(
      host.Execute(
              "document.getElementById('late').getAttribute('src').startsWith('http://127.0.0.1:')")
          .second,
      "true");
  host.Execute(R"(window.sound = new Audio('tone.ogg');
    sound.addEventListener('error', () => chrome.webview.postMessage({ kind: 'audio', error: sound.error.code }));
    sound.play().then(() => chrome.webview.postMessage({ kind: 'audio', ok: true }),
      (e) => chrome.webview.postMessage({ kind: 'audio', error: String(e) }));)");
  TMessage sound = host.WaitForMessage("audio");
  EXPECT_EQ(sound.Data.value("ok", false), true) << sound.Json;

  // The server answers the token only, and answers ranges.
  std::size_t tokenEnd = src.find('/', std::strlen("http://127.0.0.1:"));
  std::string origin = src.substr(0, tokenEnd);
  EXPECT_EQ(Fetch(origin + "/clip.webm").Status, 404u);
  THttpResult part = Fetch(src, "GET", "bytes=100-199");
  EXPECT_EQ(part.Status, 206u);
  EXPECT_EQ(part.Body, video.substr(100, 100));
}

// The browser arguments make the difference: a second environment without them.
TEST(EngineWebView, BrowserArgumentsMapToWebKitSettings) {
  REQUIRE_HOST();
  const char* variable = "WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS";
  std::string arguments = std::getenv(variable) ? std::getenv(variable) : "";
  unsetenv(variable);
  TEngineHost plain(ZEL_ENGINE_PATH);
  setenv(variable, arguments.c_str(), 1);
  ASSERT_TRUE(plain.Ready()) << plain.Failure();
  const char* page = R"(<!doctype html><body><script>
fetch('file:///data.json').then(() => true, () => false).then((ok) =>
  chrome.webview.postMessage({ kind: 'absolute', ok }));
if (location.search === '?media') {
  const a = document.createElement('audio');
  a.autoplay = true;
  a.addEventListener('canplaythrough', () => chrome.webview.postMessage({ kind: 'autoplay',
    paused: a.paused }), { once: true });
  a.src = 'tone.ogg';
  document.body.append(a);
}
</script></body>)";
  struct TCase {
    TEngineHost* Host;
    bool Flags;
  } cases[] = {{&Host(), true}, {&plain, false}};
  for (const TCase& c : cases) {
    c.Host->AddResource("arguments.html", "text/html", page);
    c.Host->AddResource("data.json", "application/json", "{}");
    if (Media()) c.Host->AddResource("tone.ogg", "audio/ogg", Media()->Audio);
    EXPECT_TRUE(
        c.Host->NavigateAndWait(Media() ? "file:///arguments.html?media" : "file:///arguments.html")
            .Success);
    // --disable-web-security lets pages reach absolute file:/// addresses.
    EXPECT_EQ(c.Host->WaitForMessage("absolute").Data.value("ok", !c.Flags), c.Flags) << c.Flags;
    // --autoplay-policy=no-user-gesture-required lets sound start by itself.
    if (Media()) {
      EXPECT_EQ(c.Host->WaitForMessage("autoplay").Data.value("paused", c.Flags), !c.Flags)
          << c.Flags;
    }
  }
  Host().AddResource("data.json", "application/json", R"({"answer": 7, "text": "ß✓"})");
  if (!Media()) GTEST_SKIP() << "gst-launch-1.0 could not make an Ogg clip: autoplay not tested";
}

TEST(EngineWebView, HistoryMovesBackAndForward) {
  REQUIRE_HOST();
  TEngineHost& host = Host();
  EXPECT_TRUE(host.NavigateAndWait("file:///basic.html").Success);
  int changes = host.HistoryChanges;
  EXPECT_TRUE(host.NavigateAndWait("file:///blank%20page.html").Success);
  EXPECT_GT(host.HistoryChanges, changes);
  bool can = false;
  host.View().GetCanGoBack(can);
  EXPECT_TRUE(can);
  std::size_t completed = host.Completed.size();
  host.Starting.clear();
  EXPECT_EQ(host.View().GoBack(), S_OK);
  EXPECT_TRUE(RunUntil([&] { return host.Completed.size() > completed; }));
  EXPECT_EQ(host.Starting, std::vector<std::string>{"file:///basic.html"});
  std::string source;
  host.View().GetSource(source);
  EXPECT_EQ(source, "file:///basic.html");
  host.View().GetCanGoForward(can);
  EXPECT_TRUE(can);
  completed = host.Completed.size();
  EXPECT_EQ(host.View().GoForward(), S_OK);
  EXPECT_TRUE(RunUntil([&] { return host.Completed.size() > completed; }));
  host.View().GetSource(source);
  EXPECT_EQ(source, "file:///blank%20page.html");
}

TEST(EngineWebView, ScriptDialogsCanBeTurnedOff) {
  REQUIRE_HOST();
  TEngineHost& host = Host();
  EXPECT_TRUE(host.NavigateAndWait("file:///basic.html").Success);
  host.View().Settings().PutAreDefaultScriptDialogsEnabled(false);
  // No dialog shows: each call returns at once as if dismissed.
  EXPECT_EQ(host.Execute("[alert('a'), confirm('b'), prompt('c', 'd')]").second,
            "[null,false,null]");
  host.View().Settings().PutAreDefaultScriptDialogsEnabled(true);
}

TEST(EngineWebView, FullScreenAndFocusReachTheHost) {
  REQUIRE_HOST();
  TEngineHost& host = Host();
  EXPECT_TRUE(host.NavigateAndWait("file:///basic.html").Success);
  int changes = host.FullScreenChanges;
  host.Execute(
      "document.documentElement.requestFullscreen().then(() => chrome.webview.postMessage({ kind: "
      "'fullscreen', element: document.fullscreenElement !== null }), (e) => "
      "chrome.webview.postMessage({ kind: 'fullscreen', error: String(e) }));");
  TMessage entered = host.WaitForMessage("fullscreen");
  EXPECT_EQ(entered.Data.value("element", false), true) << entered.Json;
  bool full = false;
  host.View().GetContainsFullScreenElement(full);
  EXPECT_TRUE(full);
  EXPECT_EQ(host.FullScreenChanges, changes + 1);
  host.Execute("document.exitFullscreen()");
  EXPECT_TRUE(RunUntil([&] { return host.FullScreenChanges == changes + 2; }));
  host.View().GetContainsFullScreenElement(full);
  EXPECT_FALSE(full);

  GtkWidget* entry = gtk_entry_new();
  gtk_box_pack_end(GTK_BOX(host.Container()), entry, FALSE, FALSE, 0);
  gtk_widget_show(entry);
  gtk_window_present(GTK_WINDOW(host.Window()));
  gtk_widget_grab_focus(entry);
  RunUntil([&] { return gtk_window_is_active(GTK_WINDOW(host.Window())); }, 5);
  int got = host.GotFocusCount, lost = host.LostFocusCount;
  EXPECT_EQ(host.Controller().MoveFocus(), S_OK);
  EXPECT_TRUE(RunUntil([&] { return host.GotFocusCount > got; }));
  gtk_widget_grab_focus(entry);
  EXPECT_TRUE(RunUntil([&] { return host.LostFocusCount > lost; }));
  gtk_widget_destroy(entry);
}

// --- persistence, across two processes ---

std::string GProgram;

TEST(EngineWebView, WebsiteDataPersistsAcrossStarts) {
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("zel-data-" + std::to_string(getpid()));
  std::filesystem::remove_all(folder);
  for (const char* phase : {"write", "read"}) {
    std::string command = GProgram + " --persistence=" + phase + " --data=" + folder.string();
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) output += buffer;
    int status = pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << phase << ": " << output;
    nlohmann::json result = nlohmann::json::parse(output, nullptr, false);
    EXPECT_EQ(result.value("local", ""), "v") << phase << ": " << output;
    EXPECT_EQ(result.value("idb", ""), "v") << phase << ": " << output;
  }
  EXPECT_TRUE(std::filesystem::exists(folder / "WebKitGTK"));
  std::filesystem::remove_all(folder);
}

int RunPersistenceChild(const std::string& phase, const std::string& folder) {
  setenv("WEBVIEW2_USER_DATA_FOLDER", folder.c_str(), 1);
  unsetenv("WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS");
  nlohmann::json result;
  {
    TEngineHost host(ZEL_ENGINE_PATH);
    if (!host.Ready()) {
      std::printf("{\"error\": \"%s\"}\n", host.Failure().c_str());
      return 2;
    }
    host.AddResource("store.html", "text/html", StorePage);
    host.NavigateAndWait(phase == "write" ? "file:///store.html?write" : "file:///store.html");
    result = host.WaitForMessage("stored").Data;
  }
  std::printf("%s\n", result.dump().c_str());
  return result.value("local", "") == "v" ? 0 : 1;
}

// Whether the inspector of a WebKit web view shows, asked of the WebKit the
// engine library loaded (the test itself does not link WebKit).
bool InspectorShown(GtkWidget* view) {
  void* webkit = dlopen("libwebkit2gtk-4.1.so.0", RTLD_NOW | RTLD_NOLOAD);
  if (!webkit) return false;
  auto getInspector =
      reinterpret_cast<void* (*)(GtkWidget*)>(dlsym(webkit, "webkit_web_view_get_inspector"));
  auto getView =
      reinterpret_cast<void* (*)(void*)>(dlsym(webkit, "webkit_web_inspector_get_web_view"));
  bool shown = getInspector && getView && getView(getInspector(view)) != nullptr;
  dlclose(webkit);
  return shown;
}

gboolean CountMenu(GtkWidget*, gpointer, GdkEvent*, gpointer, gpointer counter) {
  ++*static_cast<int*>(counter);
  return TRUE;  // no real menu during the test
}

TEST(EngineWebView, ContextMenusAndDevToolsFollowTheSettings) {
  REQUIRE_HOST();
  TEngineHost& host = Host();
  EXPECT_TRUE(host.NavigateAndWait("file:///basic.html").Success);
  GtkWidget* widget = host.EngineWidget();
  ASSERT_NE(widget, nullptr);

  // Dev tools open only while enabled, and close when turned off.
  for (bool enabled : {false, true}) {
    host.View().Settings().PutAreDevToolsEnabled(enabled);
    EXPECT_EQ(host.View().OpenDevToolsWindow(), S_OK);
    EXPECT_EQ(InspectorShown(widget), enabled) << enabled;
  }
  host.View().Settings().PutAreDevToolsEnabled(false);
  EXPECT_TRUE(RunUntil([&] { return !InspectorShown(widget); }));

  if (!HaveXdotool()) GTEST_SKIP() << "xdotool missing: right-click not tested";
  // Our handler runs after the engine's: it sees the menu only when the engine lets it through.
  int menus = 0;
  gulong handler = g_signal_connect(widget, "context-menu", G_CALLBACK(CountMenu), &menus);
  host.Execute(
      "addEventListener('keydown', (e) => { if (e.key === 'a') chrome.webview.postMessage({ kind: "
      "'key' }); });");
  host.Messages.clear();
  gtk_window_present(GTK_WINDOW(host.Window()));
  host.Controller().MoveFocus();
  int x = 0, y = 0;
  gdk_window_get_origin(gtk_widget_get_window(widget), &x, &y);
  std::string click = "xdotool mousemove " + std::to_string(x + 50) + " " + std::to_string(y + 50) +
                      " click 3 key a";
  for (bool enabled : {false, true}) {
    host.View().Settings().PutAreDefaultContextMenusEnabled(enabled);
    menus = 0;
    EXPECT_EQ(std::system(click.c_str()), 0);
    EXPECT_FALSE(host.WaitForMessage("key").Json.empty());  // the click was handled before the key
    // The menu signal comes over another path than the page's message: wait
    // for it, or give a refused one the same time to show up.
    if (enabled) {
      EXPECT_TRUE(RunUntil([&] { return menus > 0; }, 10)) << "no menu while enabled";
    } else {
      const gint64 until = g_get_monotonic_time() + 500 * 1000;
      RunUntil([&] { return g_get_monotonic_time() >= until; });
    }
    EXPECT_EQ(menus, enabled ? 1 : 0) << enabled;
  }
  g_signal_handler_disconnect(widget, handler);
}

// WebKitGTK has no key for the developer tools: F12 and Ctrl+Shift+I open
// them while enabled; otherwise, and with other modifiers, the keys go to
// the page.
TEST(EngineWebView, DevToolsKeysOpenThemWhileEnabled) {
  REQUIRE_HOST();
  TEngineHost& host = Host();
  EXPECT_TRUE(host.NavigateAndWait("file:///basic.html").Success);
  GtkWidget* widget = host.EngineWidget();
  ASSERT_NE(widget, nullptr);
  struct TKeyCase {
    guint Keyval, State;
    bool Opens;
  } keys[] = {
      {GDK_KEY_F12, 0, true},
      {GDK_KEY_I, GDK_CONTROL_MASK | GDK_SHIFT_MASK, true},
      {GDK_KEY_i, GDK_CONTROL_MASK | GDK_SHIFT_MASK, true},
      {GDK_KEY_F12, GDK_CONTROL_MASK, false},
      {GDK_KEY_i, GDK_CONTROL_MASK, false},
      {GDK_KEY_I, GDK_CONTROL_MASK | GDK_SHIFT_MASK | GDK_MOD1_MASK, false},
  };
  for (const TKeyCase& k : keys) {
    for (bool enabled : {false, true}) {
      SCOPED_TRACE(std::string(gdk_keyval_name(k.Keyval)) + " state " + std::to_string(k.State) +
                   (enabled ? " enabled" : " disabled"));
      host.View().Settings().PutAreDevToolsEnabled(enabled);
      const bool handled = Key(widget, k.Keyval, k.State);
      const bool opens = enabled && k.Opens;
      if (opens) {
        EXPECT_TRUE(handled);
      }
      EXPECT_EQ(InspectorShown(widget), opens);
      host.View().Settings().PutAreDevToolsEnabled(false);
      EXPECT_TRUE(RunUntil([&] { return !InspectorShown(widget); }));
    }
  }
}


TEST(EngineWebView, NavigationStartingCanCancel) {
  REQUIRE_HOST();
  TEngineHost& host = Host();
  struct TCanceler : IWebViewEvents {
    IWebViewEvents* Next;
    std::vector<TCompletion> Completed;
    void NavigationStarting(INavigationStartingArgs& args) override {
      if (args.Uri() == "file:///frame.html?cancel") args.SetCancel(true);
      Next->NavigationStarting(args);
    }
    void NavigationCompleted(bool success, int status) override {
      Completed.push_back({success, status});
    }
    void WebResourceRequested(IWebResourceRequestedArgs& args) override {
      Next->WebResourceRequested(args);
    }
  } canceler;
  canceler.Next = &host;
  host.View().SetEventSink(&canceler);
  host.View().Navigate("file:///frame.html?cancel");
  EXPECT_TRUE(RunUntil([&] { return !canceler.Completed.empty(); }));
  host.View().Navigate("file:///basic.html");
  EXPECT_TRUE(RunUntil([&] { return canceler.Completed.size() == 2; }));
  host.View().SetEventSink(&host);
  ASSERT_EQ(canceler.Completed.size(), 2u);
  EXPECT_FALSE(canceler.Completed[0].Success);
  EXPECT_EQ(canceler.Completed[0].Status, 14);  // operation canceled
  EXPECT_TRUE(canceler.Completed[1].Success);
}

// The engine's processes started by this test program.
std::vector<pid_t> ChildProcesses(const std::string& name) {
  std::vector<pid_t> found;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    std::size_t open = line.find('('), close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos) continue;
    std::string comm = line.substr(open + 1, close - open - 1);
    int parent = 0;
    char state = 0;
    std::sscanf(line.c_str() + close + 1, " %c %d", &state, &parent);
    if (parent == getpid() && name.rfind(comm, 0) == 0 && state != 'Z')
      found.push_back(std::stoi(entry.path().filename()));
  }
  return found;
}

TEST(EngineWebView, WebProcessFailureIsReported) {
  REQUIRE_HOST();
  TEngineHost& host = Host();
  EXPECT_TRUE(host.NavigateAndWait("file:///basic.html").Success);
  // Ended through WebKit's own call: killing a process from outside can hit
  // one that WebKit is still launching, which makes WebKit abort the program.
  void* webkit = dlopen("libwebkit2gtk-4.1.so.0", RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(webkit, nullptr);
  auto terminate = reinterpret_cast<void (*)(GtkWidget*)>(
      dlsym(webkit, "webkit_web_view_terminate_web_process"));
  ASSERT_NE(terminate, nullptr);
  host.Failures.clear();
  terminate(host.EngineWidget());
  dlclose(webkit);
  EXPECT_TRUE(RunUntil([&] { return !host.Failures.empty(); }));
  EXPECT_EQ(host.Failures,
            std::vector<TProcessFailedKind>{TProcessFailedKind::RenderProcessExited});
  // A new navigation starts a new process.
  EXPECT_TRUE(host.NavigateAndWait("file:///basic.html").Success);
}

TEST(EngineWebView, CloseRemovesTheViewAndRefusesCalls) {
  REQUIRE_HOST();
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWidget* overlay = gtk_overlay_new();
  gtk_container_add(GTK_CONTAINER(window), overlay);
  gtk_widget_show_all(window);
  std::unique_ptr<IWebViewController> controller;
  bool done = false;
  ASSERT_EQ(
      Host().Environment().CreateController(overlay,
                                            [&](HRESULT hr, std::unique_ptr<IWebViewController> c) {
                                              EXPECT_EQ(hr, S_OK);
                                              controller = std::move(c);
                                              done = true;
                                            }),
      S_OK);
  EXPECT_FALSE(done);
  ASSERT_TRUE(RunUntil([&] { return done; }));
  ASSERT_NE(controller, nullptr);
  GList* children = gtk_container_get_children(GTK_CONTAINER(overlay));
  EXPECT_EQ(g_list_length(children), 1u);
  g_list_free(children);

  // window.close() in the first document of a view asks the host.
  struct TCloseRecorder : IWebViewEvents {
    int CloseRequests = 0;
    std::vector<TCompletion> Completed;
    void NavigationCompleted(bool success, int status) override {
      Completed.push_back({success, status});
    }
    void WindowCloseRequested() override { ++CloseRequests; }
  } recorder;
  controller->WebView().SetEventSink(&recorder);
  controller->WebView().NavigateToString("<!doctype html><title>x</title>");
  EXPECT_TRUE(RunUntil([&] { return !recorder.Completed.empty(); }));
  controller->WebView().ExecuteScript("window.close()", nullptr);
  EXPECT_TRUE(RunUntil([&] { return recorder.CloseRequests == 1; }));

  bool scriptCompleted = false;
  controller->WebView().ExecuteScript("1",
                                      [&](HRESULT, const std::string&) { scriptCompleted = true; });
  EXPECT_EQ(controller->Close(), S_OK);
  children = gtk_container_get_children(GTK_CONTAINER(overlay));
  EXPECT_EQ(g_list_length(children), 0u);
  g_list_free(children);
  std::string source;
  EXPECT_EQ(controller->WebView().Navigate("file:///basic.html"), E_FAIL);
  EXPECT_EQ(controller->WebView().GetSource(source), E_FAIL);
  EXPECT_EQ(controller->PutZoomFactor(1.0), E_FAIL);
  RunUntil([] { return !g_main_context_pending(nullptr); }, 5);
  EXPECT_FALSE(scriptCompleted);
  controller.reset();
  gtk_widget_destroy(window);

  // A parent that is not a container is refused.
  GtkWidget* label = gtk_label_new("x");
  g_object_ref_sink(label);
  EXPECT_EQ(Host().Environment().CreateController(
                label, [](HRESULT, std::unique_ptr<IWebViewController>) {}),
            E_INVALIDARG);
  g_object_unref(label);
}

// --- display ---

pid_t GDisplayServer = 0;

// Starts an X server of our own and points DISPLAY at it.
bool StartDisplay() {
  int fds[2];
  if (pipe(fds) != 0) return false;
  GDisplayServer = fork();
  if (GDisplayServer == 0) {
    close(fds[0]);
    std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten",
           "tcp", "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  // The server writes the number and then a line end, perhaps separately.
  std::string number;
  char c;
  while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  if (number.empty()) return false;
  std::string display = ":" + number;
  setenv("DISPLAY", display.c_str(), 1);
  return true;
}

void StopDisplay() {
  if (GDisplayServer > 0) {
    kill(GDisplayServer, SIGTERM);
    waitpid(GDisplayServer, nullptr, 0);
  }
}

}  // namespace
}  // namespace zel::test

int main(int argc, char** argv) {
  using namespace zel::test;
  GProgram = argv[0];
  setenv("NO_AT_BRIDGE", "1", 1);
  setenv("WEBKIT_DISABLE_DMABUF_RENDERER", "1", 1);
  setenv("GDK_BACKEND", "x11", 1);
  std::string phase, folder;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--persistence=", 14) == 0) phase = argv[i] + 14;
    if (std::strncmp(argv[i], "--data=", 7) == 0) folder = argv[i] + 7;
  }
  if (!phase.empty()) {
    gtk_init(nullptr, nullptr);
    return RunPersistenceChild(phase, folder);
  }
  if (!std::getenv("ZEL_ENGINE_TEST_DISPLAY_OWNER")) {
    // This process owns the X server; the tests run in a child that ends
    // before the server does.
    if (!StartDisplay()) {
      std::fprintf(stderr, "Cannot start Xvfb\n");
      return 1;
    }
    setenv("ZEL_ENGINE_TEST_DISPLAY_OWNER", std::to_string(getpid()).c_str(), 1);
    pid_t child = fork();
    if (child == 0) {
      execv("/proc/self/exe", argv);
      _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    StopDisplay();
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
  }
  gtk_init(&argc, &argv);
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new TSuite);
  int result = RUN_ALL_TESTS();
  // The engine's processes end once the host is gone; let them go before the display.
  RunUntil(
      [] {
        return ChildProcesses("WebKitWebProcess").empty() &&
               ChildProcesses("WebKitNetworkProcess").empty();
      },
      10);
  return result;
}
