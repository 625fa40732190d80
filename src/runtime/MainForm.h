#pragma once
// The application's only top-level window: it hosts the browser form, owns
// the bridge module, applies the window settings of the package and runs the
// close protocol, by which the page decides whether the application closes.
// Without a package (preview mode) it serves an application folder: the
// bridge's gated functions refuse and new windows are left to the engine.
#include <memory>
#include <string>

#include "core/bridge/BrowserExternalModule.h"
#include "platform/Platform.h"
#include "runtime/BrowserForm.h"
#include "runtime/AppSource.h"
#include "runtime/StartupLoader.h"
#include "runtime/WebViewLoader.h"

namespace zel {

class TMainForm {
 public:
  TMainForm(IPlatform& platform, IAppSource& startup, IWebViewLoader& loader);
  ~TMainForm();
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  // Creates the window, the bridge module and the browser form, and applies
  // the settings.
  void FormCreate();
  // The close gate, asked on every attempt to close: answers FCanClose and
  // asks the page through zel.events.onCloseQuery().
  bool FormCloseQuery();
  // Frees the bridge module, then the browser form.
  void FormClose();
  void EdgeBrowserDocumentTitleChanged(TCustomEdgeBrowser& sender, const std::string& ADocumentTitle);
  void BrowserExternalModuleAppCloseRequest(TBrowserExternalModule& sender);
  enum class TPageLoad { Loading, Loaded, ErrorPage, Failed };
  // A load has ended or its document is shown: a close question that came
  // while the page was loading is asked now, or closes the window when no
  // page can answer it.
  void EdgeBrowserPageShown(TPageLoad shown);

  IWindow& Window() { return *FWindow; }
  TBrowserForm* BrowserForm() { return FBrowserForm.get(); }
  TBrowserExternalModule* BrowserExternalModule() { return FBrowserExternalModule.get(); }
  bool CanClose() const { return FCanClose; }

 private:
  class TBrowserAccess;
  void ApplyWindowSettings();
  bool ShowsOwnPage();

  IPlatform& FPlatform;
  IAppSource& FStartup;
  IWebViewLoader& FLoader;
  std::unique_ptr<IWindow> FWindow;

  bool FCanClose = false;
  // Where the page's loads stand: until the document of a load commits (the
  // start page's too, which is requested before its load is reported), no
  // page can answer.
  TPageLoad FPageLoad = TPageLoad::Loading;
  bool FCloseQueryPending = false;  // a close attempt waits for the page to load
  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);  // for posted tasks
  std::unique_ptr<TBrowserForm> FBrowserForm;
  std::unique_ptr<TBrowserExternalModule> FBrowserExternalModule;
  std::unique_ptr<TBrowserAccess> FBrowserAccess;
};

}  // namespace zel
