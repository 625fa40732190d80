#include "backends/webkitgtk/EngineEnvironment.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "backends/webkitgtk/EngineView.h"

namespace zel {

namespace {

constexpr const char* ExtensionFileName = "zel-engine-webext.so";

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The folder of this library, found from one of its own addresses.
std::filesystem::path LibraryFolder() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&EngineVersion), &info) || !info.dli_fname)
    throw std::runtime_error("Cannot locate the engine library");
  return std::filesystem::absolute(info.dli_fname).parent_path();
}

// A pending controller creation, completed from the main loop.
struct TPendingController {
  std::shared_ptr<TEngineEnvironment> Environment;
  GtkWidget* Parent = nullptr;
  bool ParentDestroyed = false;
  std::function<void(HRESULT, std::unique_ptr<IWebViewController>)> Completed;
};

gboolean KeepWaking(gpointer) { return G_SOURCE_CONTINUE; }

void ParentDestroyed(GtkWidget*, TPendingController* pending) { pending->ParentDestroyed = true; }

gboolean CompleteController(gpointer data) {
  std::unique_ptr<TPendingController> pending(static_cast<TPendingController*>(data));
  g_signal_handlers_disconnect_by_data(pending->Parent, pending.get());
  HRESULT hr = S_OK;
  std::unique_ptr<IWebViewController> controller;
  if (pending->ParentDestroyed) {
    hr = E_FAIL;
  } else {
    try {
      controller = TEngineView::Create(pending->Environment, pending->Parent);
    } catch (...) {
      hr = E_FAIL;
    }
  }
  g_object_unref(pending->Parent);
  try {
    pending->Completed(hr, std::move(controller));
  } catch (...) {
  }
  return G_SOURCE_REMOVE;
}

}  // namespace

std::string EngineVersion() {
  return std::to_string(webkit_get_major_version()) + "." +
         std::to_string(webkit_get_minor_version()) + "." +
         std::to_string(webkit_get_micro_version());
}

std::shared_ptr<TEngineEnvironment> TEngineEnvironment::Create() {
  std::shared_ptr<TEngineEnvironment> environment(new TEngineEnvironment());
  environment->FArguments =
      ParseBrowserArguments(EnvironmentValue("WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS"));
  environment->PrepareExtension();

  std::string folder = EnvironmentValue("WEBVIEW2_USER_DATA_FOLDER");
  if (folder.empty()) {
    environment->FContext = webkit_web_context_new_ephemeral();
  } else {
    std::filesystem::path base = std::filesystem::path(folder) / "WebKitGTK";
    std::string data = (base / "Data").string();
    std::string cache = (base / "Cache").string();
    WebKitWebsiteDataManager* manager = webkit_website_data_manager_new(
        "base-data-directory", data.c_str(), "base-cache-directory", cache.c_str(), nullptr);
    std::string cookies = (base / "Data" / "cookies.sqlite").string();
    webkit_cookie_manager_set_persistent_storage(
        webkit_website_data_manager_get_cookie_manager(manager), cookies.c_str(),
        WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
    environment->FContext = webkit_web_context_new_with_website_data_manager(manager);
    g_object_unref(manager);
  }
  WebKitWebContext* context = environment->FContext;
  g_signal_connect(context, "initialize-web-extensions", G_CALLBACK(InitializeWebExtensions),
                   environment.get());
  g_signal_connect(context, "download-started", G_CALLBACK(DownloadStarted), environment.get());
  webkit_web_context_register_uri_scheme(context, std::string(EngineScheme).c_str(), SchemeRequest,
                                         environment.get(), nullptr);
  // Local: documents of other schemes (web content) can neither load, frame
  // nor navigate to it. Secure and CORS-enabled as the application expects.
  WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
  const std::string scheme(EngineScheme);
  webkit_security_manager_register_uri_scheme_as_local(security, scheme.c_str());
  webkit_security_manager_register_uri_scheme_as_secure(security, scheme.c_str());
  webkit_security_manager_register_uri_scheme_as_cors_enabled(security, scheme.c_str());
  environment->FMediaServer = TMediaServer::Create();
  // Automation needs both the runtime's word (the driver's argument) and the
  // driver's inspector address; without them WebKit opens no port.
  if (environment->FArguments.EnableAutomation &&
      !EnvironmentValue("WEBKIT_INSPECTOR_SERVER").empty()) {
    environment->FAutomated = true;
    webkit_web_context_set_automation_allowed(context, TRUE);
    g_signal_connect(context, "automation-started", G_CALLBACK(AutomationStarted),
                     environment.get());
  }
  // The inspector server has started (or not) with the context; programs the
  // application starts must not inherit the driver's address.
  g_unsetenv("WEBKIT_INSPECTOR_SERVER");
  return environment;
}

TEngineEnvironment::~TEngineEnvironment() {
  OfferToAutomation(nullptr);
  if (FContext) {
    g_signal_handlers_disconnect_by_data(FContext, this);
    g_object_unref(FContext);
  }
}

void TEngineEnvironment::PrepareExtension() {
  std::filesystem::path extension = LibraryFolder() / ExtensionFileName;
  if (!std::filesystem::exists(extension))
    throw std::runtime_error("The web process extension is missing");
  // WebKit loads every module of its extensions folder, so the extension gets
  // a folder of its own: a link in the user's runtime folder, one per
  // extension path, shared by every run that uses that path.
  char* hash = g_compute_checksum_for_string(G_CHECKSUM_SHA256, extension.c_str(), -1);
  std::filesystem::path folder =
      std::filesystem::path(g_get_user_runtime_dir()) / ("zel-engine-" + std::string(hash, 16));
  g_free(hash);
  std::filesystem::path link = folder / ExtensionFileName;
  std::error_code code;
  std::filesystem::create_directories(folder, code);
  if (std::filesystem::read_symlink(link, code) != extension) {
    // Replaced atomically: other runs may be reading the folder.
    std::filesystem::path fresh =
        folder / (std::string(ExtensionFileName) + "." + std::to_string(getpid()) + ".new");
    std::filesystem::remove(fresh, code);
    std::filesystem::create_symlink(extension, fresh, code);
    if (!code) std::filesystem::rename(fresh, link, code);
    if (code || std::filesystem::read_symlink(link, code) != extension)
      throw std::runtime_error("Cannot link the web process extension");
  }
  FExtensionFolder = folder.string();
}

void TEngineEnvironment::InitializeWebExtensions(WebKitWebContext* context, gpointer self) {
  auto* environment = static_cast<TEngineEnvironment*>(self);
  webkit_web_context_set_web_extensions_directory(context, environment->FExtensionFolder.c_str());
}

void TEngineEnvironment::SchemeRequest(WebKitURISchemeRequest* request, gpointer) {
  TEngineView* view = TEngineView::FromWebView(webkit_uri_scheme_request_get_web_view(request));
  if (view) {
    view->HandleSchemeRequest(request);
    return;
  }
  GError* error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "Not found");
  webkit_uri_scheme_request_finish_error(request, error);
  g_error_free(error);
}

void TEngineEnvironment::DownloadStarted(WebKitWebContext*, WebKitDownload* download, gpointer) {
  TEngineView* view = TEngineView::FromWebView(webkit_download_get_web_view(download));
  if (view)
    view->StartDownload(download);
  else
    webkit_download_cancel(download);
}

void TEngineEnvironment::OfferToAutomation(WebKitWebView* view) {
  if (FOfferedView)
    g_object_remove_weak_pointer(G_OBJECT(FOfferedView), reinterpret_cast<gpointer*>(&FOfferedView));
  FOfferedView = view;
  if (FOfferedView)
    g_object_add_weak_pointer(G_OBJECT(FOfferedView), reinterpret_cast<gpointer*>(&FOfferedView));
}

void TEngineEnvironment::AutomationStarted(WebKitWebContext*, WebKitAutomationSession* session,
                                           gpointer self) {
  WebKitApplicationInfo* info = webkit_application_info_new();
  webkit_application_info_set_name(info, "zel");
  webkit_application_info_set_version(info, webkit_get_major_version(), webkit_get_minor_version(),
                                      webkit_get_micro_version());
  webkit_automation_session_set_application_info(session, info);
  webkit_application_info_unref(info);
  g_signal_connect(session, "create-web-view", G_CALLBACK(AutomationViewRequested), self);
}

// The session's browsing context is the application's own window, handed
// once: the program opens no other windows for a session to drive. A driver
// may ask before the window has made its view; the main loop then runs on
// (for a limited time) until it has.
WebKitWebView* TEngineEnvironment::AutomationViewRequested(WebKitAutomationSession*,
                                                           gpointer self) {
  std::shared_ptr<TEngineEnvironment> environment =
      static_cast<TEngineEnvironment*>(self)->shared_from_this();
  const gint64 deadline = g_get_monotonic_time() + 30 * G_USEC_PER_SEC;
  guint wake = g_timeout_add(100, KeepWaking, nullptr);
  while (!environment->FOfferedView && g_get_monotonic_time() < deadline)
    g_main_context_iteration(nullptr, TRUE);
  g_source_remove(wake);
  WebKitWebView* view = environment->FOfferedView;
  environment->OfferToAutomation(nullptr);
  return view;
}

HRESULT TEngineEnvironment::CreateController(
    TNativeHandle parent,
    std::function<void(HRESULT, std::unique_ptr<IWebViewController>)> completed) {
  if (!parent || !GTK_IS_CONTAINER(parent) || !completed) return E_INVALIDARG;
  auto* pending =
      new TPendingController{shared_from_this(), GTK_WIDGET(parent), false, std::move(completed)};
  g_object_ref(pending->Parent);
  g_signal_connect(pending->Parent, "destroy", G_CALLBACK(ParentDestroyed), pending);
  g_idle_add(CompleteController, pending);
  return S_OK;
}

std::string TEngineEnvironment::BrowserVersionString() { return EngineVersion(); }

}  // namespace zel
