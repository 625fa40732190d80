#pragma once
// The engine environment over WebKitGTK: one web context (website data under
// the user data folder, or ephemeral), the `zel` scheme that serves the
// application's resources, the web process extension and the media server.
#include <webkit2/webkit2.h>

#include <memory>
#include <string>

#include "backends/webkitgtk/MediaServer.h"
#include "backends/webkitgtk/UriMapping.h"
#include "platform/WebEngine.h"

namespace zel {

class TEngineEnvironment : public IWebViewEnvironment,
                           public std::enable_shared_from_this<TEngineEnvironment> {
 public:
  // Reads WEBVIEW2_USER_DATA_FOLDER and WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS.
  // Throws std::runtime_error when the environment cannot be set up.
  static std::shared_ptr<TEngineEnvironment> Create();
  ~TEngineEnvironment() override;

  HRESULT CreateController(
      TNativeHandle parent,
      std::function<void(HRESULT, std::unique_ptr<IWebViewController>)> completed) override;
  std::string BrowserVersionString() override;

  WebKitWebContext* Context() const { return FContext; }
  const TBrowserArguments& Arguments() const { return FArguments; }
  // Whether a WebDriver drives this process: its views are then created
  // controlled by automation and the first one is handed to the session.
  bool Automated() const { return FAutomated; }
  void OfferToAutomation(WebKitWebView* view);
  // nullptr when the loopback port could not be opened (media then fails).
  TMediaServer* MediaServer() const { return FMediaServer.get(); }

 private:
  TEngineEnvironment() = default;
  void PrepareExtension();
  static void InitializeWebExtensions(WebKitWebContext* context, gpointer self);
  static void SchemeRequest(WebKitURISchemeRequest* request, gpointer self);
  static void DownloadStarted(WebKitWebContext* context, WebKitDownload* download, gpointer self);
  static void AutomationStarted(WebKitWebContext* context, WebKitAutomationSession* session,
                                gpointer self);
  static WebKitWebView* AutomationViewRequested(WebKitAutomationSession* session, gpointer self);

  WebKitWebContext* FContext = nullptr;
  TBrowserArguments FArguments;
  std::unique_ptr<TMediaServer> FMediaServer;
  bool FAutomated = false;
  // The view an automation session gets when it asks (a weak pointer).
  WebKitWebView* FOfferedView = nullptr;
  // A folder holding only the extension: WebKit loads every module in it.
  std::string FExtensionFolder;
};

// The engine's version, e.g. "2.50.6".
std::string EngineVersion();

}  // namespace zel
