#pragma once
// An in-memory web engine for unit tests: it records what the browser control
// asks of it (navigations, scripts, posted messages, document scripts,
// filters, settings), lets the test raise any event, and completes the
// asynchronous creation at once or when the test says so.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/WebEngine.h"
#include "runtime/WebViewLoader.h"

namespace zel {

// --- Event arguments that keep what the handler did ---

class TFakeWebResourceRequestedArgs : public IWebResourceRequestedArgs {
 public:
  explicit TFakeWebResourceRequestedArgs(std::string uri) : FUri(std::move(uri)) {}
  std::string Uri() const override { return FUri; }
  void SetResponse(TWebResourceResponse response) override {
    FResponse = std::move(response);
    ++FResponseCount;
  }

  bool HasResponse() const { return FResponse.has_value(); }
  int ResponseCount() const { return FResponseCount; }
  // The response set by the handler; requires HasResponse().
  TWebResourceResponse& Response() { return *FResponse; }
  // Reads the body to its end in pieces of `chunkSize` bytes, as the engine does.
  std::string ReadBody(std::size_t chunkSize = 4096);

 private:
  std::string FUri;
  std::optional<TWebResourceResponse> FResponse;
  int FResponseCount = 0;
};

// The document a fake message comes from, as the engine reports it.
struct TFakeMessageSender {
  std::string Origin = "file://";
  std::vector<std::string> AncestorOrigins;  // nearest first
  bool Current = true;                       // false: a channel kept from a gone document
};

class TFakeWebMessageReceivedArgs : public IWebMessageReceivedArgs {
 public:
  // `asString`: the message when it was posted as a plain string.
  TFakeWebMessageReceivedArgs(std::string json, std::optional<std::string> asString,
                              TFakeMessageSender sender)
      : FJson(std::move(json)), FAsString(std::move(asString)), FSender(std::move(sender)) {}
  std::string WebMessageAsJson() const override { return FJson; }
  HRESULT TryGetWebMessageAsString(std::string& value) const override;
  std::string Source() const override { return FSender.Origin; }
  std::vector<std::string> AncestorOrigins() const override { return FSender.AncestorOrigins; }
  bool IsSenderCurrent() const override { return FSender.Current; }

 private:
  std::string FJson;
  std::optional<std::string> FAsString;
  TFakeMessageSender FSender;
};

class TFakeNewWindowRequestedArgs : public INewWindowRequestedArgs {
 public:
  explicit TFakeNewWindowRequestedArgs(std::string uri) : FUri(std::move(uri)) {}
  std::string Uri() const override { return FUri; }
  void SetHandled(bool handled) override { FHandled = handled; }
  bool Handled() const { return FHandled; }

 private:
  std::string FUri;
  bool FHandled = false;
};

class TFakePermissionRequestedArgs : public IPermissionRequestedArgs {
 public:
  TFakePermissionRequestedArgs(std::string uri, TPermissionKind kind)
      : FUri(std::move(uri)), FKind(kind) {}
  std::string Uri() const override { return FUri; }
  TPermissionKind Kind() const override { return FKind; }
  void SetState(TPermissionState state) override { FState = state; }
  TPermissionState State() const { return FState; }

 private:
  std::string FUri;
  TPermissionKind FKind;
  TPermissionState FState = TPermissionState::Default;
};

class TFakeNavigationStartingArgs : public INavigationStartingArgs {
 public:
  TFakeNavigationStartingArgs(std::string uri, std::uint64_t navigationId)
      : FUri(std::move(uri)), FNavigationId(navigationId) {}
  std::string Uri() const override { return FUri; }
  std::uint64_t NavigationId() const override { return FNavigationId; }
  void SetCancel(bool cancel) override { FCancel = cancel; }
  bool Cancel() const { return FCancel; }

 private:
  std::string FUri;
  std::uint64_t FNavigationId;
  bool FCancel = false;
};

// --- Settings, web view, controller, environment ---

class TFakeWebViewSettings : public IWebViewSettings {
 public:
  TFakeWebViewSettings();

  HRESULT GetIsScriptEnabled(bool& value) override { return Get("IsScriptEnabled", value); }
  HRESULT PutIsScriptEnabled(bool value) override { return Put("IsScriptEnabled", value); }
  HRESULT GetIsWebMessageEnabled(bool& value) override { return Get("IsWebMessageEnabled", value); }
  HRESULT PutIsWebMessageEnabled(bool value) override { return Put("IsWebMessageEnabled", value); }
  HRESULT GetAreDefaultScriptDialogsEnabled(bool& value) override {
    return Get("AreDefaultScriptDialogsEnabled", value);
  }
  HRESULT PutAreDefaultScriptDialogsEnabled(bool value) override {
    return Put("AreDefaultScriptDialogsEnabled", value);
  }
  HRESULT GetIsStatusBarEnabled(bool& value) override { return Get("IsStatusBarEnabled", value); }
  HRESULT PutIsStatusBarEnabled(bool value) override { return Put("IsStatusBarEnabled", value); }
  HRESULT GetAreDevToolsEnabled(bool& value) override { return Get("AreDevToolsEnabled", value); }
  HRESULT PutAreDevToolsEnabled(bool value) override { return Put("AreDevToolsEnabled", value); }
  HRESULT GetAreDefaultContextMenusEnabled(bool& value) override {
    return Get("AreDefaultContextMenusEnabled", value);
  }
  HRESULT PutAreDefaultContextMenusEnabled(bool value) override {
    return Put("AreDefaultContextMenusEnabled", value);
  }
  HRESULT GetIsZoomControlEnabled(bool& value) override {
    return Get("IsZoomControlEnabled", value);
  }
  HRESULT PutIsZoomControlEnabled(bool value) override {
    return Put("IsZoomControlEnabled", value);
  }
  HRESULT GetIsBuiltInErrorPageEnabled(bool& value) override {
    return Get("IsBuiltInErrorPageEnabled", value);
  }
  HRESULT PutIsBuiltInErrorPageEnabled(bool value) override {
    return Put("IsBuiltInErrorPageEnabled", value);
  }

  // The current value by member name ("IsScriptEnabled", ...).
  bool Value(const std::string& name) const { return FValues.at(name); }
  // Every write in order: member name and value.
  const std::vector<std::pair<std::string, bool>>& Writes() const { return FWrites; }
  // Every call fails with `result` from now on (S_OK: they succeed again).
  void SetResult(HRESULT result) { FResult = result; }

 private:
  HRESULT Get(const std::string& name, bool& value);
  HRESULT Put(const std::string& name, bool value);

  std::map<std::string, bool> FValues;
  std::vector<std::pair<std::string, bool>> FWrites;
  HRESULT FResult = S_OK;
};

struct TFakeScriptCall {
  std::string Script;
  std::function<void(HRESULT, const std::string&)> Completed;
};

struct TFakeFilter {
  std::string Pattern;
  int ResourceContext = 0;
};

class TFakeWebView : public IWebView {
 public:
  void SetEventSink(IWebViewEvents* events) override { FEventSink = events; }
  IWebViewSettings& Settings() override { return FSettings; }

  HRESULT Navigate(const std::string& uri) override;
  HRESULT NavigateToString(const std::string& html) override;
  HRESULT ExecuteScript(
      const std::string& script,
      std::function<void(HRESULT, const std::string& resultJson)> completed) override;
  HRESULT AddScriptToExecuteOnDocumentCreated(const std::string& script) override;
  HRESULT PostWebMessageAsJson(const std::string& json) override;
  HRESULT AddWebResourceRequestedFilter(const std::string& pattern, int resourceContext) override;
  HRESULT RemoveWebResourceRequestedFilter(const std::string& pattern,
                                           int resourceContext) override;
  HRESULT GoBack() override { return Command("GoBack"); }
  HRESULT GoForward() override { return Command("GoForward"); }
  HRESULT Reload() override { return Command("Reload"); }
  HRESULT Stop() override { return Command("Stop"); }
  HRESULT GetCanGoBack(bool& value) override { return Read(FCanGoBack, value); }
  HRESULT GetCanGoForward(bool& value) override { return Read(FCanGoForward, value); }
  HRESULT GetDocumentTitle(std::string& value) override { return Read(FDocumentTitle, value); }
  HRESULT GetSource(std::string& value) override { return Read(FSource, value); }
  HRESULT GetContainsFullScreenElement(bool& value) override {
    return Read(FContainsFullScreenElement, value);
  }
  HRESULT GetBrowserProcessId(std::uint32_t& value) override {
    return Read(FBrowserProcessId, value);
  }
  HRESULT OpenDevToolsWindow() override { return Command("OpenDevToolsWindow"); }

  // What was asked.
  TFakeWebViewSettings& FakeSettings() { return FSettings; }
  IWebViewEvents* EventSink() const { return FEventSink; }
  const std::vector<std::string>& Navigations() const { return FNavigations; }
  const std::vector<std::string>& HtmlNavigations() const { return FHtmlNavigations; }
  std::vector<TFakeScriptCall>& Scripts() { return FScripts; }
  const std::vector<std::string>& DocumentScripts() const { return FDocumentScripts; }
  const std::vector<std::string>& PostedMessages() const { return FPostedMessages; }
  const std::vector<TFakeFilter>& Filters() const { return FFilters; }
  // GoBack, GoForward, Reload, Stop and OpenDevToolsWindow in order.
  const std::vector<std::string>& Commands() const { return FCommands; }

  // What the web view shows. Navigate sets the source too.
  void SetSource(std::string value) { FSource = std::move(value); }
  void SetDocumentTitle(std::string value) { FDocumentTitle = std::move(value); }
  void SetCanGoBack(bool value) { FCanGoBack = value; }
  void SetCanGoForward(bool value) { FCanGoForward = value; }
  void SetContainsFullScreenElement(bool value) { FContainsFullScreenElement = value; }
  void SetBrowserProcessId(std::uint32_t value) { FBrowserProcessId = value; }
  // Every call fails with `result` from now on (calls are still recorded).
  void SetResult(HRESULT result) { FResult = result; }

  // Completes script call `index` as the engine would.
  void CompleteScript(std::size_t index, HRESULT result, const std::string& resultJson);

  // Events, delivered to the current sink (nothing happens without one).
  // A resource request reaches the sink only when a registered filter
  // matches its address ('*' matches any text).
  TFakeWebResourceRequestedArgs RaiseWebResourceRequested(const std::string& uri);
  void RaiseWebMessageReceived(const std::string& json, std::optional<std::string> asString,
                               const std::string& source = "file://");
  void RaiseWebMessageReceived(const std::string& json, const TFakeMessageSender& sender);
  TFakeNewWindowRequestedArgs RaiseNewWindowRequested(const std::string& uri);
  TFakePermissionRequestedArgs RaisePermissionRequested(TPermissionKind kind,
                                                        const std::string& uri = "file:///");
  TFakeNavigationStartingArgs RaiseNavigationStarting(const std::string& uri,
                                                      std::uint64_t navigationId);
  void RaiseNavigationCompleted(bool isSuccess, int webErrorStatus = 0);
  void RaiseDocumentTitleChanged(const std::string& title);
  void RaiseSourceChanged(bool isNewDocument);
  void RaiseHistoryChanged();
  void RaiseContentLoading(bool isErrorPage, std::uint64_t navigationId);
  void RaiseProcessFailed(TProcessFailedKind kind);
  void RaiseContainsFullScreenElementChanged(bool value);
  void RaiseWindowCloseRequested();
  void RaiseZoomFactorChanged();
  void RaiseGotFocus();
  void RaiseLostFocus();

 private:
  HRESULT Command(const char* name);
  template <typename T>
  HRESULT Read(const T& field, T& value) {
    if (!Succeeded(FResult)) return FResult;
    value = field;
    return S_OK;
  }
  bool FilterMatches(const std::string& uri) const;

  TFakeWebViewSettings FSettings;
  IWebViewEvents* FEventSink = nullptr;
  std::vector<std::string> FNavigations;
  std::vector<std::string> FHtmlNavigations;
  std::vector<TFakeScriptCall> FScripts;
  std::vector<std::string> FDocumentScripts;
  std::vector<std::string> FPostedMessages;
  std::vector<TFakeFilter> FFilters;
  std::vector<std::string> FCommands;
  std::string FSource = "about:blank";
  std::string FDocumentTitle;
  bool FCanGoBack = false;
  bool FCanGoForward = false;
  bool FContainsFullScreenElement = false;
  std::uint32_t FBrowserProcessId = 4242;
  HRESULT FResult = S_OK;
};

class TFakeWebViewController : public IWebViewController {
 public:
  explicit TFakeWebViewController(TNativeHandle parent) : FParent(parent) {}

  IWebView& WebView() override { return FWebView; }
  HRESULT PutBounds(const TBounds& bounds) override;
  HRESULT PutIsVisible(bool visible) override;
  HRESULT GetZoomFactor(double& value) override;
  HRESULT PutZoomFactor(double value) override;
  HRESULT MoveFocus() override;
  HRESULT Close() override;

  TFakeWebView& FakeWebView() { return FWebView; }
  TNativeHandle Parent() const { return FParent; }
  const TBounds& Bounds() const { return FBounds; }
  bool IsVisible() const { return FIsVisible; }
  // Every PutIsVisible in order.
  const std::vector<bool>& VisibilityWrites() const { return FVisibilityWrites; }
  int MoveFocusCount() const { return FMoveFocusCount; }
  bool Closed() const { return FClosed; }
  // The browser control let go of this controller.
  bool Released() const { return FReleased; }
  void SetReleased() { FReleased = true; }
  // The zoom the user chose (no event; see TFakeWebView::RaiseZoomFactorChanged).
  void SetZoom(double value) { FZoomFactor = value; }
  // Every call fails with `result` from now on.
  void SetResult(HRESULT result) { FResult = result; }

 private:
  TNativeHandle FParent;
  TFakeWebView FWebView;
  TBounds FBounds;
  bool FIsVisible = true;
  std::vector<bool> FVisibilityWrites;
  double FZoomFactor = 1.0;
  int FMoveFocusCount = 0;
  bool FClosed = false;
  bool FReleased = false;
  HRESULT FResult = S_OK;
};

class TFakeWebViewEnvironment : public IWebViewEnvironment {
 public:
  // The controller handed out is a proxy; the fake controller stays here so
  // that tests can inspect it after the browser control released it.
  HRESULT CreateController(
      TNativeHandle parent,
      std::function<void(HRESULT, std::unique_ptr<IWebViewController>)> completed) override;
  std::string BrowserVersionString() override { return FBrowserVersion; }

  // At once (default) or on CompleteController.
  void SetCompleteSynchronously(bool value) { FCompleteSynchronously = value; }
  // The result of the next completions (a failure hands out no controller).
  void SetControllerResult(HRESULT result) { FControllerResult = result; }
  // The result of CreateController itself (a failure never completes).
  void SetCreateControllerResult(HRESULT result) { FCreateControllerResult = result; }
  // Completes the oldest request that is still waiting; false when none.
  bool CompleteController();
  std::size_t PendingControllerCount() const { return FPending.size(); }
  int ControllerRequestCount() const { return FControllerRequestCount; }
  // The controllers made so far, in order; nullptr when none.
  TFakeWebViewController* LastController() const;
  const std::vector<std::unique_ptr<TFakeWebViewController>>& Controllers() const {
    return FControllers;
  }
  void SetBrowserVersion(std::string value) { FBrowserVersion = std::move(value); }

 private:
  struct TPending {
    TNativeHandle Parent;
    std::function<void(HRESULT, std::unique_ptr<IWebViewController>)> Completed;
  };
  void Complete(TPending pending);

  bool FCompleteSynchronously = true;
  HRESULT FControllerResult = S_OK;
  HRESULT FCreateControllerResult = S_OK;
  int FControllerRequestCount = 0;
  std::deque<TPending> FPending;
  std::vector<std::unique_ptr<TFakeWebViewController>> FControllers;
  std::string FBrowserVersion = "2.50.6";
};

// The engine library as the browser control loads it. Thread-safe: the
// environment request may come from any thread.
class TFakeWebViewLoader : public IWebViewLoader {
 public:
  TFakeWebViewLoader();

  HRESULT CreateEnvironment(TEnvironmentCompleted completed) override;
  HRESULT BrowserVersion(std::string& version) override;

  TFakeWebViewEnvironment& Environment() { return *FEnvironment; }
  // At once on the calling thread (default) or on CompleteEnvironment.
  void SetCompleteSynchronously(bool value);
  // The result of the next completions (a failure hands out no environment).
  void SetEnvironmentResult(HRESULT result);
  // The result of CreateEnvironment itself (a failure never completes).
  void SetCreateEnvironmentResult(HRESULT result);
  // Completes the oldest waiting request on the calling thread; false when none.
  bool CompleteEnvironment();
  int EnvironmentRequestCount();
  std::size_t PendingEnvironmentCount();
  void SetBrowserVersion(HRESULT result, std::string version);

 private:
  std::mutex FLock;
  std::shared_ptr<TFakeWebViewEnvironment> FEnvironment;
  bool FCompleteSynchronously = true;
  HRESULT FEnvironmentResult = S_OK;
  HRESULT FCreateEnvironmentResult = S_OK;
  int FEnvironmentRequestCount = 0;
  std::deque<TEnvironmentCompleted> FPending;
  HRESULT FBrowserVersionResult = S_OK;
  std::string FBrowserVersion = "2.50.6";
};

}  // namespace zel
