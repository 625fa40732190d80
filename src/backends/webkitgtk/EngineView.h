#pragma once
// One web view over a WebKitWebView: the controller (placement, zoom, focus),
// the web view (navigation, scripts, messages, resource requests) and its
// settings, with the engine's signals turned into the runtime's events.
#include <webkit2/webkit2.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "backends/webkitgtk/EngineEnvironment.h"
#include "platform/WebEngine.h"

namespace zel {

class TEngineView final : public IWebViewController, public IWebView, public IWebViewSettings {
 public:
  // Creates the web view and adds it to `parent`, a GtkContainer.
  static std::unique_ptr<TEngineView> Create(std::shared_ptr<TEngineEnvironment> environment,
                                             GtkWidget* parent);
  ~TEngineView() override;
  TEngineView(const TEngineView&) = delete;
  TEngineView& operator=(const TEngineView&) = delete;

  // The view that owns a WebKit web view, or nullptr.
  static TEngineView* FromWebView(WebKitWebView* view);
  // Answers a request of the engine's scheme through WebResourceRequested.
  void HandleSchemeRequest(WebKitURISchemeRequest* request);
  // A download of this view: saved where the user chooses while the
  // application's page is on top; refused for web content.
  void StartDownload(WebKitDownload* download);

  // IWebViewController
  IWebView& WebView() override { return *this; }
  HRESULT PutBounds(const TBounds& bounds) override;
  HRESULT PutIsVisible(bool visible) override;
  HRESULT GetZoomFactor(double& value) override;
  HRESULT PutZoomFactor(double value) override;
  HRESULT MoveFocus() override;
  HRESULT Close() override;

  // IWebView
  void SetEventSink(IWebViewEvents* events) override { FEvents = events; }
  IWebViewSettings& Settings() override { return *this; }
  HRESULT Navigate(const std::string& uri) override;
  HRESULT NavigateToString(const std::string& html) override;
  HRESULT ExecuteScript(const std::string& script,
                        std::function<void(HRESULT, const std::string&)> completed) override;
  HRESULT AddScriptToExecuteOnDocumentCreated(const std::string& script) override;
  HRESULT PostWebMessageAsJson(const std::string& json) override;
  HRESULT AddWebResourceRequestedFilter(const std::string& pattern, int resourceContext) override;
  HRESULT RemoveWebResourceRequestedFilter(const std::string& pattern,
                                           int resourceContext) override;
  HRESULT GoBack() override;
  HRESULT GoForward() override;
  HRESULT Reload() override;
  HRESULT Stop() override;
  HRESULT GetCanGoBack(bool& value) override;
  HRESULT GetCanGoForward(bool& value) override;
  HRESULT GetDocumentTitle(std::string& value) override;
  HRESULT GetSource(std::string& value) override;
  HRESULT GetContainsFullScreenElement(bool& value) override;
  HRESULT GetBrowserProcessId(std::uint32_t& value) override;
  HRESULT OpenDevToolsWindow() override;

  // IWebViewSettings
  HRESULT GetIsScriptEnabled(bool& value) override;
  HRESULT PutIsScriptEnabled(bool value) override;
  HRESULT GetIsWebMessageEnabled(bool& value) override;
  HRESULT PutIsWebMessageEnabled(bool value) override;
  HRESULT GetAreDefaultScriptDialogsEnabled(bool& value) override;
  HRESULT PutAreDefaultScriptDialogsEnabled(bool value) override;
  HRESULT GetIsStatusBarEnabled(bool& value) override;
  HRESULT PutIsStatusBarEnabled(bool value) override;
  HRESULT GetAreDevToolsEnabled(bool& value) override;
  HRESULT PutAreDevToolsEnabled(bool value) override;
  HRESULT GetAreDefaultContextMenusEnabled(bool& value) override;
  HRESULT PutAreDefaultContextMenusEnabled(bool value) override;
  HRESULT GetIsZoomControlEnabled(bool& value) override;
  HRESULT PutIsZoomControlEnabled(bool value) override;
  HRESULT GetIsBuiltInErrorPageEnabled(bool& value) override;
  HRESULT PutIsBuiltInErrorPageEnabled(bool value) override;

 private:
  explicit TEngineView(std::shared_ptr<TEngineEnvironment> environment);
  void Build(GtkWidget* parent);
  void ConnectSignals();
  // Disconnects from the engine and lets go of the widgets; `destroyWidgets`
  // is false when GTK is already destroying them.
  void Detach(bool destroyWidgets);
  std::optional<TWebResourceResponse> RequestResource(const std::string& fileUri);
  // Whether the top document is the application's (of the engine's scheme),
  // or about to be: only then are its files served.
  bool ShowsApplicationDocument() const;
  // Calls `raise` with the event sink; false when the view was closed or
  // destroyed by the handler.
  template <class F>
  bool Raise(F&& raise);
  void StepZoom(int direction);

  // Signal handlers.
  static void HostDestroyed(GtkWidget* host, TEngineView* self);
  static void LoadChanged(WebKitWebView* view, WebKitLoadEvent event, TEngineView* self);
  static gboolean LoadFailed(WebKitWebView* view, WebKitLoadEvent event, const char* uri,
                             GError* error, TEngineView* self);
  static void UriChanged(GObject* view, GParamSpec* spec, TEngineView* self);
  static void TitleChanged(GObject* view, GParamSpec* spec, TEngineView* self);
  static void ZoomChanged(GObject* view, GParamSpec* spec, TEngineView* self);
  static void ResponsiveChanged(GObject* view, GParamSpec* spec, TEngineView* self);
  static void HistoryChangedSignal(WebKitBackForwardList* list, WebKitBackForwardListItem* added,
                                   gpointer removed, TEngineView* self);
  static GtkWidget* CreateWindow(WebKitWebView* view, WebKitNavigationAction* action,
                                 TEngineView* self);
  static gboolean DecidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision,
                               WebKitPolicyDecisionType type, TEngineView* self);
  static gboolean PermissionRequest(WebKitWebView* view, WebKitPermissionRequest* request,
                                    TEngineView* self);
  static void ProcessTerminated(WebKitWebView* view, WebKitWebProcessTerminationReason reason,
                                TEngineView* self);
  static gboolean UserMessage(WebKitWebView* view, WebKitUserMessage* message, TEngineView* self);
  static gboolean ContextMenu(WebKitWebView* view, WebKitContextMenu* menu, GdkEvent* event,
                              WebKitHitTestResult* hit, TEngineView* self);
  static gboolean ScriptDialog(WebKitWebView* view, WebKitScriptDialog* dialog, TEngineView* self);
  static gboolean EnterFullScreen(WebKitWebView* view, TEngineView* self);
  static gboolean LeaveFullScreen(WebKitWebView* view, TEngineView* self);
  static void CloseRequested(WebKitWebView* view, TEngineView* self);
  static gboolean FocusIn(GtkWidget* widget, GdkEvent* event, TEngineView* self);
  static gboolean FocusOut(GtkWidget* widget, GdkEvent* event, TEngineView* self);
  static gboolean Scroll(GtkWidget* widget, GdkEventScroll* event, TEngineView* self);
  static gboolean KeyPress(GtkWidget* widget, GdkEventKey* event, TEngineView* self);

  std::shared_ptr<TEngineEnvironment> FEnvironment;
  // Expires when the object is destroyed; pending callbacks check it.
  std::shared_ptr<int> FAlive = std::make_shared<int>(0);
  IWebViewEvents* FEvents = nullptr;
  GtkWidget* FHost = nullptr;
  WebKitWebView* FView = nullptr;
  WebKitSettings* FWebSettings = nullptr;
  WebKitUserContentManager* FContentManager = nullptr;
  GCancellable* FCancellable = nullptr;
  std::string FMediaToken;
  std::vector<std::pair<std::string, int>> FFilters;

  // Navigation state: one NavigationStarting and one NavigationCompleted per load.
  std::uint64_t FNavigationId = 0;
  bool FLoading = false;
  bool FLoadFailed = false;
  int FWebErrorStatus = 0;
  bool FErrorPagePending = false;
  // The address of the last Navigate until its load starts: while the engine
  // replaces an error page, its current address lags behind.
  std::optional<std::string> FRequestedUri;
  // The engine address the runtime asked to load last, until its navigation
  // is decided: web content may not navigate to the engine's scheme itself.
  std::optional<std::string> FHostNavigation;
  // The engine address of the top document as last committed.
  std::string FCommittedUri;
  bool FInErrorPage = false;
  std::string FLastSource;
  bool FFullScreen = false;
  double FScrollZoom = 0;

  // Settings kept here where WebKit has no direct counterpart.
  bool FIsWebMessageEnabled = true;
  bool FAreDefaultScriptDialogsEnabled = true;
  bool FIsStatusBarEnabled = true;
  bool FAreDefaultContextMenusEnabled = true;
  bool FIsZoomControlEnabled = true;
  bool FIsBuiltInErrorPageEnabled = true;
};

}  // namespace zel
