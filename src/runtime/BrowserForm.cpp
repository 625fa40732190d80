#include "runtime/BrowserForm.h"

#include "runtime/WebResources.h"

namespace zel {
namespace {

// Keep dropped files from replacing the application's page; the page's own
// drop handlers still see the events first.
constexpr const char* DragOverBlocker =
    R"(window.addEventListener("dragover", function(e){e.preventDefault();},false);)";
constexpr const char* DropBlocker =
    R"(window.addEventListener("drop", function(e){e.preventDefault();}, false);)";
constexpr const char* ClickNotifier =
    R"(window.addEventListener("click", function () {window.chrome.webview.postMessage("zel-webbrowser-clicked");});)";

bool IsBlank(const std::string& text) {
  for (unsigned char c : text)
    if (c > 32) return false;
  return true;
}

bool StartsWithIgnoringCase(const std::string& text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

}  // namespace

TBrowserForm::TBrowserForm(IUserInterface& userInterface, IWebViewLoader& loader,
                           IProcessInfo& processInfo, IProcesses& processes)
    : FUserInterface(userInterface),
      FLoader(loader),
      FProcessInfo(processInfo),
      FProcesses(processes) {}

TBrowserForm::~TBrowserForm() { FormDestroy(); }

void TBrowserForm::FormCreate(TNativeHandle parent) {
  FormDestroy();
  FExeZip = nullptr;
  FIsRuntime = false;
  FRuntimeAppID.clear();
  FWithExternal = false;
  FAppDirName.clear();
  FAllowDebug = false;
  FAllowZoom = false;
  FWebviewJavascript.clear();
  FAllowContextMenu = false;
  FStartPageURL.clear();
  FHandleRequests = false;

  FAppDirPath = FProcessInfo.ExecutablePath().parent_path().string();
  if (FAppDirPath.empty() || FAppDirPath.back() != '/') FAppDirPath += '/';

  SetProgressBarVisible(true);

  FEdgeBrowser = std::make_unique<TEdgeBrowser>(FUserInterface, FLoader);
  FEdgeBrowser->SetOnCreateWebViewCompleted([this](TCustomEdgeBrowser& sender, HRESULT result) {
    EdgeBrowserCreateWebViewCompleted(sender, result);
  });
  FEdgeBrowser->SetOnNavigationCompleted(
      [this](TCustomEdgeBrowser& sender, bool isSuccess, int webErrorStatus) {
        EdgeBrowserNavigationCompleted(sender, isSuccess, webErrorStatus);
      });
  FEdgeBrowser->SetOnNewWindowRequested(
      [this](TCustomEdgeBrowser& sender, TNewWindowRequestedEventArgs& args) {
        EdgeBrowserNewWindowRequested(sender, args);
      });
  FEdgeBrowser->SetOnPermissionRequested(
      [this](TCustomEdgeBrowser& sender, TPermissionRequestedEventArgs& args) {
        EdgeBrowserPermissionRequested(sender, args);
      });
  FEdgeBrowser->SetOnProcessFailed([this](TCustomEdgeBrowser& sender, TProcessFailedKind kind) {
    EdgeBrowserProcessFailed(sender, kind);
  });
  FEdgeBrowser->SetOnWebMessageReceived(
      [this](TCustomEdgeBrowser& sender, TWebMessageReceivedEventArgs& args) {
        EdgeBrowserFocusMessageReceived(sender, args);
      });
  FEdgeBrowser->SetOnWebResourceRequested(
      [this](TCustomEdgeBrowser& sender, TWebResourceRequestedEventArgs& args) {
        EdgeBrowserWebResourceRequested(sender, args);
      });
  FEdgeBrowser->SetParent(parent);
}

void TBrowserForm::FormDestroy() { FEdgeBrowser.reset(); }

void TBrowserForm::SetClientSize(int AWidth, int AHeight) {
  if (FEdgeBrowser) FEdgeBrowser->SetBounds(0, 0, AWidth, AHeight);
}

void TBrowserForm::SetProgressBarVisible(bool visible) {
  FProgressBarVisible = visible;
  if (FOnProgressBarVisibleChanged) FOnProgressBarVisibleChanged(*this, visible);
}

std::string TBrowserForm::DocumentScript() const {
  std::string script;
  auto append = [&script](const std::string& piece) {
    script += '\r';
    script += piece;
  };
  if (FWithExternal) append(FBridgeScript);
  append(DragOverBlocker);
  append(DropBlocker);
  if (FIsRuntime && !IsBlank(FWebviewJavascript)) append(FWebviewJavascript);
  if (!FIsRuntime) append(ClickNotifier);
  return script;
}

void TBrowserForm::AddDocumentScripts() {
  if (!FEdgeBrowser) return;
  IWebView* webView = FEdgeBrowser->DefaultInterface();
  if (webView != nullptr) webView->AddScriptToExecuteOnDocumentCreated(DocumentScript());
}

void TBrowserForm::EdgeBrowserCreateWebViewCompleted(TCustomEdgeBrowser& sender, HRESULT AResult) {
  // A failed creation leaves the form empty with the progress bar running.
  if (!Succeeded(AResult)) return;
  AddDocumentScripts();
  if (IWebViewSettings* settings = sender.SettingsInterface()) {
    settings->PutIsScriptEnabled(true);
    settings->PutIsStatusBarEnabled(false);
    settings->PutIsWebMessageEnabled(true);
    settings->PutIsBuiltInErrorPageEnabled(true);
    settings->PutIsZoomControlEnabled(FAllowZoom);
    settings->PutAreDevToolsEnabled(FAllowDebug);
    settings->PutAreDefaultContextMenusEnabled(FAllowContextMenu);
  }
  sender.AddWebResourceRequestedFilter("*", 0);
  if (!FStartPageURL.empty()) sender.Navigate(FStartPageURL);
}

void TBrowserForm::EdgeBrowserNavigationCompleted(TCustomEdgeBrowser& sender, bool isSuccess,
                                                  int webErrorStatus) {
  if (FProgressBarVisible) SetProgressBarVisible(false);
}

void TBrowserForm::EdgeBrowserNewWindowRequested(TCustomEdgeBrowser& sender,
                                                 TNewWindowRequestedEventArgs& args) {
  if (!FIsRuntime) return;
  const std::string uri = args.ArgsInterface().Uri();
  if (!StartsWithIgnoringCase(uri, "file:")) return;
  args.ArgsInterface().SetHandled(true);
  // A page of the application opens in a new instance of the program, which
  // skips the password prompt because it is given the application's ID.
  // Only while the application's own page is on top, and only for its own
  // files: a new instance trusts its page, so web content must not choose
  // one (a page from the disk, say).
  if (!StartsWithIgnoringCase(sender.LocationURL(), "file:") ||
      !TWebResources::IsApplicationFile(uri, FExeZip, FAppDirName, FAppDirPath))
    return;
  FProcesses.Start(FProcessInfo.ExecutablePath(), {FRuntimeAppID, uri});
}

void TBrowserForm::EdgeBrowserPermissionRequested(TCustomEdgeBrowser& sender,
                                                  TPermissionRequestedEventArgs& args) {
  // The application's pages get every permission without asking; web pages
  // it shows get none (camera, microphone, location are the user's).
  const bool application = StartsWithIgnoringCase(args.ArgsInterface().Uri(), "file:");
  args.ArgsInterface().SetState(application ? TPermissionState::Allow : TPermissionState::Deny);
}

void TBrowserForm::EdgeBrowserProcessFailed(TCustomEdgeBrowser& sender,
                                            TProcessFailedKind processFailedKind) {
  // A failed engine process is neither reported nor restarted.
}

void TBrowserForm::EdgeBrowserFocusMessageReceived(TCustomEdgeBrowser& sender,
                                                   TWebMessageReceivedEventArgs& args) {
  std::string message;
  if (!Succeeded(args.ArgsInterface().TryGetWebMessageAsString(message))) message.clear();
  if (!FIsRuntime && message == ClickedMessage && FOnFocusOwnerWindow) FOnFocusOwnerWindow(*this);
}

void TBrowserForm::EdgeBrowserWebResourceRequested(TCustomEdgeBrowser& sender,
                                                   TWebResourceRequestedEventArgs& args) {
  if (!FHandleRequests) return;
  TWebResources::AnswerRequest(args.ArgsInterface(), FExeZip, FAppDirName, FAppDirPath);
}

}  // namespace zel
