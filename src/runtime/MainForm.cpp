#include "runtime/MainForm.h"

#include "core/WindowStyles.h"
#include "core/settings/ProjectIni.h"

namespace zel::resources {
extern const std::string_view BridgeScript;
}

namespace zel {

// What the bridge reaches of the browser: the form's browser control.
class TMainForm::TBrowserAccess : public IBrowserAccess {
 public:
  TBrowserAccess(TMainForm& owner) : FOwner(owner) {}
  void PostWebMessageAsJson(const std::string& json) override {
    if (auto* view = Edge() ? Edge()->DefaultInterface() : nullptr)
      view->PostWebMessageAsJson(json);
  }
  // Page events reach only a page of the application's: a web page it shows
  // learns nothing of its menus, tray or notifications.
  void ExecuteScript(const std::string& script) override {
    if (Edge() && FOwner.ShowsOwnPage()) Edge()->ExecuteScript(script);
  }
  void Navigate(const std::string& url) override {
    if (Edge()) Edge()->Navigate(url);
  }
  double ZoomFactor() override { return Edge() ? Edge()->ZoomFactor() : 0; }
  void SetZoomFactor(double factor) override {
    if (Edge()) Edge()->SetZoomFactor(factor);
  }
  void FocusBrowser() override {
    FOwner.Window().Focus();
    if (Edge()) Edge()->SetFocus();
  }

 private:
  TEdgeBrowser* Edge() {
    return FOwner.FBrowserForm ? FOwner.FBrowserForm->EdgeBrowser() : nullptr;
  }
  TMainForm& FOwner;
};

TMainForm::TMainForm(IPlatform& platform, IAppSource& startup, IWebViewLoader& loader)
    : FPlatform(platform), FStartup(startup), FLoader(loader) {}

TMainForm::~TMainForm() { FormClose(); }

void TMainForm::FormCreate() {
  FCanClose = false;
  FWindow = FPlatform.UserInterface().CreateMainWindow();
  FWindow->SetCloseQuery([this] { return FormCloseQuery(); });
  // The window may close from inside a bridge call (app.close): the module
  // and the browser form are freed only once the main loop has returned.
  FWindow->SetOnClosed([this] { FPlatform.UserInterface().Quit(); });
  // The end of the session asks the same gate as the close button.
  FPlatform.UserInterface().SetOnEndRequested([this] {
    if (FWindow) FWindow->Close();
  });

  FBrowserExternalModule = std::make_unique<TBrowserExternalModule>(FPlatform);
  // A package selects runtime mode; without one the page previews a folder.
  TExeZip* package = FStartup.AppPackage();
  const bool isRuntime = package != nullptr;
  FBrowserExternalModule->SetExeZip(package);
  FBrowserExternalModule->SetAppFolder(FStartup.AppFolder());

  FBrowserForm = std::make_unique<TBrowserForm>(FPlatform.UserInterface(), FLoader,
                                                FPlatform.ProcessInfo(), FPlatform.Processes());
  FBrowserForm->SetOnProgressBarVisibleChanged(
      [this](TBrowserForm&, bool visible) { FWindow->SetProgressBarVisible(visible); });
  FBrowserForm->FormCreate(FWindow->ContentHandle());
  // The browser form fills the client area.
  FWindow->SetOnContentResized([this](int width, int height) {
    if (FBrowserForm) FBrowserForm->SetClientSize(width, height);
  });

  const TProjectINI& settings = FStartup.ProjectINI();
  const auto flag = [&](const char* key) {
    return settings.ReadBool(ProjectIniAppSection, key, false);
  };
  FBrowserForm->SetExeZip(package);
  FBrowserForm->SetIsRuntime(isRuntime);
  if (!FStartup.FilesFolder().empty()) FBrowserForm->SetAppDirPath(FStartup.FilesFolder());
  FBrowserForm->SetAppDirName(FStartup.AppDirName());
  FBrowserForm->SetHandleRequests(true);
  FBrowserForm->SetRuntimeAppID(FStartup.AppID());
  FBrowserForm->SetWithExternal(true);
  FBrowserForm->SetBridgeScript(std::string(resources::BridgeScript));
  FBrowserForm->SetAllowDebug(flag("AllowDebug"));
  FBrowserForm->SetAllowZoom(flag("AllowZoom"));
  FBrowserForm->SetAllowContextMenu(flag("AllowContextMenu"));

  TEdgeBrowser* edge = FBrowserForm->EdgeBrowser();
  edge->SetOnWebMessageReceived([this](TCustomEdgeBrowser&, TWebMessageReceivedEventArgs& args) {
    if (FBrowserExternalModule)
      FBrowserExternalModule->EdgeBrowserWebMessageReceived(args.ArgsInterface());
  });
  edge->SetOnDocumentTitleChanged([this](TCustomEdgeBrowser& sender, const std::string& title) {
    EdgeBrowserDocumentTitleChanged(sender, title);
  });
  // The close gate follows the page's loads: a new document can answer from
  // its commit on (the bridge script runs first in it), the engine's error
  // page never. The browser form keeps its own handler of the loads' ends.
  edge->SetOnNavigationStarting([this](TCustomEdgeBrowser&, TNavigationStartingEventArgs&) {
    FPageLoad = TPageLoad::Loading;
  });
  edge->SetOnContentLoading([this](TCustomEdgeBrowser&, bool isErrorPage, std::uint64_t) {
    EdgeBrowserPageShown(isErrorPage ? TPageLoad::ErrorPage : TPageLoad::Loaded);
  });
  edge->SetOnNavigationCompleted(
      [this, formHandler = edge->OnNavigationCompleted()](TCustomEdgeBrowser& sender,
                                                          bool isSuccess, int webErrorStatus) {
        if (formHandler) formHandler(sender, isSuccess, webErrorStatus);
        if (FPageLoad == TPageLoad::Loading)
          EdgeBrowserPageShown(isSuccess ? TPageLoad::Loaded : TPageLoad::Failed);
      });

  FBrowserAccess = std::make_unique<TBrowserAccess>(*this);
  FBrowserExternalModule->SetMainForm(FWindow.get());
  FBrowserExternalModule->SetBrowserForm(FBrowserAccess.get());
  FBrowserExternalModule->SetProjectINI(const_cast<TProjectINI*>(&settings));
  FBrowserExternalModule->SetOnAppCloseRequest(
      [this](TBrowserExternalModule& sender) { BrowserExternalModuleAppCloseRequest(sender); });
  std::vector<std::string> commandLine{FStartup.ExecutablePath().string()};
  commandLine.insert(commandLine.end(), FStartup.Arguments().begin(), FStartup.Arguments().end());
  FBrowserExternalModule->SetCommandLine(std::move(commandLine));

  if (package) FBrowserForm->SetWebviewJavascript(package->ExtractToString("zel-webviewjs"));

  FWindow->SetCaption(FStartup.AppName());
  FPlatform.UserInterface().SetApplicationTitle(FStartup.AppName());
  ApplyWindowSettings();

  const auto& arguments = FStartup.Arguments();
  if (arguments.size() == 2 && arguments[0] == FStartup.AppID()) {
    FBrowserForm->SetStartPageURL(arguments[1]);
  } else {
    FBrowserForm->SetStartPageURL("file:///" + FStartup.AppIndexPage());
  }
}

void TMainForm::ApplyWindowSettings() {
  const TProjectINI& s = FStartup.ProjectINI();
  const auto integer = [&](const char* key, int fallback) {
    return s.ReadInteger(ProjectIniAppSection, key, fallback);
  };
  FWindow->SetBounds(
      {integer("Left", 50), integer("Top", 50), integer("Width", 800), integer("Height", 600)});
  FWindow->SetSizeLimits(integer("MinWidth", 0), integer("MinHeight", 0), integer("MaxWidth", 0),
                         integer("MaxHeight", 0));
  FWindow->SetCentered(integer("WindowPosition", 0) == 0);
  if (integer("WindowStyle", 0) == 1) {
    // Full screen from the start; leaving it shows the normal state with the
    // WindowBorder border.
    FWindow->SetBorderStyle(BorderStyleFromSetting(integer("WindowBorder", 2)));
    FWindow->SetFullScreen(true);
    FBrowserExternalModule->SetInFullscreen(true);
  } else {
    FWindow->SetBorderStyle(BorderStyleFromSetting(integer("WindowBorder", 2)));
    if (integer("WindowState", 0) == 1) FWindow->SetState(TWindowState::Maximized);
  }
  FWindow->SetStayOnTop(integer("WindowOrder", 0) == 1);
}

bool TMainForm::ShowsOwnPage() {
  TEdgeBrowser* edge = FBrowserForm ? FBrowserForm->EdgeBrowser() : nullptr;
  if (!edge || !edge->WebViewCreated()) return false;
  return FBrowserExternalModule->OriginAllowed(OriginOfUrl(edge->LocationURL()));
}

bool TMainForm::FormCloseQuery() {
  bool canClose = FCanClose;
  // Without a web view, on a page that may not call the bridge (a web
  // address the application navigated to) or on the engine's error page,
  // nobody can answer the close question: the window closes at once instead
  // of never.
  if (!canClose && (!ShowsOwnPage() || FPageLoad == TPageLoad::ErrorPage)) return true;
  if (!canClose && FPageLoad == TPageLoad::Loading) {
    // The document being loaded does not exist yet and the one shown is on
    // its way out: the question would be lost. It is asked once the new
    // document can answer.
    FCloseQueryPending = true;
    return false;
  }
  FBrowserExternalModule->RaisePageEvent("onCloseQuery");
  return canClose;
}

void TMainForm::EdgeBrowserPageShown(TPageLoad shown) {
  FPageLoad = shown;
  if (!FCloseQueryPending) return;
  // Asked from the main loop: a load replaced by another one ends just
  // before the next one starts, and the question waits for that one.
  FPlatform.UserInterface().PostToUiThread([this, alive = std::weak_ptr<bool>(FAlive)] {
    if (alive.expired() || !FCloseQueryPending || FPageLoad == TPageLoad::Loading) return;
    FCloseQueryPending = false;
    // A load that failed before its document came leaves nobody to ask the
    // waiting question: the first page never came, or the engine's error
    // page is on its way.
    if (FPageLoad == TPageLoad::Failed) FCanClose = true;
    if (FWindow) FWindow->Close();
  });
}

void TMainForm::BrowserExternalModuleAppCloseRequest(TBrowserExternalModule&) {
  FCanClose = true;
  FWindow->Close();
}

void TMainForm::EdgeBrowserDocumentTitleChanged(TCustomEdgeBrowser&,
                                                const std::string& ADocumentTitle) {
  if (FStartup.ProjectINI().ReadBool(ProjectIniAppSection, "DynamicAppTitle", false)) {
    FWindow->SetCaption(ADocumentTitle);
  }
}

void TMainForm::FormClose() {
  FPlatform.UserInterface().SetOnEndRequested(nullptr);
  FBrowserExternalModule.reset();
  if (FBrowserForm) FBrowserForm->FormDestroy();
  FBrowserForm.reset();
}

}  // namespace zel
