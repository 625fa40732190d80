#pragma once
// The browser control: one web view of the engine inside a container of the
// owner, with the engine's asynchronous creation, operations and events turned
// into properties, methods and events used on the user-interface thread.
//
// Engine calls never throw: each result goes to LastErrorCode, and an
// operation whose engine interface does not exist yet does nothing. Only the
// settings properties raise EEdgeError without a web view.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "core/Error.h"
#include "platform/WebEngine.h"
#include "platform/Window.h"
#include "runtime/WebViewLoader.h"

namespace zel {

enum class TBrowserControlState { None = 0, Creating = 1, Created = 2, Failed = 3 };

// The window commands that change whether the web view is shown.
enum class TSystemCommand { Minimize, Restore, Other };

class EEdgeError : public EError {
 public:
  // Resource identifiers of the two messages.
  static constexpr int SFailedToCreateControl = 65008;  // "Failed to create Edge browser control"
  static constexpr int SNotInstantiated = 65009;        // "WebView2 not instantiated"

  EEdgeError(const std::string& message, HRESULT errorCode);
  // The message of resource `ident` (one of the two above).
  static EEdgeError CreateRes(int ident, HRESULT errorCode);
  HRESULT ErrorCode() const { return FErrorCode; }

 private:
  HRESULT FErrorCode;
};

// Holds the engine's arguments object for the length of one event; a
// handler must not keep it after returning.
template <typename TArgs>
class TEngineEventArgs {
 public:
  explicit TEngineEventArgs(TArgs& args) : FArgsInterface(args) {}
  TArgs& ArgsInterface() const { return FArgsInterface; }

 private:
  TArgs& FArgsInterface;
};

using TNavigationStartingEventArgs = TEngineEventArgs<INavigationStartingArgs>;
using TNewWindowRequestedEventArgs = TEngineEventArgs<INewWindowRequestedArgs>;
using TPermissionRequestedEventArgs = TEngineEventArgs<IPermissionRequestedArgs>;
using TWebMessageReceivedEventArgs = TEngineEventArgs<IWebMessageReceivedArgs>;
using TWebResourceRequestedEventArgs = TEngineEventArgs<IWebResourceRequestedArgs>;

class TCustomEdgeBrowser;

using TOnContainsFullScreenElementChanged =
    std::function<void(TCustomEdgeBrowser& sender, bool containsFullScreenElement)>;
using TOnContentLoading =
    std::function<void(TCustomEdgeBrowser& sender, bool isErrorPage, std::uint64_t navigationId)>;
using TOnCreateWebViewCompleted = std::function<void(TCustomEdgeBrowser& sender, HRESULT AResult)>;
using TOnDocumentTitleChanged =
    std::function<void(TCustomEdgeBrowser& sender, const std::string& ADocumentTitle)>;
using TOnExecuteScript = std::function<void(TCustomEdgeBrowser& sender, HRESULT AResult,
                                            const std::string& AResultObjectAsJson)>;
using TOnHistoryChanged = std::function<void(TCustomEdgeBrowser& sender)>;
using TOnNavigationStarting =
    std::function<void(TCustomEdgeBrowser& sender, TNavigationStartingEventArgs& args)>;
using TOnNavigationCompleted =
    std::function<void(TCustomEdgeBrowser& sender, bool isSuccess, int webErrorStatus)>;
using TOnNewWindowRequested =
    std::function<void(TCustomEdgeBrowser& sender, TNewWindowRequestedEventArgs& args)>;
using TOnPermissionRequested =
    std::function<void(TCustomEdgeBrowser& sender, TPermissionRequestedEventArgs& args)>;
using TOnProcessFailed =
    std::function<void(TCustomEdgeBrowser& sender, TProcessFailedKind processFailedKind)>;
using TOnSourceChanged = std::function<void(TCustomEdgeBrowser& sender, bool isNewDocument)>;
using TOnWebMessageReceived =
    std::function<void(TCustomEdgeBrowser& sender, TWebMessageReceivedEventArgs& args)>;
using TOnWebResourceRequested =
    std::function<void(TCustomEdgeBrowser& sender, TWebResourceRequestedEventArgs& args)>;
using TOnWindowCloseRequested = std::function<void(TCustomEdgeBrowser& sender)>;
using TOnZoomFactorChanged = std::function<void(TCustomEdgeBrowser& sender, double AZoomFactor)>;
using TOnEnter = std::function<void(TCustomEdgeBrowser& sender)>;
using TOnExit = std::function<void(TCustomEdgeBrowser& sender)>;

class TCustomEdgeBrowser {
 public:
  // Both must outlive the control.
  TCustomEdgeBrowser(IUserInterface& userInterface, IWebViewLoader& loader);
  virtual ~TCustomEdgeBrowser();
  TCustomEdgeBrowser(const TCustomEdgeBrowser&) = delete;
  TCustomEdgeBrowser& operator=(const TCustomEdgeBrowser&) = delete;

  // --- The control in its owner ---

  // The toolkit container that hosts the web view. Being given one starts
  // the creation of the web view; a different one while a web view exists
  // creates a new web view inside it.
  TNativeHandle Parent() const { return FParent; }
  void SetParent(TNativeHandle parent);
  // Position and size inside the parent; the client area is 0, 0, width, height.
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  TBounds BoundsRect() const { return FBoundsRect; }
  TBounds ClientRect() const;
  bool Visible() const { return FVisible; }
  void SetVisible(bool visible);
  // The owner's window was minimized or restored.
  void SystemCommand(TSystemCommand command);
  // The owner's focus notifications: the control gained or lost the focus.
  void DoEnter();
  void DoExit();

  // --- Lifetime of the web view ---

  // Starts the creation unless a web view exists or one is being created.
  // Returns at once: the engine is asked from the main loop, so the owner's
  // set-up code runs before OnCreateWebViewCompleted.
  void CreateWebView();
  // Closes any web view and asks the engine for a new one at once.
  void ReinitializeWebView();
  // Detaches from the web view's events and releases web view and controller.
  void CloseWebView();

  // --- Operations (nothing happens without a web view) ---

  // Without a web view, an address that is not blank is remembered and
  // opened once the web view exists.
  void Navigate(const std::string& AUrl);
  void NavigateToString(const std::string& AHTMLContent);
  // The completion raises OnExecuteScript.
  void ExecuteScript(const std::string& JavaScript);
  void AddWebResourceRequestedFilter(const std::string& filter, int ResourceContext);
  void RemoveWebResourceRequestedFilter(const std::string& filter, int ResourceContext);
  void GoBack();
  void GoForward();
  void Refresh();
  void Stop();
  void SetFocus();

  // --- Properties ---

  // 0 without a web view.
  double ZoomFactor();
  void SetZoomFactor(double value);
  // Share of the client area that the web view covers (from the top left).
  double SizeRatio() const { return FSizeRatio; }
  void SetSizeRatio(double value);
  TBrowserControlState BrowserControlState() const { return FBrowserControlState; }
  HRESULT LastErrorCode() const;
  const std::string& LastURL() const { return FLastURL; }
  IWebView* DefaultInterface() const { return FWebView; }
  IWebViewController* ControllerInterface() const { return FWebViewController.get(); }
  IWebViewEnvironment* EnvironmentInterface() const { return FWebViewEnvironment.get(); }
  IWebViewSettings* SettingsInterface() const { return FWebViewSettings; }
  bool WebViewCreated() const;
  std::uint32_t BrowserProcessID();
  // The engine's version: of the running environment, or of the installed
  // engine before there is one; empty on failure.
  std::string BrowserVersionInfo();
  bool CanGoBack();
  bool CanGoForward();
  bool ContainsFullScreenElement();
  std::string DocumentTitle();
  // Empty without a web view and while about:blank is shown.
  std::string LocationURL();

  // Settings: EEdgeError "WebView2 not instantiated" without a web view, and
  // on a failed read.
  bool ScriptEnabled();
  void SetScriptEnabled(bool value);
  bool WebMessageEnabled();
  void SetWebMessageEnabled(bool value);
  bool DefaultScriptDialogsEnabled();
  void SetDefaultScriptDialogsEnabled(bool value);
  bool StatusBarEnabled();
  void SetStatusBarEnabled(bool value);
  bool DevToolsEnabled();
  void SetDevToolsEnabled(bool value);
  bool DefaultContextMenusEnabled();
  void SetDefaultContextMenusEnabled(bool value);
  bool ZoomControlEnabled();
  void SetZoomControlEnabled(bool value);
  bool BuiltInErrorPageEnabled();
  void SetBuiltInErrorPageEnabled(bool value);

 protected:
  // Events, raised on the user-interface thread when assigned. TEdgeBrowser
  // makes them public.
  const TOnContainsFullScreenElementChanged& OnContainsFullScreenElementChanged() const {
    return FOnContainsFullScreenElementChanged;
  }
  void SetOnContainsFullScreenElementChanged(TOnContainsFullScreenElementChanged handler) {
    FOnContainsFullScreenElementChanged = std::move(handler);
  }
  const TOnContentLoading& OnContentLoading() const { return FOnContentLoading; }
  void SetOnContentLoading(TOnContentLoading handler) { FOnContentLoading = std::move(handler); }
  // End of creation, with the failing result or S_OK.
  const TOnCreateWebViewCompleted& OnCreateWebViewCompleted() const {
    return FOnCreateWebViewCompleted;
  }
  void SetOnCreateWebViewCompleted(TOnCreateWebViewCompleted handler) {
    FOnCreateWebViewCompleted = std::move(handler);
  }
  const TOnDocumentTitleChanged& OnDocumentTitleChanged() const { return FOnDocumentTitleChanged; }
  void SetOnDocumentTitleChanged(TOnDocumentTitleChanged handler) {
    FOnDocumentTitleChanged = std::move(handler);
  }
  const TOnExecuteScript& OnExecuteScript() const { return FOnExecuteScript; }
  void SetOnExecuteScript(TOnExecuteScript handler) { FOnExecuteScript = std::move(handler); }
  const TOnHistoryChanged& OnHistoryChanged() const { return FOnHistoryChanged; }
  void SetOnHistoryChanged(TOnHistoryChanged handler) { FOnHistoryChanged = std::move(handler); }
  const TOnNavigationStarting& OnNavigationStarting() const { return FOnNavigationStarting; }
  void SetOnNavigationStarting(TOnNavigationStarting handler) {
    FOnNavigationStarting = std::move(handler);
  }
  const TOnNavigationCompleted& OnNavigationCompleted() const { return FOnNavigationCompleted; }
  void SetOnNavigationCompleted(TOnNavigationCompleted handler) {
    FOnNavigationCompleted = std::move(handler);
  }
  const TOnNewWindowRequested& OnNewWindowRequested() const { return FOnNewWindowRequested; }
  void SetOnNewWindowRequested(TOnNewWindowRequested handler) {
    FOnNewWindowRequested = std::move(handler);
  }
  const TOnPermissionRequested& OnPermissionRequested() const { return FOnPermissionRequested; }
  void SetOnPermissionRequested(TOnPermissionRequested handler) {
    FOnPermissionRequested = std::move(handler);
  }
  const TOnProcessFailed& OnProcessFailed() const { return FOnProcessFailed; }
  void SetOnProcessFailed(TOnProcessFailed handler) { FOnProcessFailed = std::move(handler); }
  const TOnSourceChanged& OnSourceChanged() const { return FOnSourceChanged; }
  void SetOnSourceChanged(TOnSourceChanged handler) { FOnSourceChanged = std::move(handler); }
  const TOnWebMessageReceived& OnWebMessageReceived() const { return FOnWebMessageReceived; }
  void SetOnWebMessageReceived(TOnWebMessageReceived handler) {
    FOnWebMessageReceived = std::move(handler);
  }
  const TOnWebResourceRequested& OnWebResourceRequested() const { return FOnWebResourceRequested; }
  void SetOnWebResourceRequested(TOnWebResourceRequested handler) {
    FOnWebResourceRequested = std::move(handler);
  }
  const TOnWindowCloseRequested& OnWindowCloseRequested() const { return FOnWindowCloseRequested; }
  void SetOnWindowCloseRequested(TOnWindowCloseRequested handler) {
    FOnWindowCloseRequested = std::move(handler);
  }
  const TOnZoomFactorChanged& OnZoomFactorChanged() const { return FOnZoomFactorChanged; }
  void SetOnZoomFactorChanged(TOnZoomFactorChanged handler) {
    FOnZoomFactorChanged = std::move(handler);
  }
  const TOnEnter& OnEnter() const { return FOnEnter; }
  void SetOnEnter(TOnEnter handler) { FOnEnter = std::move(handler); }
  const TOnExit& OnExit() const { return FOnExit; }
  void SetOnExit(TOnExit handler) { FOnExit = std::move(handler); }

 private:
  // The engine's events, forwarded to the control's.
  class TEventSink : public IWebViewEvents {
   public:
    explicit TEventSink(TCustomEdgeBrowser& owner) : FOwner(owner) {}
    void NavigationStarting(INavigationStartingArgs& args) override;
    void NavigationCompleted(bool isSuccess, int webErrorStatus) override;
    void SourceChanged(bool isNewDocument) override;
    void HistoryChanged() override;
    void ContentLoading(bool isErrorPage, std::uint64_t navigationId) override;
    void DocumentTitleChanged() override;
    void NewWindowRequested(INewWindowRequestedArgs& args) override;
    void WebResourceRequested(IWebResourceRequestedArgs& args) override;
    void PermissionRequested(IPermissionRequestedArgs& args) override;
    void ProcessFailed(TProcessFailedKind kind) override;
    void WebMessageReceived(IWebMessageReceivedArgs& args) override;
    void ContainsFullScreenElementChanged() override;
    void WindowCloseRequested() override;
    void ZoomFactorChanged() override;
    void GotFocus() override;
    void LostFocus() override;

   private:
    TCustomEdgeBrowser& FOwner;
  };

  // Guards the last result: the environment completion may record it from
  // another thread, even after the control is gone.
  struct TErrorRecord {
    std::mutex CritSec;
    HRESULT LastErrorCode = S_OK;
  };

  void InitializeWebView();
  void EnvironmentCompleted(HRESULT result, std::shared_ptr<IWebViewEnvironment> environment);
  void ControllerCompleted(HRESULT result, std::unique_ptr<IWebViewController> controller);
  void CreationFailed(HRESULT result);
  void RaiseCreateWebViewCompleted(HRESULT result);
  // Fits the web view to SizeRatio of the client area.
  void Resize();
  // Records `hr` as LastErrorCode; true when it is not a failure.
  bool ProcessHResult(HRESULT hr);
  // Queues `task` to the main loop even when called on the user-interface thread.
  void PostToMainLoop(std::function<void()> task);
  bool ReadSetting(HRESULT (IWebViewSettings::*getter)(bool&));
  void WriteSetting(HRESULT (IWebViewSettings::*putter)(bool), bool value);

  IUserInterface& FUserInterface;
  IWebViewLoader& FLoader;
  TNativeHandle FParent = nullptr;
  TBounds FBoundsRect;
  bool FVisible = true;

  TBrowserControlState FBrowserControlState = TBrowserControlState::None;
  std::shared_ptr<IWebViewEnvironment> FWebViewEnvironment;
  std::unique_ptr<IWebViewController> FWebViewController;
  IWebView* FWebView = nullptr;                  // owned by the controller
  IWebViewSettings* FWebViewSettings = nullptr;  // owned by the web view
  double FSizeRatio = 1.0;
  bool FWebViewFocusEventActive = false;
  std::string FLastURL;
  std::shared_ptr<TErrorRecord> FErrorRecord;
  TEventSink FEventSink;
  // Completions arriving after the control is gone find this expired.
  std::shared_ptr<TCustomEdgeBrowser*> FSelf;

  TOnContainsFullScreenElementChanged FOnContainsFullScreenElementChanged;
  TOnContentLoading FOnContentLoading;
  TOnCreateWebViewCompleted FOnCreateWebViewCompleted;
  TOnDocumentTitleChanged FOnDocumentTitleChanged;
  TOnExecuteScript FOnExecuteScript;
  TOnHistoryChanged FOnHistoryChanged;
  TOnNavigationStarting FOnNavigationStarting;
  TOnNavigationCompleted FOnNavigationCompleted;
  TOnNewWindowRequested FOnNewWindowRequested;
  TOnPermissionRequested FOnPermissionRequested;
  TOnProcessFailed FOnProcessFailed;
  TOnSourceChanged FOnSourceChanged;
  TOnWebMessageReceived FOnWebMessageReceived;
  TOnWebResourceRequested FOnWebResourceRequested;
  TOnWindowCloseRequested FOnWindowCloseRequested;
  TOnZoomFactorChanged FOnZoomFactorChanged;
  TOnEnter FOnEnter;
  TOnExit FOnExit;
};

// The browser control with its events public.
class TEdgeBrowser : public TCustomEdgeBrowser {
 public:
  using TCustomEdgeBrowser::TCustomEdgeBrowser;

  using TCustomEdgeBrowser::OnContainsFullScreenElementChanged;
  using TCustomEdgeBrowser::OnContentLoading;
  using TCustomEdgeBrowser::OnCreateWebViewCompleted;
  using TCustomEdgeBrowser::OnDocumentTitleChanged;
  using TCustomEdgeBrowser::OnEnter;
  using TCustomEdgeBrowser::OnExecuteScript;
  using TCustomEdgeBrowser::OnExit;
  using TCustomEdgeBrowser::OnHistoryChanged;
  using TCustomEdgeBrowser::OnNavigationCompleted;
  using TCustomEdgeBrowser::OnNavigationStarting;
  using TCustomEdgeBrowser::OnNewWindowRequested;
  using TCustomEdgeBrowser::OnPermissionRequested;
  using TCustomEdgeBrowser::OnProcessFailed;
  using TCustomEdgeBrowser::OnSourceChanged;
  using TCustomEdgeBrowser::OnWebMessageReceived;
  using TCustomEdgeBrowser::OnWebResourceRequested;
  using TCustomEdgeBrowser::OnWindowCloseRequested;
  using TCustomEdgeBrowser::OnZoomFactorChanged;
  using TCustomEdgeBrowser::SetOnContainsFullScreenElementChanged;
  using TCustomEdgeBrowser::SetOnContentLoading;
  using TCustomEdgeBrowser::SetOnCreateWebViewCompleted;
  using TCustomEdgeBrowser::SetOnDocumentTitleChanged;
  using TCustomEdgeBrowser::SetOnEnter;
  using TCustomEdgeBrowser::SetOnExecuteScript;
  using TCustomEdgeBrowser::SetOnExit;
  using TCustomEdgeBrowser::SetOnHistoryChanged;
  using TCustomEdgeBrowser::SetOnNavigationCompleted;
  using TCustomEdgeBrowser::SetOnNavigationStarting;
  using TCustomEdgeBrowser::SetOnNewWindowRequested;
  using TCustomEdgeBrowser::SetOnPermissionRequested;
  using TCustomEdgeBrowser::SetOnProcessFailed;
  using TCustomEdgeBrowser::SetOnSourceChanged;
  using TCustomEdgeBrowser::SetOnWebMessageReceived;
  using TCustomEdgeBrowser::SetOnWebResourceRequested;
  using TCustomEdgeBrowser::SetOnWindowCloseRequested;
  using TCustomEdgeBrowser::SetOnZoomFactorChanged;
};

}  // namespace zel
