#include "backends/fake/FakeWebEngine.h"

#include <algorithm>

namespace zel {
namespace {

// '*' matches any text, everything else itself.
bool WildcardMatch(std::string_view pattern, std::string_view text) {
  std::size_t p = 0, t = 0, star = std::string_view::npos, mark = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = t;
    } else if (p < pattern.size() && pattern[p] == text[t]) {
      ++p;
      ++t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// What the browser control holds: forwards to a controller that the
// environment keeps, and marks it released when let go.
class TFakeControllerProxy : public IWebViewController {
 public:
  explicit TFakeControllerProxy(TFakeWebViewController& target) : FTarget(target) {}
  ~TFakeControllerProxy() override { FTarget.SetReleased(); }
  IWebView& WebView() override { return FTarget.WebView(); }
  HRESULT PutBounds(const TBounds& bounds) override { return FTarget.PutBounds(bounds); }
  HRESULT PutIsVisible(bool visible) override { return FTarget.PutIsVisible(visible); }
  HRESULT GetZoomFactor(double& value) override { return FTarget.GetZoomFactor(value); }
  HRESULT PutZoomFactor(double value) override { return FTarget.PutZoomFactor(value); }
  HRESULT MoveFocus() override { return FTarget.MoveFocus(); }
  HRESULT Close() override { return FTarget.Close(); }

 private:
  TFakeWebViewController& FTarget;
};

}  // namespace

// --- Arguments ---

std::string TFakeWebResourceRequestedArgs::ReadBody(std::size_t chunkSize) {
  std::string out;
  if (!FResponse || !FResponse->Body) return out;
  std::vector<char> buffer(chunkSize);
  for (;;) {
    const std::size_t count = FResponse->Body->Read(buffer.data(), buffer.size());
    if (count == 0) break;
    out.append(buffer.data(), count);
  }
  return out;
}

HRESULT TFakeWebMessageReceivedArgs::TryGetWebMessageAsString(std::string& value) const {
  if (!FAsString) {
    value.clear();
    return E_INVALIDARG;
  }
  value = *FAsString;
  return S_OK;
}

// --- Settings ---

TFakeWebViewSettings::TFakeWebViewSettings() {
  for (const char* name :
       {"IsScriptEnabled", "IsWebMessageEnabled", "AreDefaultScriptDialogsEnabled",
        "IsStatusBarEnabled", "AreDevToolsEnabled", "AreDefaultContextMenusEnabled",
        "IsZoomControlEnabled", "IsBuiltInErrorPageEnabled"})
    FValues[name] = true;
}

HRESULT TFakeWebViewSettings::Get(const std::string& name, bool& value) {
  if (!Succeeded(FResult)) return FResult;
  value = FValues.at(name);
  return S_OK;
}

HRESULT TFakeWebViewSettings::Put(const std::string& name, bool value) {
  FWrites.emplace_back(name, value);
  if (!Succeeded(FResult)) return FResult;
  FValues[name] = value;
  return S_OK;
}

// --- Web view ---

HRESULT TFakeWebView::Navigate(const std::string& uri) {
  FNavigations.push_back(uri);
  if (!Succeeded(FResult)) return FResult;
  FSource = uri;
  return S_OK;
}

HRESULT TFakeWebView::NavigateToString(const std::string& html) {
  FHtmlNavigations.push_back(html);
  return FResult;
}

HRESULT TFakeWebView::ExecuteScript(
    const std::string& script,
    std::function<void(HRESULT, const std::string& resultJson)> completed) {
  FScripts.push_back({script, std::move(completed)});
  return FResult;
}

HRESULT TFakeWebView::AddScriptToExecuteOnDocumentCreated(const std::string& script) {
  FDocumentScripts.push_back(script);
  return FResult;
}

HRESULT TFakeWebView::PostWebMessageAsJson(const std::string& json) {
  FPostedMessages.push_back(json);
  return FResult;
}

HRESULT TFakeWebView::AddWebResourceRequestedFilter(const std::string& pattern,
                                                    int resourceContext) {
  if (!Succeeded(FResult)) return FResult;
  FFilters.push_back({pattern, resourceContext});
  return S_OK;
}

HRESULT TFakeWebView::RemoveWebResourceRequestedFilter(const std::string& pattern,
                                                       int resourceContext) {
  if (!Succeeded(FResult)) return FResult;
  auto found = std::find_if(FFilters.begin(), FFilters.end(), [&](const TFakeFilter& filter) {
    return filter.Pattern == pattern && filter.ResourceContext == resourceContext;
  });
  if (found == FFilters.end()) return E_INVALIDARG;
  FFilters.erase(found);
  return S_OK;
}

HRESULT TFakeWebView::Command(const char* name) {
  FCommands.emplace_back(name);
  return FResult;
}

void TFakeWebView::CompleteScript(std::size_t index, HRESULT result,
                                  const std::string& resultJson) {
  auto completed = FScripts.at(index).Completed;
  if (completed) completed(result, resultJson);
}

bool TFakeWebView::FilterMatches(const std::string& uri) const {
  return std::any_of(FFilters.begin(), FFilters.end(),
                     [&](const TFakeFilter& filter) { return WildcardMatch(filter.Pattern, uri); });
}

TFakeWebResourceRequestedArgs TFakeWebView::RaiseWebResourceRequested(const std::string& uri) {
  TFakeWebResourceRequestedArgs args(uri);
  if (FEventSink && FilterMatches(uri)) FEventSink->WebResourceRequested(args);
  return args;
}

void TFakeWebView::RaiseWebMessageReceived(const std::string& json,
                                           std::optional<std::string> asString,
                                           const std::string& source) {
  TFakeWebMessageReceivedArgs args(json, std::move(asString), TFakeMessageSender{source, {}, true});
  if (FEventSink) FEventSink->WebMessageReceived(args);
}

void TFakeWebView::RaiseWebMessageReceived(const std::string& json,
                                           const TFakeMessageSender& sender) {
  TFakeWebMessageReceivedArgs args(json, std::nullopt, sender);
  if (FEventSink) FEventSink->WebMessageReceived(args);
}

TFakeNewWindowRequestedArgs TFakeWebView::RaiseNewWindowRequested(const std::string& uri) {
  TFakeNewWindowRequestedArgs args(uri);
  if (FEventSink) FEventSink->NewWindowRequested(args);
  return args;
}

TFakePermissionRequestedArgs TFakeWebView::RaisePermissionRequested(TPermissionKind kind,
                                                                    const std::string& uri) {
  TFakePermissionRequestedArgs args(uri, kind);
  if (FEventSink) FEventSink->PermissionRequested(args);
  return args;
}

TFakeNavigationStartingArgs TFakeWebView::RaiseNavigationStarting(const std::string& uri,
                                                                  std::uint64_t navigationId) {
  TFakeNavigationStartingArgs args(uri, navigationId);
  if (FEventSink) FEventSink->NavigationStarting(args);
  return args;
}

void TFakeWebView::RaiseNavigationCompleted(bool isSuccess, int webErrorStatus) {
  if (FEventSink) FEventSink->NavigationCompleted(isSuccess, webErrorStatus);
}

void TFakeWebView::RaiseDocumentTitleChanged(const std::string& title) {
  FDocumentTitle = title;
  if (FEventSink) FEventSink->DocumentTitleChanged();
}

void TFakeWebView::RaiseSourceChanged(bool isNewDocument) {
  if (FEventSink) FEventSink->SourceChanged(isNewDocument);
}

void TFakeWebView::RaiseHistoryChanged() {
  if (FEventSink) FEventSink->HistoryChanged();
}

void TFakeWebView::RaiseContentLoading(bool isErrorPage, std::uint64_t navigationId) {
  if (FEventSink) FEventSink->ContentLoading(isErrorPage, navigationId);
}

void TFakeWebView::RaiseProcessFailed(TProcessFailedKind kind) {
  if (FEventSink) FEventSink->ProcessFailed(kind);
}

void TFakeWebView::RaiseContainsFullScreenElementChanged(bool value) {
  FContainsFullScreenElement = value;
  if (FEventSink) FEventSink->ContainsFullScreenElementChanged();
}

void TFakeWebView::RaiseWindowCloseRequested() {
  if (FEventSink) FEventSink->WindowCloseRequested();
}

void TFakeWebView::RaiseZoomFactorChanged() {
  if (FEventSink) FEventSink->ZoomFactorChanged();
}

void TFakeWebView::RaiseGotFocus() {
  if (FEventSink) FEventSink->GotFocus();
}

void TFakeWebView::RaiseLostFocus() {
  if (FEventSink) FEventSink->LostFocus();
}

// --- Controller ---

HRESULT TFakeWebViewController::PutBounds(const TBounds& bounds) {
  if (!Succeeded(FResult)) return FResult;
  FBounds = bounds;
  return S_OK;
}

HRESULT TFakeWebViewController::PutIsVisible(bool visible) {
  FVisibilityWrites.push_back(visible);
  if (!Succeeded(FResult)) return FResult;
  FIsVisible = visible;
  return S_OK;
}

HRESULT TFakeWebViewController::GetZoomFactor(double& value) {
  if (!Succeeded(FResult)) return FResult;
  value = FZoomFactor;
  return S_OK;
}

HRESULT TFakeWebViewController::PutZoomFactor(double value) {
  if (!Succeeded(FResult)) return FResult;
  FZoomFactor = value;
  return S_OK;
}

HRESULT TFakeWebViewController::MoveFocus() {
  ++FMoveFocusCount;
  return FResult;
}

HRESULT TFakeWebViewController::Close() {
  FClosed = true;
  FWebView.SetEventSink(nullptr);
  return S_OK;
}

// --- Environment ---

HRESULT TFakeWebViewEnvironment::CreateController(
    TNativeHandle parent,
    std::function<void(HRESULT, std::unique_ptr<IWebViewController>)> completed) {
  ++FControllerRequestCount;
  if (!Succeeded(FCreateControllerResult)) return FCreateControllerResult;
  TPending pending{parent, std::move(completed)};
  if (FCompleteSynchronously)
    Complete(std::move(pending));
  else
    FPending.push_back(std::move(pending));
  return S_OK;
}

bool TFakeWebViewEnvironment::CompleteController() {
  if (FPending.empty()) return false;
  TPending pending = std::move(FPending.front());
  FPending.pop_front();
  Complete(std::move(pending));
  return true;
}

void TFakeWebViewEnvironment::Complete(TPending pending) {
  if (!Succeeded(FControllerResult)) {
    pending.Completed(FControllerResult, nullptr);
    return;
  }
  FControllers.push_back(std::make_unique<TFakeWebViewController>(pending.Parent));
  pending.Completed(S_OK, std::make_unique<TFakeControllerProxy>(*FControllers.back()));
}

TFakeWebViewController* TFakeWebViewEnvironment::LastController() const {
  return FControllers.empty() ? nullptr : FControllers.back().get();
}

// --- Loader ---

TFakeWebViewLoader::TFakeWebViewLoader()
    : FEnvironment(std::make_shared<TFakeWebViewEnvironment>()) {}

HRESULT TFakeWebViewLoader::CreateEnvironment(TEnvironmentCompleted completed) {
  std::unique_lock<std::mutex> guard(FLock);
  ++FEnvironmentRequestCount;
  if (!Succeeded(FCreateEnvironmentResult)) return FCreateEnvironmentResult;
  if (!FCompleteSynchronously) {
    FPending.push_back(std::move(completed));
    return S_OK;
  }
  const HRESULT result = FEnvironmentResult;
  auto environment = Succeeded(result) ? FEnvironment : nullptr;
  guard.unlock();
  completed(result, std::move(environment));
  return S_OK;
}

bool TFakeWebViewLoader::CompleteEnvironment() {
  std::unique_lock<std::mutex> guard(FLock);
  if (FPending.empty()) return false;
  TEnvironmentCompleted completed = std::move(FPending.front());
  FPending.pop_front();
  const HRESULT result = FEnvironmentResult;
  auto environment = Succeeded(result) ? FEnvironment : nullptr;
  guard.unlock();
  completed(result, std::move(environment));
  return true;
}

HRESULT TFakeWebViewLoader::BrowserVersion(std::string& version) {
  std::lock_guard<std::mutex> guard(FLock);
  version = Succeeded(FBrowserVersionResult) ? FBrowserVersion : std::string();
  return FBrowserVersionResult;
}

void TFakeWebViewLoader::SetCompleteSynchronously(bool value) {
  std::lock_guard<std::mutex> guard(FLock);
  FCompleteSynchronously = value;
}

void TFakeWebViewLoader::SetEnvironmentResult(HRESULT result) {
  std::lock_guard<std::mutex> guard(FLock);
  FEnvironmentResult = result;
}

void TFakeWebViewLoader::SetCreateEnvironmentResult(HRESULT result) {
  std::lock_guard<std::mutex> guard(FLock);
  FCreateEnvironmentResult = result;
}

int TFakeWebViewLoader::EnvironmentRequestCount() {
  std::lock_guard<std::mutex> guard(FLock);
  return FEnvironmentRequestCount;
}

std::size_t TFakeWebViewLoader::PendingEnvironmentCount() {
  std::lock_guard<std::mutex> guard(FLock);
  return FPending.size();
}

void TFakeWebViewLoader::SetBrowserVersion(HRESULT result, std::string version) {
  std::lock_guard<std::mutex> guard(FLock);
  FBrowserVersionResult = result;
  FBrowserVersion = std::move(version);
}

}  // namespace zel
