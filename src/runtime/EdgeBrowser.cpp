#include "runtime/EdgeBrowser.h"

#include <cmath>

namespace zel {
namespace {

// Without leading and trailing characters up to the blank (code 32).
std::string_view TrimBlanks(std::string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
  return text.substr(begin, end - begin);
}

bool IsAboutBlank(std::string_view address) {
  constexpr std::string_view blank = "about:blank";
  if (address.size() != blank.size()) return false;
  for (std::size_t i = 0; i < blank.size(); ++i) {
    char c = address[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != blank[i]) return false;
  }
  return true;
}

// Runs an owner's handler inside an engine notification: an error in the
// handler ends that handler, never the engine's notification.
template <typename TCall>
void Guarded(TCall&& call) {
  try {
    call();
  } catch (...) {
  }
}

}  // namespace

// --- EEdgeError ---

EEdgeError::EEdgeError(const std::string& message, HRESULT errorCode)
    : EError(message), FErrorCode(errorCode) {}

EEdgeError EEdgeError::CreateRes(int ident, HRESULT errorCode) {
  switch (ident) {
    case SFailedToCreateControl:
      return EEdgeError("Failed to create Edge browser control", errorCode);
    case SNotInstantiated:
      return EEdgeError("WebView2 not instantiated", errorCode);
    default:
      return EEdgeError("Browser control error " + std::to_string(ident), errorCode);
  }
}

// --- Construction ---

TCustomEdgeBrowser::TCustomEdgeBrowser(IUserInterface& userInterface, IWebViewLoader& loader)
    : FUserInterface(userInterface),
      FLoader(loader),
      FErrorRecord(std::make_shared<TErrorRecord>()),
      FEventSink(*this),
      FSelf(std::make_shared<TCustomEdgeBrowser*>(this)) {}

TCustomEdgeBrowser::~TCustomEdgeBrowser() {
  FSelf.reset();
  CloseWebView();
}

// --- The control in its owner ---

void TCustomEdgeBrowser::SetParent(TNativeHandle parent) {
  const TNativeHandle previous = FParent;
  FParent = parent;
  if (parent == nullptr) return;
  // A new parent is a new native window: the web view moves by being made anew.
  if (FWebView != nullptr && parent != previous)
    ReinitializeWebView();
  else
    CreateWebView();
}

void TCustomEdgeBrowser::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  FBoundsRect = {ALeft, ATop, ALeft + AWidth, ATop + AHeight};
  Resize();
}

TBounds TCustomEdgeBrowser::ClientRect() const {
  return {0, 0, FBoundsRect.Right - FBoundsRect.Left, FBoundsRect.Bottom - FBoundsRect.Top};
}

void TCustomEdgeBrowser::SetVisible(bool visible) {
  if (visible == FVisible) return;
  FVisible = visible;
  if (FWebViewController) ProcessHResult(FWebViewController->PutIsVisible(visible));
}

void TCustomEdgeBrowser::SystemCommand(TSystemCommand command) {
  if (!FWebViewController) return;
  if (command == TSystemCommand::Minimize)
    ProcessHResult(FWebViewController->PutIsVisible(false));
  else if (command == TSystemCommand::Restore)
    ProcessHResult(FWebViewController->PutIsVisible(true));
}

void TCustomEdgeBrowser::DoEnter() {
  if (FOnEnter) FOnEnter(*this);
  // The engine's own focus notification must not move the focus back.
  if (!FWebViewFocusEventActive && FWebViewController)
    ProcessHResult(FWebViewController->MoveFocus());
}

void TCustomEdgeBrowser::DoExit() {
  if (FOnExit) FOnExit(*this);
}

void TCustomEdgeBrowser::Resize() {
  if (!FWebViewController) return;
  TBounds rect = ClientRect();
  rect.Right = static_cast<int>(std::trunc((rect.Right - rect.Left) * FSizeRatio + rect.Left));
  rect.Bottom = static_cast<int>(std::trunc((rect.Bottom - rect.Top) * FSizeRatio + rect.Top));
  ProcessHResult(FWebViewController->PutBounds(rect));
}

// --- Creation ---

void TCustomEdgeBrowser::PostToMainLoop(std::function<void()> task) {
  FUserInterface.PostToUiThread(std::move(task));
}

void TCustomEdgeBrowser::CreateWebView() {
  if (FWebView != nullptr || FBrowserControlState == TBrowserControlState::Creating) return;
  FBrowserControlState = TBrowserControlState::Creating;
  std::weak_ptr<TCustomEdgeBrowser*> self = FSelf;
  PostToMainLoop([self] {
    if (auto alive = self.lock()) (*alive)->InitializeWebView();
  });
}

void TCustomEdgeBrowser::ReinitializeWebView() { InitializeWebView(); }

void TCustomEdgeBrowser::InitializeWebView() {
  CloseWebView();
  FSizeRatio = 1.0;
  FWebViewFocusEventActive = false;

  std::weak_ptr<TCustomEdgeBrowser*> self = FSelf;
  std::shared_ptr<TErrorRecord> record = FErrorRecord;
  IUserInterface& userInterface = FUserInterface;
  const HRESULT hr = FLoader.CreateEnvironment(
      [self, record, &userInterface](HRESULT result,
                                     std::shared_ptr<IWebViewEnvironment> environment) {
        if (Succeeded(result) && !environment) result = E_FAIL;
        {
          std::lock_guard<std::mutex> guard(record->CritSec);
          record->LastErrorCode = result;
        }
        userInterface.RunOnUiThread([self, result, environment = std::move(environment)]() mutable {
          if (auto alive = self.lock())
            (*alive)->EnvironmentCompleted(result, std::move(environment));
        });
      });
  // A successful call is not recorded: its completion may already have run
  // and recorded the more recent result.
  if (!Succeeded(hr)) {
    ProcessHResult(hr);
    RaiseCreateWebViewCompleted(hr);
  }
}

void TCustomEdgeBrowser::EnvironmentCompleted(HRESULT result,
                                              std::shared_ptr<IWebViewEnvironment> environment) {
  if (!Succeeded(result)) {
    RaiseCreateWebViewCompleted(result);
    return;
  }
  FWebViewEnvironment = std::move(environment);
  std::weak_ptr<TCustomEdgeBrowser*> self = FSelf;
  const HRESULT hr = FWebViewEnvironment->CreateController(
      FParent, [self](HRESULT controllerResult, std::unique_ptr<IWebViewController> controller) {
        if (auto alive = self.lock())
          (*alive)->ControllerCompleted(controllerResult, std::move(controller));
        else if (controller)
          controller->Close();
      });
  // A request the engine refuses at once ends the creation like a failed one.
  // A successful call is not recorded, as above.
  if (!Succeeded(hr)) {
    ProcessHResult(hr);
    CreationFailed(hr);
  }
}

void TCustomEdgeBrowser::ControllerCompleted(HRESULT result,
                                             std::unique_ptr<IWebViewController> controller) {
  if (Succeeded(result) && !controller) result = E_FAIL;
  if (!ProcessHResult(result)) {
    CreationFailed(result);
    return;
  }
  // A later creation replaces an earlier web view that is still open.
  if (FWebViewController) CloseWebView();
  FWebViewController = std::move(controller);
  FWebView = &FWebViewController->WebView();
  FWebViewSettings = &FWebView->Settings();
  FBrowserControlState = TBrowserControlState::Created;

  std::weak_ptr<TCustomEdgeBrowser*> self = FSelf;
  RaiseCreateWebViewCompleted(result);
  if (self.expired()) return;  // the handler freed the control

  // Events flow only now, so the owner's set-up above sees none of them.
  if (FWebView == nullptr || !FWebViewController) return;
  FWebView->SetEventSink(&FEventSink);
  Resize();
  if (!FLastURL.empty()) Navigate(FLastURL);
}

void TCustomEdgeBrowser::CreationFailed(HRESULT result) {
  FBrowserControlState = TBrowserControlState::Failed;
  if (FOnCreateWebViewCompleted) {
    RaiseCreateWebViewCompleted(result);
    return;
  }
  const HRESULT code = LastErrorCode();
  PostToMainLoop([code] { throw EEdgeError::CreateRes(EEdgeError::SFailedToCreateControl, code); });
}

void TCustomEdgeBrowser::RaiseCreateWebViewCompleted(HRESULT result) {
  if (FOnCreateWebViewCompleted) Guarded([&] { FOnCreateWebViewCompleted(*this, result); });
}

void TCustomEdgeBrowser::CloseWebView() {
  if (FWebView != nullptr) {
    FWebView->SetEventSink(nullptr);
    FWebView = nullptr;
  }
  // The settings belong to the web view and go with it.
  FWebViewSettings = nullptr;
  if (FWebViewController) {
    FWebViewController->Close();
    FWebViewController.reset();
  }
}

bool TCustomEdgeBrowser::ProcessHResult(HRESULT hr) {
  std::lock_guard<std::mutex> guard(FErrorRecord->CritSec);
  FErrorRecord->LastErrorCode = hr;
  return Succeeded(hr);
}

HRESULT TCustomEdgeBrowser::LastErrorCode() const {
  std::lock_guard<std::mutex> guard(FErrorRecord->CritSec);
  return FErrorRecord->LastErrorCode;
}

// --- Operations ---

void TCustomEdgeBrowser::Navigate(const std::string& AUrl) {
  if (FWebView != nullptr)
    ProcessHResult(FWebView->Navigate(AUrl));
  else if (!TrimBlanks(AUrl).empty())
    FLastURL = AUrl;
}

void TCustomEdgeBrowser::NavigateToString(const std::string& AHTMLContent) {
  if (FWebView != nullptr) ProcessHResult(FWebView->NavigateToString(AHTMLContent));
}

void TCustomEdgeBrowser::ExecuteScript(const std::string& JavaScript) {
  if (FWebView == nullptr) return;
  std::weak_ptr<TCustomEdgeBrowser*> self = FSelf;
  ProcessHResult(
      FWebView->ExecuteScript(JavaScript, [self](HRESULT result, const std::string& resultJson) {
        auto alive = self.lock();
        if (!alive) return;
        TCustomEdgeBrowser& browser = **alive;
        if (browser.FOnExecuteScript)
          Guarded([&] { browser.FOnExecuteScript(browser, result, resultJson); });
      }));
}

void TCustomEdgeBrowser::AddWebResourceRequestedFilter(const std::string& filter,
                                                       int ResourceContext) {
  if (FWebView != nullptr)
    ProcessHResult(FWebView->AddWebResourceRequestedFilter(filter, ResourceContext));
}

void TCustomEdgeBrowser::RemoveWebResourceRequestedFilter(const std::string& filter,
                                                          int ResourceContext) {
  if (FWebView != nullptr)
    ProcessHResult(FWebView->RemoveWebResourceRequestedFilter(filter, ResourceContext));
}

void TCustomEdgeBrowser::GoBack() {
  if (FWebView != nullptr) ProcessHResult(FWebView->GoBack());
}

void TCustomEdgeBrowser::GoForward() {
  if (FWebView != nullptr) ProcessHResult(FWebView->GoForward());
}

void TCustomEdgeBrowser::Refresh() {
  if (FWebView != nullptr) ProcessHResult(FWebView->Reload());
}

void TCustomEdgeBrowser::Stop() {
  if (FWebView != nullptr) ProcessHResult(FWebView->Stop());
}

void TCustomEdgeBrowser::SetFocus() {
  if (FWebViewController) ProcessHResult(FWebViewController->MoveFocus());
}

// --- Properties ---

double TCustomEdgeBrowser::ZoomFactor() {
  if (!FWebViewController) return 0;
  double value = 0;
  return ProcessHResult(FWebViewController->GetZoomFactor(value)) ? value : 0;
}

void TCustomEdgeBrowser::SetZoomFactor(double value) {
  if (FWebViewController) ProcessHResult(FWebViewController->PutZoomFactor(value));
}

void TCustomEdgeBrowser::SetSizeRatio(double value) {
  FSizeRatio = value;
  Resize();
}

bool TCustomEdgeBrowser::WebViewCreated() const {
  return FWebViewEnvironment && FWebViewController && FWebView != nullptr &&
         FWebViewSettings != nullptr;
}

std::uint32_t TCustomEdgeBrowser::BrowserProcessID() {
  if (FWebView == nullptr) return 0;
  std::uint32_t value = 0;
  return ProcessHResult(FWebView->GetBrowserProcessId(value)) ? value : 0;
}

std::string TCustomEdgeBrowser::BrowserVersionInfo() {
  if (FWebView != nullptr && FWebViewEnvironment)
    return FWebViewEnvironment->BrowserVersionString();
  std::string version;
  if (!ProcessHResult(FLoader.BrowserVersion(version))) version.clear();
  return version;
}

bool TCustomEdgeBrowser::CanGoBack() {
  bool value = false;
  return FWebView != nullptr && ProcessHResult(FWebView->GetCanGoBack(value)) && value;
}

bool TCustomEdgeBrowser::CanGoForward() {
  bool value = false;
  return FWebView != nullptr && ProcessHResult(FWebView->GetCanGoForward(value)) && value;
}

bool TCustomEdgeBrowser::ContainsFullScreenElement() {
  bool value = false;
  return FWebView != nullptr && ProcessHResult(FWebView->GetContainsFullScreenElement(value)) &&
         value;
}

std::string TCustomEdgeBrowser::DocumentTitle() {
  std::string value;
  if (FWebView == nullptr || !ProcessHResult(FWebView->GetDocumentTitle(value))) return {};
  return value;
}

std::string TCustomEdgeBrowser::LocationURL() {
  std::string value;
  if (FWebView == nullptr || !ProcessHResult(FWebView->GetSource(value))) return {};
  return IsAboutBlank(value) ? std::string() : value;
}

// --- Settings ---

bool TCustomEdgeBrowser::ReadSetting(HRESULT (IWebViewSettings::*getter)(bool&)) {
  if (FWebViewSettings == nullptr)
    throw EEdgeError::CreateRes(EEdgeError::SNotInstantiated, E_FAIL);
  bool value = false;
  if (!ProcessHResult((FWebViewSettings->*getter)(value)))
    throw EEdgeError::CreateRes(EEdgeError::SNotInstantiated, E_FAIL);
  return value;
}

void TCustomEdgeBrowser::WriteSetting(HRESULT (IWebViewSettings::*putter)(bool), bool value) {
  if (FWebViewSettings == nullptr)
    throw EEdgeError::CreateRes(EEdgeError::SNotInstantiated, E_FAIL);
  ProcessHResult((FWebViewSettings->*putter)(value));
}

bool TCustomEdgeBrowser::ScriptEnabled() {
  return ReadSetting(&IWebViewSettings::GetIsScriptEnabled);
}
void TCustomEdgeBrowser::SetScriptEnabled(bool value) {
  WriteSetting(&IWebViewSettings::PutIsScriptEnabled, value);
}
bool TCustomEdgeBrowser::WebMessageEnabled() {
  return ReadSetting(&IWebViewSettings::GetIsWebMessageEnabled);
}
void TCustomEdgeBrowser::SetWebMessageEnabled(bool value) {
  WriteSetting(&IWebViewSettings::PutIsWebMessageEnabled, value);
}
bool TCustomEdgeBrowser::DefaultScriptDialogsEnabled() {
  return ReadSetting(&IWebViewSettings::GetAreDefaultScriptDialogsEnabled);
}
void TCustomEdgeBrowser::SetDefaultScriptDialogsEnabled(bool value) {
  WriteSetting(&IWebViewSettings::PutAreDefaultScriptDialogsEnabled, value);
}
bool TCustomEdgeBrowser::StatusBarEnabled() {
  return ReadSetting(&IWebViewSettings::GetIsStatusBarEnabled);
}
void TCustomEdgeBrowser::SetStatusBarEnabled(bool value) {
  WriteSetting(&IWebViewSettings::PutIsStatusBarEnabled, value);
}
bool TCustomEdgeBrowser::DevToolsEnabled() {
  return ReadSetting(&IWebViewSettings::GetAreDevToolsEnabled);
}
void TCustomEdgeBrowser::SetDevToolsEnabled(bool value) {
  WriteSetting(&IWebViewSettings::PutAreDevToolsEnabled, value);
}
bool TCustomEdgeBrowser::DefaultContextMenusEnabled() {
  return ReadSetting(&IWebViewSettings::GetAreDefaultContextMenusEnabled);
}
void TCustomEdgeBrowser::SetDefaultContextMenusEnabled(bool value) {
  WriteSetting(&IWebViewSettings::PutAreDefaultContextMenusEnabled, value);
}
bool TCustomEdgeBrowser::ZoomControlEnabled() {
  return ReadSetting(&IWebViewSettings::GetIsZoomControlEnabled);
}
void TCustomEdgeBrowser::SetZoomControlEnabled(bool value) {
  WriteSetting(&IWebViewSettings::PutIsZoomControlEnabled, value);
}
bool TCustomEdgeBrowser::BuiltInErrorPageEnabled() {
  return ReadSetting(&IWebViewSettings::GetIsBuiltInErrorPageEnabled);
}
void TCustomEdgeBrowser::SetBuiltInErrorPageEnabled(bool value) {
  WriteSetting(&IWebViewSettings::PutIsBuiltInErrorPageEnabled, value);
}

// --- Engine events ---

void TCustomEdgeBrowser::TEventSink::NavigationStarting(INavigationStartingArgs& args) {
  if (!FOwner.FOnNavigationStarting) return;
  TNavigationStartingEventArgs wrapper(args);
  Guarded([&] { FOwner.FOnNavigationStarting(FOwner, wrapper); });
}

void TCustomEdgeBrowser::TEventSink::NavigationCompleted(bool isSuccess, int webErrorStatus) {
  if (FOwner.FOnNavigationCompleted)
    Guarded([&] { FOwner.FOnNavigationCompleted(FOwner, isSuccess, webErrorStatus); });
}

void TCustomEdgeBrowser::TEventSink::SourceChanged(bool isNewDocument) {
  if (FOwner.FOnSourceChanged) Guarded([&] { FOwner.FOnSourceChanged(FOwner, isNewDocument); });
}

void TCustomEdgeBrowser::TEventSink::HistoryChanged() {
  if (FOwner.FOnHistoryChanged) Guarded([&] { FOwner.FOnHistoryChanged(FOwner); });
}

void TCustomEdgeBrowser::TEventSink::ContentLoading(bool isErrorPage, std::uint64_t navigationId) {
  if (FOwner.FOnContentLoading)
    Guarded([&] { FOwner.FOnContentLoading(FOwner, isErrorPage, navigationId); });
}

void TCustomEdgeBrowser::TEventSink::DocumentTitleChanged() {
  if (!FOwner.FOnDocumentTitleChanged || FOwner.FWebView == nullptr) return;
  std::string title;
  if (!FOwner.ProcessHResult(FOwner.FWebView->GetDocumentTitle(title))) title.clear();
  Guarded([&] { FOwner.FOnDocumentTitleChanged(FOwner, title); });
}

void TCustomEdgeBrowser::TEventSink::NewWindowRequested(INewWindowRequestedArgs& args) {
  if (!FOwner.FOnNewWindowRequested) return;
  TNewWindowRequestedEventArgs wrapper(args);
  Guarded([&] { FOwner.FOnNewWindowRequested(FOwner, wrapper); });
}

void TCustomEdgeBrowser::TEventSink::WebResourceRequested(IWebResourceRequestedArgs& args) {
  if (!FOwner.FOnWebResourceRequested) return;
  TWebResourceRequestedEventArgs wrapper(args);
  Guarded([&] { FOwner.FOnWebResourceRequested(FOwner, wrapper); });
}

void TCustomEdgeBrowser::TEventSink::PermissionRequested(IPermissionRequestedArgs& args) {
  if (!FOwner.FOnPermissionRequested) return;
  TPermissionRequestedEventArgs wrapper(args);
  Guarded([&] { FOwner.FOnPermissionRequested(FOwner, wrapper); });
}

void TCustomEdgeBrowser::TEventSink::ProcessFailed(TProcessFailedKind kind) {
  if (FOwner.FOnProcessFailed) Guarded([&] { FOwner.FOnProcessFailed(FOwner, kind); });
}

void TCustomEdgeBrowser::TEventSink::WebMessageReceived(IWebMessageReceivedArgs& args) {
  if (!FOwner.FOnWebMessageReceived) return;
  TWebMessageReceivedEventArgs wrapper(args);
  Guarded([&] { FOwner.FOnWebMessageReceived(FOwner, wrapper); });
}

void TCustomEdgeBrowser::TEventSink::ContainsFullScreenElementChanged() {
  if (!FOwner.FOnContainsFullScreenElementChanged || FOwner.FWebView == nullptr) return;
  bool value = false;
  if (!FOwner.ProcessHResult(FOwner.FWebView->GetContainsFullScreenElement(value))) return;
  Guarded([&] { FOwner.FOnContainsFullScreenElementChanged(FOwner, value); });
}

void TCustomEdgeBrowser::TEventSink::WindowCloseRequested() {
  if (FOwner.FOnWindowCloseRequested) Guarded([&] { FOwner.FOnWindowCloseRequested(FOwner); });
}

void TCustomEdgeBrowser::TEventSink::ZoomFactorChanged() {
  if (!FOwner.FOnZoomFactorChanged || !FOwner.FWebViewController) return;
  double value = 0;
  if (!FOwner.ProcessHResult(FOwner.FWebViewController->GetZoomFactor(value))) value = 0;
  Guarded([&] { FOwner.FOnZoomFactorChanged(FOwner, value); });
}

void TCustomEdgeBrowser::TEventSink::GotFocus() {
  FOwner.FWebViewFocusEventActive = true;
  Guarded([&] { FOwner.DoEnter(); });
  FOwner.FWebViewFocusEventActive = false;
}

void TCustomEdgeBrowser::TEventSink::LostFocus() {
  Guarded([&] { FOwner.DoExit(); });
}

}  // namespace zel
