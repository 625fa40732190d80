#include "backends/webkitgtk/EngineView.h"

#include <fcntl.h>
#include <gio/gunixfdlist.h>
#include <strings.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string_view>
#include <utility>

#include "backends/webkitgtk/BodyStream.h"
#include "backends/webkitgtk/UriMapping.h"
#include "backends/webkitgtk/ViewHost.h"

namespace zel::resources {
extern const std::string_view EngineMediaJs;
}

namespace zel {

namespace {

constexpr const char* ViewKey = "zel-engine-view";
// Messages exchanged with the web process extension.
constexpr const char* WebMessageName = "zel-web-message";
constexpr const char* PostMessageName = "zel-post-message";
constexpr const char* MediaBasePlaceholder = "__ZEL_MEDIA_BASE__";

// The zoom steps of Ctrl+wheel and Ctrl+plus/minus.
constexpr double ZoomSteps[] = {0.25, 0.33, 0.5,  0.67, 0.75, 0.8, 0.9, 1.0, 1.1,
                                1.25, 1.5,  1.75, 2.0,  2.5,  3.0, 4.0, 5.0};

class TResourceArgs : public IWebResourceRequestedArgs {
 public:
  explicit TResourceArgs(std::string uri) : FUri(std::move(uri)) {}
  std::string Uri() const override { return FUri; }
  void SetResponse(TWebResourceResponse response) override { FResponse = std::move(response); }
  std::optional<TWebResourceResponse>& Response() { return FResponse; }

 private:
  std::string FUri;
  std::optional<TWebResourceResponse> FResponse;
};

class TWebMessageArgs : public IWebMessageReceivedArgs {
 public:
  TWebMessageArgs(TSharedText json, std::string source, std::vector<std::string> ancestors,
                  bool current)
      : FJson(std::move(json)),
        FSource(std::move(source)),
        FAncestors(std::move(ancestors)),
        FCurrent(current) {}
  std::string WebMessageAsJson() const override { return std::string(FJson.Text); }
  TSharedText WebMessageAsSharedJson() const override { return FJson; }
  HRESULT TryGetWebMessageAsString(std::string& value) const override {
    // Only a JSON string is a string message: a call object is not parsed here.
    const std::size_t first = FJson.Text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos || FJson.Text[first] != '"') return E_INVALIDARG;
    nlohmann::json parsed = nlohmann::json::parse(FJson.Text, nullptr, false);
    if (!parsed.is_string()) return E_INVALIDARG;
    value = parsed.get<std::string>();
    return S_OK;
  }
  std::string Source() const override { return FSource; }
  std::vector<std::string> AncestorOrigins() const override { return FAncestors; }
  bool IsSenderCurrent() const override { return FCurrent; }

 private:
  TSharedText FJson;
  std::string FSource;
  std::vector<std::string> FAncestors;
  bool FCurrent;
};

// Text inside a message's parameters, kept alive with them.
TSharedText VariantText(GVariant* parameters, const char* text) {
  g_variant_ref(parameters);
  return {std::shared_ptr<const void>(
              parameters, [](const void* held) { g_variant_unref(static_cast<GVariant*>(const_cast<void*>(held))); }),
          text};
}

// The text of a large message, which the extension hands over as a sealed
// memory file: mapped read-only, never copied. None unless the file is
// sealed against writing and shrinking (a mapping of a file that shrinks
// would fault).
std::optional<TSharedText> MappedText(WebKitUserMessage* message, gint32 index) {
  GUnixFDList* files = webkit_user_message_get_fd_list(message);
  if (!files || index < 0 || index >= g_unix_fd_list_get_length(files)) return std::nullopt;
  const int fd = g_unix_fd_list_get(files, index, nullptr);  // a duplicate of our own
  if (fd < 0) return std::nullopt;
  constexpr int Required = F_SEAL_SHRINK | F_SEAL_WRITE;
  const int seals = fcntl(fd, F_GET_SEALS);
  struct stat status {};
  void* map = MAP_FAILED;
  std::size_t size = 0;
  if (seals >= 0 && (seals & Required) == Required && fstat(fd, &status) == 0 &&
      status.st_size > 0) {
    size = static_cast<std::size_t>(status.st_size);
    map = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
  }
  close(fd);
  if (map == MAP_FAILED) return std::nullopt;
  return TSharedText{
      std::shared_ptr<const void>(map, [size](const void* held) { munmap(const_cast<void*>(held), size); }),
      std::string_view(static_cast<const char*>(map), size)};
}

// The extension's JSON array of origins, as the runtime names them. Anything
// else is one opaque origin, which no rule trusts.
std::vector<std::string> ParseAncestorOrigins(const char* json) {
  nlohmann::json parsed = nlohmann::json::parse(json, nullptr, false);
  if (!parsed.is_array()) return {"null"};
  std::vector<std::string> origins;
  for (const auto& item : parsed)
    origins.push_back(item.is_string() ? OriginToSource(item.get<std::string>()) : "null");
  return origins;
}

class TNavigationArgs : public INavigationStartingArgs {
 public:
  TNavigationArgs(std::string uri, std::uint64_t id) : FUri(std::move(uri)), FId(id) {}
  std::string Uri() const override { return FUri; }
  std::uint64_t NavigationId() const override { return FId; }
  void SetCancel(bool cancel) override { FCancel = cancel; }
  bool Cancel() const { return FCancel; }

 private:
  std::string FUri;
  std::uint64_t FId;
  bool FCancel = false;
};

class TNewWindowArgs : public INewWindowRequestedArgs {
 public:
  explicit TNewWindowArgs(std::string uri) : FUri(std::move(uri)) {}
  std::string Uri() const override { return FUri; }
  void SetHandled(bool handled) override { FHandled = handled; }

 private:
  std::string FUri;
  bool FHandled = false;
};

class TPermissionArgs : public IPermissionRequestedArgs {
 public:
  TPermissionArgs(std::string uri, TPermissionKind kind) : FUri(std::move(uri)), FKind(kind) {}
  std::string Uri() const override { return FUri; }
  TPermissionKind Kind() const override { return FKind; }
  void SetState(TPermissionState state) override { FState = state; }
  TPermissionState State() const { return FState; }

 private:
  std::string FUri;
  TPermissionKind FKind;
  TPermissionState FState = TPermissionState::Default;
};

TPermissionKind KindOf(WebKitPermissionRequest* request) {
  if (WEBKIT_IS_GEOLOCATION_PERMISSION_REQUEST(request)) return TPermissionKind::Geolocation;
  if (WEBKIT_IS_USER_MEDIA_PERMISSION_REQUEST(request)) {
    auto* media = WEBKIT_USER_MEDIA_PERMISSION_REQUEST(request);
    return webkit_user_media_permission_is_for_video_device(media) ? TPermissionKind::Camera
                                                                   : TPermissionKind::Microphone;
  }
  if (WEBKIT_IS_NOTIFICATION_PERMISSION_REQUEST(request)) return TPermissionKind::Notifications;
  if (WEBKIT_IS_CLIPBOARD_PERMISSION_REQUEST(request)) return TPermissionKind::Clipboard;
  return TPermissionKind::Other;
}

int WebErrorStatusOf(const GError* error) {
  using namespace webErrorStatus;
  if (error->domain == WEBKIT_NETWORK_ERROR && error->code == WEBKIT_NETWORK_ERROR_CANCELLED)
    return OperationCanceled;
  if (error->domain == G_TLS_ERROR) return CertificateIsInvalid;
  if (error->domain == G_RESOLVER_ERROR) return HostNameNotResolved;
  if (error->domain == G_IO_ERROR) {
    switch (error->code) {
      case G_IO_ERROR_CANCELLED:
        return OperationCanceled;
      case G_IO_ERROR_HOST_NOT_FOUND:
        return HostNameNotResolved;
      case G_IO_ERROR_CONNECTION_REFUSED:
      case G_IO_ERROR_HOST_UNREACHABLE:
      case G_IO_ERROR_NETWORK_UNREACHABLE:
        return CannotConnect;
      case G_IO_ERROR_TIMED_OUT:
        return Timeout;
      case G_IO_ERROR_CONNECTION_CLOSED:  // also G_IO_ERROR_BROKEN_PIPE
        return ConnectionAborted;
      default:
        break;
    }
  }
  return Unknown;
}

// WebKit shows no error page of its own for these.
bool ShowsNoErrorPage(const GError* error) {
  return (error->domain == WEBKIT_NETWORK_ERROR && error->code == WEBKIT_NETWORK_ERROR_CANCELLED) ||
         (error->domain == WEBKIT_POLICY_ERROR &&
          error->code == WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE) ||
         (error->domain == WEBKIT_PLUGIN_ERROR &&
          error->code == WEBKIT_PLUGIN_ERROR_WILL_HANDLE_LOAD);
}

void FinishNotFound(WebKitURISchemeRequest* request) {
  GError* error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "Not found");
  webkit_uri_scheme_request_finish_error(request, error);
  g_error_free(error);
}

// Asks the user where to save a download, in a save dialog over the view's
// window; no answer cancels it.
gboolean DecideDownloadDestination(WebKitDownload* download, const char* suggested, gpointer) {
  WebKitWebView* view = webkit_download_get_web_view(download);
  GtkWidget* toplevel = view ? gtk_widget_get_toplevel(GTK_WIDGET(view)) : nullptr;
  GtkFileChooserNative* dialog =
      gtk_file_chooser_native_new(nullptr, GTK_IS_WINDOW(toplevel) ? GTK_WINDOW(toplevel) : nullptr,
                                  GTK_FILE_CHOOSER_ACTION_SAVE, nullptr, nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
  if (const char* folder = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD))
    gtk_file_chooser_set_current_folder(chooser, folder);
  gtk_file_chooser_set_current_name(chooser, suggested && *suggested ? suggested : "download");
  gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(dialog), TRUE);
  char* uri = gtk_native_dialog_run(GTK_NATIVE_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT
                  ? gtk_file_chooser_get_uri(chooser)
                  : nullptr;
  gtk_native_dialog_destroy(GTK_NATIVE_DIALOG(dialog));
  g_object_unref(dialog);
  if (uri) {
    webkit_download_set_allow_overwrite(download, TRUE);  // the dialog asked
    webkit_download_set_destination(download, uri);
    g_free(uri);
  } else {
    webkit_download_cancel(download);
  }
  return TRUE;
}

std::string CurrentUri(WebKitWebView* view) {
  const char* uri = webkit_web_view_get_uri(view);
  return uri ? EngineToFileUri(uri) : std::string();
}

struct TScriptCall {
  std::weak_ptr<int> Alive;
  std::function<void(HRESULT, const std::string&)> Completed;
};

void ScriptFinished(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<TScriptCall> call(static_cast<TScriptCall*>(data));
  GError* error = nullptr;
  JSCValue* value =
      webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
  HRESULT hr = S_OK;
  std::string json = "null";
  if (value) {
    if (char* text = jsc_value_to_json(value, 0)) {
      json = text;
      g_free(text);
    }
    // A value that cannot become JSON (a cycle) leaves an exception behind.
    jsc_context_clear_exception(jsc_value_get_context(value));
    g_object_unref(value);
  } else if (error && error->domain == WEBKIT_JAVASCRIPT_ERROR &&
             (error->code == WEBKIT_JAVASCRIPT_ERROR_SCRIPT_FAILED ||
              error->code == WEBKIT_JAVASCRIPT_ERROR_INVALID_RESULT)) {
    // An exception, or a value that cannot travel (a function), gives null.
  } else {
    hr = E_FAIL;
  }
  g_clear_error(&error);
  // Completions of a closed view are dropped: their owner may be gone.
  if (call->Alive.expired() || !call->Completed) return;
  try {
    call->Completed(hr, json);
  } catch (...) {
  }
}

}  // namespace

TEngineView::TEngineView(std::shared_ptr<TEngineEnvironment> environment)
    : FEnvironment(std::move(environment)) {}

std::unique_ptr<TEngineView> TEngineView::Create(std::shared_ptr<TEngineEnvironment> environment,
                                                 GtkWidget* parent) {
  std::unique_ptr<TEngineView> view(new TEngineView(std::move(environment)));
  view->Build(parent);
  return view;
}

TEngineView::~TEngineView() {
  Detach(true);
  FAlive.reset();
}

TEngineView* TEngineView::FromWebView(WebKitWebView* view) {
  return view ? static_cast<TEngineView*>(g_object_get_data(G_OBJECT(view), ViewKey)) : nullptr;
}

void TEngineView::Build(GtkWidget* parent) {
  const TBrowserArguments& arguments = FEnvironment->Arguments();
  FWebSettings = webkit_settings_new();
  // The application's documents (of the local engine scheme) share one
  // origin; "--disable-web-security" gives them, and only them, universal
  // access: other origins, absolute file addresses, frames of any origin.
  // Web content keeps the engine's web security whatever the arguments.
  webkit_settings_set_allow_file_access_from_file_urls(FWebSettings, TRUE);
  webkit_settings_set_allow_universal_access_from_file_urls(FWebSettings,
                                                            arguments.DisableWebSecurity);
  webkit_settings_set_media_playback_requires_user_gesture(FWebSettings,
                                                           !arguments.AutoplayWithoutGesture);
  webkit_settings_set_javascript_can_open_windows_automatically(FWebSettings, TRUE);
  webkit_settings_set_enable_developer_extras(FWebSettings, FALSE);

  FContentManager = webkit_user_content_manager_new();
  WebKitWebsitePolicies* policies =
      arguments.AutoplayWithoutGesture
          ? webkit_website_policies_new_with_policies("autoplay", WEBKIT_AUTOPLAY_ALLOW, nullptr)
          : webkit_website_policies_new();
  FView = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", FEnvironment->Context(),
                                       "user-content-manager", FContentManager, "settings",
                                       FWebSettings, "website-policies", policies,
                                       "is-controlled-by-automation", FEnvironment->Automated(),
                                       nullptr));
  g_object_unref(policies);
  if (FEnvironment->Automated()) FEnvironment->OfferToAutomation(FView);
  g_object_ref_sink(FView);
  g_object_set_data(G_OBJECT(FView), ViewKey, this);
  FCancellable = g_cancellable_new();

  // Media elements of the application's pages play through the loopback server.
  if (TMediaServer* server = FEnvironment->MediaServer()) {
    std::weak_ptr<int> alive = FAlive;
    FMediaToken = server->AddClient(
        [this, alive](const std::string& fileUri) -> std::optional<TWebResourceResponse> {
          if (alive.expired() || !ShowsApplicationDocument()) return std::nullopt;
          return RequestResource(fileUri);
        });
    std::string base = "http://127.0.0.1:" + std::to_string(server->Port()) + "/" + FMediaToken;
    std::string script(resources::EngineMediaJs);
    std::size_t at = script.find(MediaBasePlaceholder);
    if (at != std::string::npos)
      script.replace(at, std::string_view(MediaBasePlaceholder).size(), base);
    WebKitUserScript* user =
        webkit_user_script_new(script.c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
    webkit_user_content_manager_add_script(FContentManager, user);
    webkit_user_script_unref(user);
  }

  FHost = NewViewHost();
  g_object_ref_sink(FHost);
  gtk_container_add(GTK_CONTAINER(FHost), GTK_WIDGET(FView));
  gtk_widget_set_hexpand(FHost, TRUE);
  gtk_widget_set_vexpand(FHost, TRUE);
  if (GTK_IS_BOX(parent))
    gtk_box_pack_start(GTK_BOX(parent), FHost, TRUE, TRUE, 0);
  else
    gtk_container_add(GTK_CONTAINER(parent), FHost);
  gtk_widget_show(GTK_WIDGET(FView));
  gtk_widget_show(FHost);
  ConnectSignals();
}

void TEngineView::ConnectSignals() {
  g_signal_connect(FHost, "destroy", G_CALLBACK(HostDestroyed), this);
  g_signal_connect(FView, "load-changed", G_CALLBACK(LoadChanged), this);
  g_signal_connect(FView, "load-failed", G_CALLBACK(LoadFailed), this);
  g_signal_connect(FView, "notify::uri", G_CALLBACK(UriChanged), this);
  g_signal_connect(FView, "notify::title", G_CALLBACK(TitleChanged), this);
  g_signal_connect(FView, "notify::zoom-level", G_CALLBACK(ZoomChanged), this);
  g_signal_connect(FView, "notify::is-web-process-responsive", G_CALLBACK(ResponsiveChanged), this);
  g_signal_connect(webkit_web_view_get_back_forward_list(FView), "changed",
                   G_CALLBACK(HistoryChangedSignal), this);
  g_signal_connect(FView, "create", G_CALLBACK(CreateWindow), this);
  g_signal_connect(FView, "decide-policy", G_CALLBACK(DecidePolicy), this);
  g_signal_connect(FView, "permission-request", G_CALLBACK(PermissionRequest), this);
  g_signal_connect(FView, "web-process-terminated", G_CALLBACK(ProcessTerminated), this);
  g_signal_connect(FView, "user-message-received", G_CALLBACK(UserMessage), this);
  g_signal_connect(FView, "context-menu", G_CALLBACK(ContextMenu), this);
  g_signal_connect(FView, "script-dialog", G_CALLBACK(ScriptDialog), this);
  g_signal_connect(FView, "enter-fullscreen", G_CALLBACK(EnterFullScreen), this);
  g_signal_connect(FView, "leave-fullscreen", G_CALLBACK(LeaveFullScreen), this);
  g_signal_connect(FView, "close", G_CALLBACK(CloseRequested), this);
  g_signal_connect(FView, "focus-in-event", G_CALLBACK(FocusIn), this);
  g_signal_connect(FView, "focus-out-event", G_CALLBACK(FocusOut), this);
  g_signal_connect(FView, "scroll-event", G_CALLBACK(Scroll), this);
  g_signal_connect(FView, "key-press-event", G_CALLBACK(KeyPress), this);
}

void TEngineView::Detach(bool destroyWidgets) {
  if (!FView) return;
  g_signal_handlers_disconnect_by_data(webkit_web_view_get_back_forward_list(FView), this);
  g_signal_handlers_disconnect_by_data(FView, this);
  g_signal_handlers_disconnect_by_data(FHost, this);
  g_object_set_data(G_OBJECT(FView), ViewKey, nullptr);
  g_cancellable_cancel(FCancellable);
  // Pending completions and callbacks see a closed view from now on.
  FAlive = std::make_shared<int>(0);
  if (!FMediaToken.empty() && FEnvironment->MediaServer())
    FEnvironment->MediaServer()->RemoveClient(FMediaToken);
  FMediaToken.clear();
  WebKitWebView* view = FView;
  GtkWidget* host = FHost;
  FView = nullptr;
  FHost = nullptr;
  if (destroyWidgets) gtk_widget_destroy(host);
  g_object_unref(view);
  g_object_unref(host);
  g_clear_object(&FWebSettings);
  g_clear_object(&FContentManager);
  g_clear_object(&FCancellable);
}

template <class F>
bool TEngineView::Raise(F&& raise) {
  if (!FEvents) return FView != nullptr;
  std::weak_ptr<int> alive = FAlive;
  try {
    raise(*FEvents);
  } catch (...) {
    // A failing handler must not unwind through the engine.
  }
  return !alive.expired() && FView != nullptr;
}

std::optional<TWebResourceResponse> TEngineView::RequestResource(const std::string& fileUri) {
  bool filtered = std::any_of(FFilters.begin(), FFilters.end(),
                              [&](const auto& f) { return MatchesUriFilter(f.first, fileUri); });
  if (!filtered || !FEvents) return std::nullopt;
  TResourceArgs args(fileUri);
  Raise([&](IWebViewEvents& events) { events.WebResourceRequested(args); });
  return std::move(args.Response());
}

void TEngineView::StartDownload(WebKitDownload* download) {
  // The page on top when the download began (a link of the page that leads
  // to a download leaves it on top): web content saves nothing.
  if (!IsEngineUri(FCommittedUri)) {
    webkit_download_cancel(download);
    return;
  }
  g_signal_connect(download, "decide-destination", G_CALLBACK(DecideDownloadDestination), nullptr);
}

bool TEngineView::ShowsApplicationDocument() const {
  const char* active = FView ? webkit_web_view_get_uri(FView) : nullptr;
  return active && IsEngineUri(active);
}

void TEngineView::HandleSchemeRequest(WebKitURISchemeRequest* request) {
  std::string uri = EngineToFileUri(StripFragment(webkit_uri_scheme_request_get_uri(request)));
  g_object_ref(request);
  // A page of web content gets none of the application's files, whatever
  // got its request this far.
  std::optional<TWebResourceResponse> response;
  if (ShowsApplicationDocument()) response = RequestResource(uri);
  if (!response) {
    FinishNotFound(request);
    g_object_unref(request);
    return;
  }
  gint64 length = 0;
  if (response->Body) {
    try {
      std::optional<std::uint64_t> known = response->Body->Length();
      length = known ? static_cast<gint64>(*known) : -1;
    } catch (...) {
      length = -1;
    }
  }
  GInputStream* stream = NewBodyStream(std::move(response->Body));
  WebKitURISchemeResponse* answer = webkit_uri_scheme_response_new(stream, length);
  g_object_unref(stream);
  webkit_uri_scheme_response_set_status(
      answer, static_cast<guint>(response->StatusCode),
      response->ReasonPhrase.empty() ? nullptr : response->ReasonPhrase.c_str());
  SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
  std::string contentType;
  for (auto& [name, value] : ParseHeaderText(response->Headers)) {
    if (strcasecmp(name.c_str(), "Content-Type") == 0) contentType = value;
    soup_message_headers_append(headers, name.c_str(), value.c_str());
  }
  webkit_uri_scheme_response_set_http_headers(answer, headers);
  if (!contentType.empty())
    webkit_uri_scheme_response_set_content_type(answer, contentType.c_str());
  webkit_uri_scheme_request_finish_with_response(request, answer);
  g_object_unref(answer);
  g_object_unref(request);
}

// --- controller ---

HRESULT TEngineView::PutBounds(const TBounds& bounds) {
  if (!FView) return E_FAIL;
  ViewHostSetBounds(FHost, bounds.Left, bounds.Top, std::max(bounds.Right - bounds.Left, 0),
                    std::max(bounds.Bottom - bounds.Top, 0));
  return S_OK;
}

HRESULT TEngineView::PutIsVisible(bool visible) {
  if (!FView) return E_FAIL;
  gtk_widget_set_visible(FHost, visible);
  return S_OK;
}

HRESULT TEngineView::GetZoomFactor(double& value) {
  if (!FView) return E_FAIL;
  value = webkit_web_view_get_zoom_level(FView);
  return S_OK;
}

HRESULT TEngineView::PutZoomFactor(double value) {
  if (!FView) return E_FAIL;
  if (!(value > 0) || !std::isfinite(value)) return E_INVALIDARG;
  webkit_web_view_set_zoom_level(FView, value);
  return S_OK;
}

HRESULT TEngineView::MoveFocus() {
  if (!FView) return E_FAIL;
  gtk_widget_grab_focus(GTK_WIDGET(FView));
  return S_OK;
}

HRESULT TEngineView::Close() {
  Detach(true);
  return S_OK;
}

void TEngineView::StepZoom(int direction) {
  double current = webkit_web_view_get_zoom_level(FView);
  double next = current;
  if (direction == 0) {
    next = 1.0;
  } else if (direction > 0) {
    for (double step : ZoomSteps)
      if (step > current + 0.001) {
        next = step;
        break;
      }
  } else {
    for (auto it = std::rbegin(ZoomSteps); it != std::rend(ZoomSteps); ++it)
      if (*it < current - 0.001) {
        next = *it;
        break;
      }
  }
  webkit_web_view_set_zoom_level(FView, next);
}

// --- web view ---

HRESULT TEngineView::Navigate(const std::string& uri) {
  if (!FView) return E_FAIL;
  if (uri.empty() || !g_uri_peek_scheme(uri.c_str())) return E_INVALIDARG;
  const std::string engineUri = FileToEngineUri(uri);
  FRequestedUri = EngineToFileUri(engineUri);
  FHostNavigation = engineUri;
  webkit_web_view_load_uri(FView, engineUri.c_str());
  return S_OK;
}

HRESULT TEngineView::NavigateToString(const std::string& html) {
  if (!FView) return E_FAIL;
  FRequestedUri.reset();
  webkit_web_view_load_html(FView, html.c_str(), nullptr);
  return S_OK;
}

HRESULT TEngineView::ExecuteScript(const std::string& script,
                                   std::function<void(HRESULT, const std::string&)> completed) {
  if (!FView) return E_FAIL;
  auto* call = new TScriptCall{FAlive, std::move(completed)};
  webkit_web_view_evaluate_javascript(FView, script.c_str(), static_cast<gssize>(script.size()),
                                      nullptr, nullptr, FCancellable, ScriptFinished, call);
  return S_OK;
}

HRESULT TEngineView::AddScriptToExecuteOnDocumentCreated(const std::string& script) {
  if (!FView) return E_FAIL;
  WebKitUserScript* user =
      webkit_user_script_new(script.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(FContentManager, user);
  webkit_user_script_unref(user);
  return S_OK;
}

HRESULT TEngineView::PostWebMessageAsJson(const std::string& json) {
  if (!FView) return E_FAIL;
  if (!nlohmann::json::accept(json)) return E_INVALIDARG;
  if (!FIsWebMessageEnabled) return S_OK;
  webkit_web_view_send_message_to_page(
      FView, webkit_user_message_new(PostMessageName, g_variant_new_string(json.c_str())), nullptr,
      nullptr, nullptr);
  return S_OK;
}

HRESULT TEngineView::AddWebResourceRequestedFilter(const std::string& pattern,
                                                   int resourceContext) {
  if (!FView) return E_FAIL;
  FFilters.emplace_back(pattern, resourceContext);
  return S_OK;
}

HRESULT TEngineView::RemoveWebResourceRequestedFilter(const std::string& pattern,
                                                      int resourceContext) {
  if (!FView) return E_FAIL;
  auto it = std::find(FFilters.begin(), FFilters.end(), std::make_pair(pattern, resourceContext));
  if (it == FFilters.end()) return E_INVALIDARG;
  FFilters.erase(it);
  return S_OK;
}

HRESULT TEngineView::GoBack() {
  if (!FView) return E_FAIL;
  FRequestedUri.reset();
  webkit_web_view_go_back(FView);
  return S_OK;
}

HRESULT TEngineView::GoForward() {
  if (!FView) return E_FAIL;
  FRequestedUri.reset();
  webkit_web_view_go_forward(FView);
  return S_OK;
}

HRESULT TEngineView::Reload() {
  if (!FView) return E_FAIL;
  FRequestedUri.reset();
  webkit_web_view_reload(FView);
  return S_OK;
}

HRESULT TEngineView::Stop() {
  if (!FView) return E_FAIL;
  webkit_web_view_stop_loading(FView);
  return S_OK;
}

HRESULT TEngineView::GetCanGoBack(bool& value) {
  if (!FView) return E_FAIL;
  value = webkit_web_view_can_go_back(FView);
  return S_OK;
}

HRESULT TEngineView::GetCanGoForward(bool& value) {
  if (!FView) return E_FAIL;
  value = webkit_web_view_can_go_forward(FView);
  return S_OK;
}

HRESULT TEngineView::GetDocumentTitle(std::string& value) {
  if (!FView) return E_FAIL;
  const char* title = webkit_web_view_get_title(FView);
  value = title ? title : "";
  return S_OK;
}

HRESULT TEngineView::GetSource(std::string& value) {
  if (!FView) return E_FAIL;
  value = CurrentUri(FView);
  if (value.empty()) value = "about:blank";
  return S_OK;
}

HRESULT TEngineView::GetContainsFullScreenElement(bool& value) {
  if (!FView) return E_FAIL;
  value = FFullScreen;
  return S_OK;
}

HRESULT TEngineView::GetBrowserProcessId(std::uint32_t& value) {
  if (!FView) return E_FAIL;
  // WebKit does not expose its processes; 0 means none to wait for or end.
  value = 0;
  return S_OK;
}

HRESULT TEngineView::OpenDevToolsWindow() {
  if (!FView) return E_FAIL;
  if (webkit_settings_get_enable_developer_extras(FWebSettings))
    webkit_web_inspector_show(webkit_web_view_get_inspector(FView));
  return S_OK;
}

// --- settings ---

HRESULT TEngineView::GetIsScriptEnabled(bool& value) {
  if (!FView) return E_FAIL;
  value = webkit_settings_get_enable_javascript_markup(FWebSettings);
  return S_OK;
}

HRESULT TEngineView::PutIsScriptEnabled(bool value) {
  if (!FView) return E_FAIL;
  // The page's own scripts; added scripts and ExecuteScript keep running.
  webkit_settings_set_enable_javascript_markup(FWebSettings, value);
  return S_OK;
}

HRESULT TEngineView::GetIsWebMessageEnabled(bool& value) {
  if (!FView) return E_FAIL;
  value = FIsWebMessageEnabled;
  return S_OK;
}

HRESULT TEngineView::PutIsWebMessageEnabled(bool value) {
  if (!FView) return E_FAIL;
  FIsWebMessageEnabled = value;
  return S_OK;
}

HRESULT TEngineView::GetAreDefaultScriptDialogsEnabled(bool& value) {
  if (!FView) return E_FAIL;
  value = FAreDefaultScriptDialogsEnabled;
  return S_OK;
}

HRESULT TEngineView::PutAreDefaultScriptDialogsEnabled(bool value) {
  if (!FView) return E_FAIL;
  FAreDefaultScriptDialogsEnabled = value;
  return S_OK;
}

HRESULT TEngineView::GetIsStatusBarEnabled(bool& value) {
  if (!FView) return E_FAIL;
  value = FIsStatusBarEnabled;
  return S_OK;
}

HRESULT TEngineView::PutIsStatusBarEnabled(bool value) {
  if (!FView) return E_FAIL;
  FIsStatusBarEnabled = value;  // WebKit has no status bar
  return S_OK;
}

HRESULT TEngineView::GetAreDevToolsEnabled(bool& value) {
  if (!FView) return E_FAIL;
  value = webkit_settings_get_enable_developer_extras(FWebSettings);
  return S_OK;
}

HRESULT TEngineView::PutAreDevToolsEnabled(bool value) {
  if (!FView) return E_FAIL;
  webkit_settings_set_enable_developer_extras(FWebSettings, value);
  if (!value) webkit_web_inspector_close(webkit_web_view_get_inspector(FView));
  return S_OK;
}

HRESULT TEngineView::GetAreDefaultContextMenusEnabled(bool& value) {
  if (!FView) return E_FAIL;
  value = FAreDefaultContextMenusEnabled;
  return S_OK;
}

HRESULT TEngineView::PutAreDefaultContextMenusEnabled(bool value) {
  if (!FView) return E_FAIL;
  FAreDefaultContextMenusEnabled = value;
  return S_OK;
}

HRESULT TEngineView::GetIsZoomControlEnabled(bool& value) {
  if (!FView) return E_FAIL;
  value = FIsZoomControlEnabled;
  return S_OK;
}

HRESULT TEngineView::PutIsZoomControlEnabled(bool value) {
  if (!FView) return E_FAIL;
  FIsZoomControlEnabled = value;
  return S_OK;
}

HRESULT TEngineView::GetIsBuiltInErrorPageEnabled(bool& value) {
  if (!FView) return E_FAIL;
  value = FIsBuiltInErrorPageEnabled;
  return S_OK;
}

HRESULT TEngineView::PutIsBuiltInErrorPageEnabled(bool value) {
  if (!FView) return E_FAIL;
  FIsBuiltInErrorPageEnabled = value;
  return S_OK;
}

// --- signals ---

void TEngineView::HostDestroyed(GtkWidget*, TEngineView* self) { self->Detach(false); }

void TEngineView::LoadChanged(WebKitWebView* view, WebKitLoadEvent event, TEngineView* self) {
  switch (event) {
    case WEBKIT_LOAD_STARTED: {
      if (self->FErrorPagePending) {
        // The engine's error page for the failure just reported: not a
        // navigation. Its load was queued before any load started since, so
        // it starts first (showing the newest requested address).
        self->FErrorPagePending = false;
        self->FInErrorPage = true;
        return;
      }
      if (self->FLoading) {
        // A load replaced before it finished still completes, unsuccessfully.
        self->FLoading = false;
        if (!self->Raise([](IWebViewEvents& e) {
              e.NavigationCompleted(false, webErrorStatus::OperationCanceled);
            }))
          return;
      }
      self->FLoading = true;
      self->FLoadFailed = false;
      self->FWebErrorStatus = 0;
      std::string uri = self->FRequestedUri ? *self->FRequestedUri : CurrentUri(view);
      self->FRequestedUri.reset();
      TNavigationArgs args(uri, ++self->FNavigationId);
      if (!self->Raise([&](IWebViewEvents& e) { e.NavigationStarting(args); })) return;
      if (args.Cancel()) webkit_web_view_stop_loading(view);
      return;
    }
    case WEBKIT_LOAD_REDIRECTED:
      return;
    case WEBKIT_LOAD_COMMITTED: {
      std::uint64_t id = self->FNavigationId;
      if (self->FInErrorPage) {
        self->Raise([&](IWebViewEvents& e) { e.ContentLoading(true, id); });
        return;
      }
      const char* committed = webkit_web_view_get_uri(view);
      self->FCommittedUri = committed ? committed : "";
      self->FHostNavigation.reset();
      if (!self->Raise([&](IWebViewEvents& e) { e.ContentLoading(false, id); })) return;
      self->FLastSource = CurrentUri(view);
      self->Raise([](IWebViewEvents& e) { e.SourceChanged(true); });
      return;
    }
    case WEBKIT_LOAD_FINISHED: {
      if (self->FInErrorPage) {
        self->FInErrorPage = false;
        return;
      }
      if (!self->FLoading) return;
      self->FLoading = false;
      bool success = !self->FLoadFailed;
      int status = self->FWebErrorStatus;
      self->Raise([&](IWebViewEvents& e) { e.NavigationCompleted(success, status); });
      return;
    }
  }
}

gboolean TEngineView::LoadFailed(WebKitWebView*, WebKitLoadEvent, const char* uri, GError* error,
                                 TEngineView* self) {
  if (self->FInErrorPage) return FALSE;
  self->FLoadFailed = true;
  self->FWebErrorStatus = WebErrorStatusOf(error);
  if (!self->FIsBuiltInErrorPageEnabled) return TRUE;  // no error page
  if (!ShowsNoErrorPage(error)) self->FErrorPagePending = true;
  return FALSE;
}

void TEngineView::UriChanged(GObject*, GParamSpec*, TEngineView* self) {
  // Changes during a load are reported at its commit; the rest stay in the document.
  if (self->FLoading || self->FInErrorPage || self->FErrorPagePending) return;
  std::string source = CurrentUri(self->FView);
  if (source == self->FLastSource) return;
  self->FLastSource = source;
  self->Raise([](IWebViewEvents& e) { e.SourceChanged(false); });
}

void TEngineView::TitleChanged(GObject*, GParamSpec*, TEngineView* self) {
  self->Raise([](IWebViewEvents& e) { e.DocumentTitleChanged(); });
}

void TEngineView::ZoomChanged(GObject*, GParamSpec*, TEngineView* self) {
  self->Raise([](IWebViewEvents& e) { e.ZoomFactorChanged(); });
}

void TEngineView::ResponsiveChanged(GObject*, GParamSpec*, TEngineView* self) {
  if (webkit_web_view_get_is_web_process_responsive(self->FView)) return;
  self->Raise(
      [](IWebViewEvents& e) { e.ProcessFailed(TProcessFailedKind::RenderProcessUnresponsive); });
}

void TEngineView::HistoryChangedSignal(WebKitBackForwardList*, WebKitBackForwardListItem*, gpointer,
                                       TEngineView* self) {
  self->Raise([](IWebViewEvents& e) { e.HistoryChanged(); });
}

GtkWidget* TEngineView::CreateWindow(WebKitWebView*, WebKitNavigationAction* action,
                                     TEngineView* self) {
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
  TNewWindowArgs args(uri ? EngineToFileUri(uri) : std::string());
  self->Raise([&](IWebViewEvents& e) { e.NewWindowRequested(args); });
  // The engine opens no window of its own; the runtime decides.
  return nullptr;
}

gboolean TEngineView::DecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                   WebKitPolicyDecisionType type, TEngineView* self) {
  if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) return FALSE;
  WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
      WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  // The runtime's file: addresses load under the engine's scheme; a file:
  // navigation is never its own (a file dropped on the view, say), and would
  // show a file from the disk as a page of the application.
  if (uri && g_ascii_strncasecmp(uri, "file:", 5) == 0) {
    webkit_policy_decision_ignore(decision);
    return TRUE;
  }
  if (!uri || !IsEngineUri(uri)) return FALSE;
  // The runtime's own navigation, and moves through the history the
  // application made, go ahead.
  if (self->FHostNavigation && *self->FHostNavigation == uri) {
    self->FHostNavigation.reset();
    return FALSE;
  }
  WebKitNavigationType kind = webkit_navigation_action_get_navigation_type(action);
  if (kind == WEBKIT_NAVIGATION_TYPE_BACK_FORWARD || kind == WEBKIT_NAVIGATION_TYPE_RELOAD)
    return FALSE;
  // Application documents navigate where they like; web content never
  // reaches the application's scheme (WebKit refuses it too).
  if (IsEngineUri(self->FCommittedUri)) return FALSE;
  webkit_policy_decision_ignore(decision);
  return TRUE;
}

gboolean TEngineView::PermissionRequest(WebKitWebView*, WebKitPermissionRequest* request,
                                        TEngineView* self) {
  TPermissionArgs args(CurrentUri(self->FView), KindOf(request));
  g_object_ref(request);
  bool alive = self->Raise([&](IWebViewEvents& e) { e.PermissionRequested(args); });
  gboolean handled = TRUE;
  switch (args.State()) {
    case TPermissionState::Allow:
      webkit_permission_request_allow(request);
      break;
    case TPermissionState::Deny:
      webkit_permission_request_deny(request);
      break;
    case TPermissionState::Default:
      handled = FALSE;  // WebKit's own decision
      break;
  }
  g_object_unref(request);
  return alive ? handled : TRUE;
}

void TEngineView::ProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason,
                                    TEngineView* self) {
  self->Raise([](IWebViewEvents& e) { e.ProcessFailed(TProcessFailedKind::RenderProcessExited); });
}

gboolean TEngineView::UserMessage(WebKitWebView*, WebKitUserMessage* message, TEngineView* self) {
  if (g_strcmp0(webkit_user_message_get_name(message), WebMessageName) != 0) return FALSE;
  GVariant* parameters = webkit_user_message_get_parameters(message);
  if (!parameters || !self->FIsWebMessageEnabled) return TRUE;
  const char* origin = nullptr;
  gboolean current = FALSE;
  const char* ancestors = nullptr;
  std::optional<TSharedText> json;
  if (g_variant_is_of_type(parameters, G_VARIANT_TYPE("(sbss)"))) {
    const char* text = nullptr;
    g_variant_get(parameters, "(&sb&s&s)", &origin, &current, &ancestors, &text);
    json = VariantText(parameters, text);
  } else if (g_variant_is_of_type(parameters, G_VARIANT_TYPE("(sbsh)"))) {
    gint32 index = -1;
    g_variant_get(parameters, "(&sb&sh)", &origin, &current, &ancestors, &index);
    json = MappedText(message, index);
  }
  if (!json) return TRUE;
  TWebMessageArgs args(std::move(*json), OriginToSource(origin), ParseAncestorOrigins(ancestors),
                       current);
  self->Raise([&](IWebViewEvents& e) { e.WebMessageReceived(args); });
  return TRUE;
}

gboolean TEngineView::ContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*,
                                  WebKitHitTestResult*, TEngineView* self) {
  return !self->FAreDefaultContextMenusEnabled;
}

gboolean TEngineView::ScriptDialog(WebKitWebView*, WebKitScriptDialog*, TEngineView* self) {
  // Without default dialogs the dialog closes at once (alert returns, confirm is false).
  return !self->FAreDefaultScriptDialogsEnabled;
}

gboolean TEngineView::EnterFullScreen(WebKitWebView*, TEngineView* self) {
  self->FFullScreen = true;
  self->Raise([](IWebViewEvents& e) { e.ContainsFullScreenElementChanged(); });
  // The element fills the web view; the runtime decides about its window.
  return TRUE;
}

gboolean TEngineView::LeaveFullScreen(WebKitWebView*, TEngineView* self) {
  self->FFullScreen = false;
  self->Raise([](IWebViewEvents& e) { e.ContainsFullScreenElementChanged(); });
  return TRUE;
}

void TEngineView::CloseRequested(WebKitWebView* view, TEngineView* self) {
  // A WebDriver ends its session by closing the view.
  if (self->FEnvironment->Automated()) {
    // The page leaves the session at once (the driver lists the windows
    // left right after), then the window closes as from its close box.
    GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(view));
    if (GTK_IS_WINDOW(top)) g_object_ref(top);
    self->Close();
    if (GTK_IS_WINDOW(top)) {
      gtk_window_close(GTK_WINDOW(top));
      g_object_unref(top);
    }
    return;
  }
  self->Raise([](IWebViewEvents& e) { e.WindowCloseRequested(); });
}

gboolean TEngineView::FocusIn(GtkWidget*, GdkEvent*, TEngineView* self) {
  self->Raise([](IWebViewEvents& e) { e.GotFocus(); });
  return FALSE;
}

gboolean TEngineView::FocusOut(GtkWidget*, GdkEvent*, TEngineView* self) {
  self->Raise([](IWebViewEvents& e) { e.LostFocus(); });
  return FALSE;
}

gboolean TEngineView::Scroll(GtkWidget*, GdkEventScroll* event, TEngineView* self) {
  if (!(event->state & GDK_CONTROL_MASK)) return FALSE;
  // Ctrl+wheel zooms when zoom control is on and does nothing otherwise.
  if (!self->FIsZoomControlEnabled) return TRUE;
  int direction = 0;
  if (event->direction == GDK_SCROLL_UP) direction = 1;
  if (event->direction == GDK_SCROLL_DOWN) direction = -1;
  if (event->direction == GDK_SCROLL_SMOOTH) {
    self->FScrollZoom -= event->delta_y;
    if (self->FScrollZoom >= 1) direction = 1;
    if (self->FScrollZoom <= -1) direction = -1;
    if (direction != 0) self->FScrollZoom = 0;
  }
  if (direction != 0) self->StepZoom(direction);
  return TRUE;
}

gboolean TEngineView::KeyPress(GtkWidget*, GdkEventKey* event, TEngineView* self) {
  constexpr guint modifiers = GDK_CONTROL_MASK | GDK_SHIFT_MASK | GDK_MOD1_MASK | GDK_SUPER_MASK;
  // WebKitGTK has no key of its own for the developer tools: F12 and
  // Ctrl+Shift+I open them while they are enabled, before the page sees the key.
  const guint held = event->state & modifiers;
  const bool devToolsKey = (event->keyval == GDK_KEY_F12 && held == 0) ||
                           ((event->keyval == GDK_KEY_I || event->keyval == GDK_KEY_i) &&
                            held == (GDK_CONTROL_MASK | GDK_SHIFT_MASK));
  if (devToolsKey && webkit_settings_get_enable_developer_extras(self->FWebSettings)) {
    webkit_web_inspector_show(webkit_web_view_get_inspector(self->FView));
    return TRUE;
  }
  if (!self->FIsZoomControlEnabled ||
      (event->state & modifiers & ~GDK_SHIFT_MASK) != GDK_CONTROL_MASK)
    return FALSE;
  switch (event->keyval) {
    case GDK_KEY_plus:
    case GDK_KEY_equal:
    case GDK_KEY_KP_Add:
      self->StepZoom(1);
      return TRUE;
    case GDK_KEY_minus:
    case GDK_KEY_underscore:
    case GDK_KEY_KP_Subtract:
      self->StepZoom(-1);
      return TRUE;
    case GDK_KEY_0:
    case GDK_KEY_KP_0:
    case GDK_KEY_KP_Insert:
      self->StepZoom(0);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace zel
