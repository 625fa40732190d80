#include "backends/webview2/WebView2Engine.h"

#include <cctype>
#include <memory>
#include <vector>

#include "backends/webview2/ComObjects.h"
#include "backends/win32/WideTextWin32.h"
#include "core/bridge/BrowserExternalModule.h"
#include "platform/SharedLibraries.h"

namespace zel {
namespace {

using namespace webview2;

std::string TextOf(const TCoTaskText& text) { return Utf8Of(text.Get()); }

// A text property read through a getter that allocates it.
template <typename TObject, typename TGetter>
std::string ReadText(TObject* object, TGetter getter) {
  TCoTaskText text;
  if (object == nullptr || FAILED((object->*getter)(text.Put()))) return {};
  return TextOf(text);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

// --- Response bodies ---

// The engine reads a response body through IStream; this one reads the
// runtime's body as the engine asks, so a large package entry is never held
// whole a second time.
class TResponseBodyStream final : public TComObject<IStream> {
 public:
  explicit TResponseBodyStream(std::unique_ptr<IResponseBody> body) : FBody(std::move(body)) {}

  ::HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object != nullptr && IsEqualIID(riid, IID_ISequentialStream)) {
      *object = static_cast<ISequentialStream*>(this);
      AddRef();
      return S_OK;
    }
    return TComObject<IStream>::QueryInterface(riid, object);
  }
  ::HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override {
    ULONG done = 0;
    while (done < count) {
      const std::size_t n = FBody->Read(static_cast<char*>(buffer) + done, count - done);
      if (n == 0) break;
      done += static_cast<ULONG>(n);
    }
    FPosition += done;
    if (read) *read = done;
    return done < count ? S_FALSE : S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
  ::HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                   ULARGE_INTEGER* newPosition) override {
    std::int64_t base = 0;
    if (origin == STREAM_SEEK_CUR) {
      base = static_cast<std::int64_t>(FPosition);
    } else if (origin == STREAM_SEEK_END) {
      const auto length = FBody->Length();
      if (!length) return STG_E_INVALIDFUNCTION;
      base = static_cast<std::int64_t>(*length);
    } else if (origin != STREAM_SEEK_SET) {
      return STG_E_INVALIDFUNCTION;
    }
    const std::int64_t target = base + move.QuadPart;
    if (target < 0) return STG_E_INVALIDFUNCTION;
    // Asking where the stream stands moves nothing.
    if (static_cast<std::uint64_t>(target) != FPosition) {
      if (!FBody->Seek(static_cast<std::uint64_t>(target))) return STG_E_INVALIDFUNCTION;
      FPosition = static_cast<std::uint64_t>(target);
    }
    if (newPosition) newPosition->QuadPart = FPosition;
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
  ::HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*,
                                     ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  ::HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
  ::HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
  ::HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  ::HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  ::HRESULT STDMETHODCALLTYPE Stat(STATSTG* statistics, DWORD) override {
    if (statistics == nullptr) return STG_E_INVALIDPOINTER;
    *statistics = {};
    statistics->type = STGTY_STREAM;
    statistics->cbSize.QuadPart = FBody->Length().value_or(0);
    statistics->grfMode = STGM_READ;
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

 private:
  std::unique_ptr<IResponseBody> FBody;
  std::uint64_t FPosition = 0;
};

// --- Event arguments ---

class TResourceRequestedArgs final : public IWebResourceRequestedArgs {
 public:
  TResourceRequestedArgs(ICoreWebView2WebResourceRequestedEventArgs* args,
                         ICoreWebView2Environment* environment)
      : FArgs(args), FEnvironment(environment) {}
  std::string Uri() const override {
    TComRef<ICoreWebView2WebResourceRequest> request;
    if (FAILED(FArgs->get_Request(request.Put())) || !request) return {};
    return ReadText(request.Get(), &ICoreWebView2WebResourceRequest::get_Uri);
  }
  void SetResponse(TWebResourceResponse response) override {
    TComRef<IStream> content;
    if (response.Body) content = TComRef<IStream>::Adopt(new TResponseBodyStream(std::move(response.Body)));
    TComRef<ICoreWebView2WebResourceResponse> answer;
    if (FAILED(FEnvironment->CreateWebResourceResponse(
            content.Get(), response.StatusCode, WideOf(response.ReasonPhrase).c_str(),
            WideOf(response.Headers).c_str(), answer.Put())))
      return;
    FArgs->put_Response(answer.Get());
  }

 private:
  ICoreWebView2WebResourceRequestedEventArgs* FArgs;
  ICoreWebView2Environment* FEnvironment;
};

// WebView2 raises ICoreWebView2's WebMessageReceived only for messages that
// the top document posts through window.chrome.webview.postMessage; frames
// reach the host only through the frame interfaces, which this engine does
// not subscribe to. get_Source gives the address of the document that
// posted the message. So the sender has no ancestors, and it is current
// while the web view still shows that address.
class TMessageReceivedArgs final : public IWebMessageReceivedArgs {
 public:
  TMessageReceivedArgs(ICoreWebView2WebMessageReceivedEventArgs* args, ICoreWebView2* webView)
      : FArgs(args) {
    const std::string sender =
        ReadText(args, &ICoreWebView2WebMessageReceivedEventArgs::get_Source);
    FSource = WebMessageSourceOrigin(sender);
    FCurrent = !sender.empty() && sender == ReadText(webView, &ICoreWebView2::get_Source);
  }
  std::string WebMessageAsJson() const override {
    return ReadText(FArgs, &ICoreWebView2WebMessageReceivedEventArgs::get_WebMessageAsJson);
  }
  zel::HRESULT TryGetWebMessageAsString(std::string& value) const override {
    TCoTaskText text;
    const ::HRESULT hr = FArgs->TryGetWebMessageAsString(text.Put());
    if (FAILED(hr)) return E_INVALIDARG;
    value = TextOf(text);
    return S_OK;
  }
  std::string Source() const override { return FSource; }
  std::vector<std::string> AncestorOrigins() const override { return {}; }
  bool IsSenderCurrent() const override { return FCurrent; }

 private:
  ICoreWebView2WebMessageReceivedEventArgs* FArgs;
  std::string FSource;
  bool FCurrent = false;
};

class TNavigationStartingArgs final : public INavigationStartingArgs {
 public:
  explicit TNavigationStartingArgs(ICoreWebView2NavigationStartingEventArgs* args) : FArgs(args) {}
  std::string Uri() const override {
    return ReadText(FArgs, &ICoreWebView2NavigationStartingEventArgs::get_Uri);
  }
  std::uint64_t NavigationId() const override {
    UINT64 id = 0;
    FArgs->get_NavigationId(&id);
    return id;
  }
  void SetCancel(bool cancel) override { FArgs->put_Cancel(cancel ? TRUE : FALSE); }

 private:
  ICoreWebView2NavigationStartingEventArgs* FArgs;
};

class TNewWindowArgs final : public INewWindowRequestedArgs {
 public:
  explicit TNewWindowArgs(ICoreWebView2NewWindowRequestedEventArgs* args) : FArgs(args) {}
  std::string Uri() const override {
    return ReadText(FArgs, &ICoreWebView2NewWindowRequestedEventArgs::get_Uri);
  }
  void SetHandled(bool handled) override { FArgs->put_Handled(handled ? TRUE : FALSE); }

 private:
  ICoreWebView2NewWindowRequestedEventArgs* FArgs;
};

TPermissionKind PermissionKindOf(COREWEBVIEW2_PERMISSION_KIND kind) {
  switch (kind) {
    case COREWEBVIEW2_PERMISSION_KIND_MICROPHONE: return TPermissionKind::Microphone;
    case COREWEBVIEW2_PERMISSION_KIND_CAMERA: return TPermissionKind::Camera;
    case COREWEBVIEW2_PERMISSION_KIND_GEOLOCATION: return TPermissionKind::Geolocation;
    case COREWEBVIEW2_PERMISSION_KIND_NOTIFICATIONS: return TPermissionKind::Notifications;
    case COREWEBVIEW2_PERMISSION_KIND_CLIPBOARD_READ: return TPermissionKind::Clipboard;
    case COREWEBVIEW2_PERMISSION_KIND_UNKNOWN_PERMISSION: return TPermissionKind::Unknown;
    default: return TPermissionKind::Other;
  }
}

class TPermissionArgs final : public IPermissionRequestedArgs {
 public:
  explicit TPermissionArgs(ICoreWebView2PermissionRequestedEventArgs* args) : FArgs(args) {}
  std::string Uri() const override {
    return ReadText(FArgs, &ICoreWebView2PermissionRequestedEventArgs::get_Uri);
  }
  TPermissionKind Kind() const override {
    auto kind = COREWEBVIEW2_PERMISSION_KIND_UNKNOWN_PERMISSION;
    FArgs->get_PermissionKind(&kind);
    return PermissionKindOf(kind);
  }
  void SetState(TPermissionState state) override {
    FArgs->put_State(static_cast<COREWEBVIEW2_PERMISSION_STATE>(state));
  }

 private:
  ICoreWebView2PermissionRequestedEventArgs* FArgs;
};

bool IsTrue(BOOL value) { return value != FALSE; }

// --- Settings ---

class TWebView2Settings final : public IWebViewSettings {
 public:
  explicit TWebView2Settings(TComRef<ICoreWebView2Settings> settings)
      : FSettings(std::move(settings)) {}

#define ZEL_WEBVIEW2_SETTING(Getter, Putter, ComGetter, ComPutter)             \
  zel::HRESULT Getter(bool& value) override {                                  \
    if (!FSettings) return E_FAIL;                                             \
    BOOL flag = FALSE;                                                         \
    const ::HRESULT hr = FSettings->ComGetter(&flag);                          \
    if (SUCCEEDED(hr)) value = IsTrue(flag);                                   \
    return hr;                                                                 \
  }                                                                            \
  zel::HRESULT Putter(bool value) override {                                   \
    return FSettings ? FSettings->ComPutter(value ? TRUE : FALSE) : E_FAIL;    \
  }
  // One accessor pair per setting, each forwarding to its COM pair.
  ZEL_WEBVIEW2_SETTING(GetIsScriptEnabled, PutIsScriptEnabled, get_IsScriptEnabled,
                       put_IsScriptEnabled)
  ZEL_WEBVIEW2_SETTING(GetIsWebMessageEnabled, PutIsWebMessageEnabled, get_IsWebMessageEnabled,
                       put_IsWebMessageEnabled)
  ZEL_WEBVIEW2_SETTING(GetAreDefaultScriptDialogsEnabled, PutAreDefaultScriptDialogsEnabled,
                       get_AreDefaultScriptDialogsEnabled, put_AreDefaultScriptDialogsEnabled)
  ZEL_WEBVIEW2_SETTING(GetIsStatusBarEnabled, PutIsStatusBarEnabled, get_IsStatusBarEnabled,
                       put_IsStatusBarEnabled)
  ZEL_WEBVIEW2_SETTING(GetAreDevToolsEnabled, PutAreDevToolsEnabled, get_AreDevToolsEnabled,
                       put_AreDevToolsEnabled)
  ZEL_WEBVIEW2_SETTING(GetAreDefaultContextMenusEnabled, PutAreDefaultContextMenusEnabled,
                       get_AreDefaultContextMenusEnabled, put_AreDefaultContextMenusEnabled)
  ZEL_WEBVIEW2_SETTING(GetIsZoomControlEnabled, PutIsZoomControlEnabled, get_IsZoomControlEnabled,
                       put_IsZoomControlEnabled)
  ZEL_WEBVIEW2_SETTING(GetIsBuiltInErrorPageEnabled, PutIsBuiltInErrorPageEnabled,
                       get_IsBuiltInErrorPageEnabled, put_IsBuiltInErrorPageEnabled)
#undef ZEL_WEBVIEW2_SETTING

 private:
  TComRef<ICoreWebView2Settings> FSettings;
};

// --- The web view ---

class TWebView2View final : public IWebView {
 public:
  TWebView2View(TComRef<ICoreWebView2> webView, TComRef<ICoreWebView2Controller> controller,
                TComRef<ICoreWebView2Environment> environment)
      : FWebView(std::move(webView)),
        FController(std::move(controller)),
        FEnvironment(std::move(environment)),
        FSettings([this] {
          TComRef<ICoreWebView2Settings> settings;
          FWebView->get_Settings(settings.Put());
          return settings;
        }()) {
    Subscribe();
  }
  ~TWebView2View() override { Unsubscribe(); }

  void SetEventSink(IWebViewEvents* events) override { FEvents = events; }
  IWebViewSettings& Settings() override { return FSettings; }

  zel::HRESULT Navigate(const std::string& uri) override {
    return FWebView->Navigate(WideOf(uri).c_str());
  }
  zel::HRESULT NavigateToString(const std::string& html) override {
    return FWebView->NavigateToString(WideOf(html).c_str());
  }
  zel::HRESULT ExecuteScript(
      const std::string& script,
      std::function<void(zel::HRESULT, const std::string&)> completed) override {
    auto handler = MakeHandler<ICoreWebView2ExecuteScriptCompletedHandler>(
        [completed = std::move(completed)](::HRESULT error, LPCWSTR result) -> ::HRESULT {
          if (completed) completed(error, Utf8Of(result ? result : L""));
          return S_OK;
        });
    return FWebView->ExecuteScript(WideOf(script).c_str(), handler.Get());
  }
  zel::HRESULT AddScriptToExecuteOnDocumentCreated(const std::string& script) override {
    return FWebView->AddScriptToExecuteOnDocumentCreated(WideOf(script).c_str(), nullptr);
  }
  zel::HRESULT PostWebMessageAsJson(const std::string& json) override {
    return FWebView->PostWebMessageAsJson(WideOf(json).c_str());
  }
  zel::HRESULT AddWebResourceRequestedFilter(const std::string& pattern,
                                             int resourceContext) override {
    return FWebView->AddWebResourceRequestedFilter(
        WideOf(pattern).c_str(), static_cast<COREWEBVIEW2_WEB_RESOURCE_CONTEXT>(resourceContext));
  }
  zel::HRESULT RemoveWebResourceRequestedFilter(const std::string& pattern,
                                                int resourceContext) override {
    return FWebView->RemoveWebResourceRequestedFilter(
        WideOf(pattern).c_str(), static_cast<COREWEBVIEW2_WEB_RESOURCE_CONTEXT>(resourceContext));
  }
  zel::HRESULT GoBack() override { return FWebView->GoBack(); }
  zel::HRESULT GoForward() override { return FWebView->GoForward(); }
  zel::HRESULT Reload() override { return FWebView->Reload(); }
  zel::HRESULT Stop() override { return FWebView->Stop(); }
  zel::HRESULT GetCanGoBack(bool& value) override {
    return ReadFlag(&ICoreWebView2::get_CanGoBack, value);
  }
  zel::HRESULT GetCanGoForward(bool& value) override {
    return ReadFlag(&ICoreWebView2::get_CanGoForward, value);
  }
  zel::HRESULT GetContainsFullScreenElement(bool& value) override {
    return ReadFlag(&ICoreWebView2::get_ContainsFullScreenElement, value);
  }
  zel::HRESULT GetDocumentTitle(std::string& value) override {
    return ReadString(&ICoreWebView2::get_DocumentTitle, value);
  }
  zel::HRESULT GetSource(std::string& value) override {
    return ReadString(&ICoreWebView2::get_Source, value);
  }
  zel::HRESULT GetBrowserProcessId(std::uint32_t& value) override {
    UINT32 id = 0;
    const ::HRESULT hr = FWebView->get_BrowserProcessId(&id);
    if (SUCCEEDED(hr)) value = id;
    return hr;
  }
  zel::HRESULT OpenDevToolsWindow() override { return FWebView->OpenDevToolsWindow(); }

 private:
  using TFlagGetter = ::HRESULT (STDMETHODCALLTYPE ICoreWebView2::*)(BOOL*);
  using TTextGetter = ::HRESULT (STDMETHODCALLTYPE ICoreWebView2::*)(LPWSTR*);

  zel::HRESULT ReadFlag(TFlagGetter getter, bool& value) {
    BOOL flag = FALSE;
    const ::HRESULT hr = (FWebView.Get()->*getter)(&flag);
    if (SUCCEEDED(hr)) value = IsTrue(flag);
    return hr;
  }
  zel::HRESULT ReadString(TTextGetter getter, std::string& value) {
    TCoTaskText text;
    const ::HRESULT hr = (FWebView.Get()->*getter)(text.Put());
    if (SUCCEEDED(hr)) value = TextOf(text);
    return hr;
  }

  // Runs `raise` with the sink, when there is one.
  template <typename TRaise>
  ::HRESULT Raise(TRaise raise) {
    if (FEvents) raise(*FEvents);
    return S_OK;
  }

  // Subscribes `handler` through `add` and remembers how to unsubscribe.
  template <typename TInterface, typename TTarget, typename TFunction>
  void On(TTarget* target,
          ::HRESULT (STDMETHODCALLTYPE TTarget::*add)(TInterface*, EventRegistrationToken*),
          ::HRESULT (STDMETHODCALLTYPE TTarget::*remove)(EventRegistrationToken),
          TFunction function) {
    auto handler = MakeHandler<TInterface>(std::move(function));
    EventRegistrationToken token{};
    if (FAILED((target->*add)(handler.Get(), &token))) return;
    FUnsubscribers.push_back([target = TComRef<TTarget>(target), remove, token] {
      (target.Get()->*remove)(token);
    });
  }

  void Subscribe() {
    ICoreWebView2* view = FWebView.Get();
    On<ICoreWebView2NavigationStartingEventHandler>(
        view, &ICoreWebView2::add_NavigationStarting, &ICoreWebView2::remove_NavigationStarting,
        [this](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
          TNavigationStartingArgs facts(args);
          return Raise([&](IWebViewEvents& e) { e.NavigationStarting(facts); });
        });
    On<ICoreWebView2ContentLoadingEventHandler>(
        view, &ICoreWebView2::add_ContentLoading, &ICoreWebView2::remove_ContentLoading,
        [this](ICoreWebView2*, ICoreWebView2ContentLoadingEventArgs* args) {
          BOOL errorPage = FALSE;
          UINT64 id = 0;
          args->get_IsErrorPage(&errorPage);
          args->get_NavigationId(&id);
          return Raise([&](IWebViewEvents& e) { e.ContentLoading(IsTrue(errorPage), id); });
        });
    On<ICoreWebView2SourceChangedEventHandler>(
        view, &ICoreWebView2::add_SourceChanged, &ICoreWebView2::remove_SourceChanged,
        [this](ICoreWebView2*, ICoreWebView2SourceChangedEventArgs* args) {
          BOOL newDocument = FALSE;
          args->get_IsNewDocument(&newDocument);
          return Raise([&](IWebViewEvents& e) { e.SourceChanged(IsTrue(newDocument)); });
        });
    On<ICoreWebView2HistoryChangedEventHandler>(
        view, &ICoreWebView2::add_HistoryChanged, &ICoreWebView2::remove_HistoryChanged,
        [this](ICoreWebView2*, IUnknown*) {
          return Raise([](IWebViewEvents& e) { e.HistoryChanged(); });
        });
    On<ICoreWebView2NavigationCompletedEventHandler>(
        view, &ICoreWebView2::add_NavigationCompleted, &ICoreWebView2::remove_NavigationCompleted,
        [this](ICoreWebView2*, ICoreWebView2NavigationCompletedEventArgs* args) {
          BOOL success = FALSE;
          auto status = COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN;
          args->get_IsSuccess(&success);
          args->get_WebErrorStatus(&status);
          return Raise([&](IWebViewEvents& e) {
            e.NavigationCompleted(IsTrue(success), static_cast<int>(status));
          });
        });
    On<ICoreWebView2PermissionRequestedEventHandler>(
        view, &ICoreWebView2::add_PermissionRequested, &ICoreWebView2::remove_PermissionRequested,
        [this](ICoreWebView2*, ICoreWebView2PermissionRequestedEventArgs* args) {
          TPermissionArgs facts(args);
          return Raise([&](IWebViewEvents& e) { e.PermissionRequested(facts); });
        });
    On<ICoreWebView2ProcessFailedEventHandler>(
        view, &ICoreWebView2::add_ProcessFailed, &ICoreWebView2::remove_ProcessFailed,
        [this](ICoreWebView2*, ICoreWebView2ProcessFailedEventArgs* args) {
          auto kind = COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED;
          args->get_ProcessFailedKind(&kind);
          return Raise(
              [&](IWebViewEvents& e) { e.ProcessFailed(static_cast<TProcessFailedKind>(kind)); });
        });
    On<ICoreWebView2WebMessageReceivedEventHandler>(
        view, &ICoreWebView2::add_WebMessageReceived, &ICoreWebView2::remove_WebMessageReceived,
        [this](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
          TMessageReceivedArgs facts(args, FWebView.Get());
          return Raise([&](IWebViewEvents& e) { e.WebMessageReceived(facts); });
        });
    On<ICoreWebView2NewWindowRequestedEventHandler>(
        view, &ICoreWebView2::add_NewWindowRequested, &ICoreWebView2::remove_NewWindowRequested,
        [this](ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
          TNewWindowArgs facts(args);
          return Raise([&](IWebViewEvents& e) { e.NewWindowRequested(facts); });
        });
    On<ICoreWebView2DocumentTitleChangedEventHandler>(
        view, &ICoreWebView2::add_DocumentTitleChanged, &ICoreWebView2::remove_DocumentTitleChanged,
        [this](ICoreWebView2*, IUnknown*) {
          return Raise([](IWebViewEvents& e) { e.DocumentTitleChanged(); });
        });
    On<ICoreWebView2ContainsFullScreenElementChangedEventHandler>(
        view, &ICoreWebView2::add_ContainsFullScreenElementChanged,
        &ICoreWebView2::remove_ContainsFullScreenElementChanged, [this](ICoreWebView2*, IUnknown*) {
          return Raise([](IWebViewEvents& e) { e.ContainsFullScreenElementChanged(); });
        });
    On<ICoreWebView2WebResourceRequestedEventHandler>(
        view, &ICoreWebView2::add_WebResourceRequested, &ICoreWebView2::remove_WebResourceRequested,
        [this](ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* args) {
          TResourceRequestedArgs facts(args, FEnvironment.Get());
          return Raise([&](IWebViewEvents& e) { e.WebResourceRequested(facts); });
        });
    On<ICoreWebView2WindowCloseRequestedEventHandler>(
        view, &ICoreWebView2::add_WindowCloseRequested, &ICoreWebView2::remove_WindowCloseRequested,
        [this](ICoreWebView2*, IUnknown*) {
          return Raise([](IWebViewEvents& e) { e.WindowCloseRequested(); });
        });
    ICoreWebView2Controller* controller = FController.Get();
    On<ICoreWebView2ZoomFactorChangedEventHandler>(
        controller, &ICoreWebView2Controller::add_ZoomFactorChanged,
        &ICoreWebView2Controller::remove_ZoomFactorChanged,
        [this](ICoreWebView2Controller*, IUnknown*) {
          return Raise([](IWebViewEvents& e) { e.ZoomFactorChanged(); });
        });
    On<ICoreWebView2FocusChangedEventHandler>(
        controller, &ICoreWebView2Controller::add_GotFocus, &ICoreWebView2Controller::remove_GotFocus,
        [this](ICoreWebView2Controller*, IUnknown*) {
          return Raise([](IWebViewEvents& e) { e.GotFocus(); });
        });
    On<ICoreWebView2FocusChangedEventHandler>(
        controller, &ICoreWebView2Controller::add_LostFocus,
        &ICoreWebView2Controller::remove_LostFocus, [this](ICoreWebView2Controller*, IUnknown*) {
          return Raise([](IWebViewEvents& e) { e.LostFocus(); });
        });
  }

  void Unsubscribe() {
    for (auto& unsubscribe : FUnsubscribers) unsubscribe();
    FUnsubscribers.clear();
  }

  TComRef<ICoreWebView2> FWebView;
  TComRef<ICoreWebView2Controller> FController;
  TComRef<ICoreWebView2Environment> FEnvironment;
  TWebView2Settings FSettings;
  IWebViewEvents* FEvents = nullptr;
  std::vector<std::function<void()>> FUnsubscribers;
};

// --- Controller and environment ---

class TWebView2Controller final : public IWebViewController {
 public:
  TWebView2Controller(TComRef<ICoreWebView2Controller> controller,
                      TComRef<ICoreWebView2Environment> environment)
      : FController(std::move(controller)),
        FView(
            [this] {
              TComRef<ICoreWebView2> webView;
              FController->get_CoreWebView2(webView.Put());
              return webView;
            }(),
            FController, std::move(environment)) {}
  ~TWebView2Controller() override { Close(); }

  IWebView& WebView() override { return FView; }
  zel::HRESULT PutBounds(const TBounds& bounds) override {
    return FController->put_Bounds(RECT{bounds.Left, bounds.Top, bounds.Right, bounds.Bottom});
  }
  zel::HRESULT PutIsVisible(bool visible) override {
    return FController->put_IsVisible(visible ? TRUE : FALSE);
  }
  zel::HRESULT GetZoomFactor(double& value) override { return FController->get_ZoomFactor(&value); }
  zel::HRESULT PutZoomFactor(double value) override { return FController->put_ZoomFactor(value); }
  zel::HRESULT MoveFocus() override {
    return FController->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
  }
  zel::HRESULT Close() override {
    if (FClosed) return S_OK;
    FClosed = true;
    FView.SetEventSink(nullptr);
    return FController->Close();
  }

 private:
  TComRef<ICoreWebView2Controller> FController;
  TWebView2View FView;
  bool FClosed = false;
};

class TWebView2Environment final : public IWebViewEnvironment {
 public:
  explicit TWebView2Environment(TComRef<ICoreWebView2Environment> environment)
      : FEnvironment(std::move(environment)) {}

  zel::HRESULT CreateController(
      TNativeHandle parent,
      std::function<void(zel::HRESULT, std::unique_ptr<IWebViewController>)> completed) override {
    auto handler = MakeHandler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
        [environment = FEnvironment, completed = std::move(completed)](
            ::HRESULT error, ICoreWebView2Controller* controller) -> ::HRESULT {
          if (FAILED(error) || controller == nullptr) {
            completed(FAILED(error) ? error : E_FAIL, nullptr);
          } else {
            completed(S_OK, std::make_unique<TWebView2Controller>(
                                TComRef<ICoreWebView2Controller>(controller), environment));
          }
          return S_OK;
        });
    return FEnvironment->CreateCoreWebView2Controller(static_cast<HWND>(parent), handler.Get());
  }
  std::string BrowserVersionString() override {
    return ReadText(FEnvironment.Get(), &ICoreWebView2Environment::get_BrowserVersionString);
  }

 private:
  TComRef<ICoreWebView2Environment> FEnvironment;
};

// --- The loader library's exports ---

zel::HRESULT CreateWebView2Environment(ISharedLibrary& library, TEnvironmentCompleted completed) {
  auto create = reinterpret_cast<TCreateCoreWebView2Environment>(
      library.Symbol("CreateCoreWebView2Environment"));
  if (create == nullptr) return E_FAIL;
  auto handler = MakeHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
      [completed = std::move(completed)](::HRESULT error,
                                         ICoreWebView2Environment* environment) -> ::HRESULT {
        if (FAILED(error) || environment == nullptr) {
          completed(FAILED(error) ? error : E_FAIL, nullptr);
        } else {
          completed(S_OK, std::make_shared<TWebView2Environment>(
                              TComRef<ICoreWebView2Environment>(environment)));
        }
        return S_OK;
      });
  return create(handler.Get());
}

zel::HRESULT WebView2BrowserVersion(ISharedLibrary& library, std::string& version) {
  version.clear();
  auto versionOf = reinterpret_cast<TGetAvailableCoreWebView2BrowserVersionString>(
      library.Symbol("GetAvailableCoreWebView2BrowserVersionString"));
  if (versionOf == nullptr) return E_FAIL;
  TCoTaskText text;
  const ::HRESULT hr = versionOf(nullptr, text.Put());
  if (SUCCEEDED(hr)) version = TextOf(text);
  return hr;
}

}  // namespace

const TEngineEntryPoints WebView2EntryPoints{&CreateWebView2Environment, &WebView2BrowserVersion};

std::string WebMessageSourceOrigin(std::string_view documentUri) {
  if (!StartsWithNoCase(documentUri, "file:")) return OriginOfUrl(documentUri);
  // The application's documents are file:///<path inside the application>;
  // a drive (file:///C:/, file:///C|/) or a host (file://server/) names a
  // file of the disk or the network instead.
  if (!StartsWithNoCase(documentUri, "file:///")) return "null";
  const std::string_view path = documentUri.substr(8);
  const bool drive = path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) &&
                     (path[1] == ':' || path[1] == '|');
  if (drive || (!path.empty() && (path[0] == '/' || path[0] == '\\'))) return "null";
  return "file://";
}

}  // namespace zel
