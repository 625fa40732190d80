// A stand-in for the WebView2 loader library (packaged as
// WebView2LoaderWin64.dll), for tests on machines without WebView2: the
// loader's three exports with their real signatures, and a small in-process
// engine behind the COM interfaces. It has no HTML or JavaScript engine: it
// shows nothing, runs no script (ExecuteScript completes with "null") and
// plays the page's part from files named by environment variables:
//
//   ZEL_STANDIN_ENGINE_MARKER   no browser version is reported until this
//                               file exists (unset: always installed)
//   ZEL_STANDIN_DOCUMENT        each navigation's response body is written here
//   ZEL_STANDIN_MESSAGES        one JSON message per line, posted by "the
//                               page" after each navigation completes
//   ZEL_STANDIN_MESSAGE_SOURCE  the address they come from (default: the
//                               navigated address)
//   ZEL_STANDIN_FOLLOW_LINK     a web address the page follows a link to
//                               once it is shown (loaded from "the network":
//                               no resource request); the messages then come
//                               from that page
//   ZEL_STANDIN_POSTED          every PostWebMessageAsJson, one per line
//   ZEL_STANDIN_PROCESS         the id of each process that creates an
//                               environment, one per line
//
// Completions and events arrive through the calling thread's message loop,
// as WebView2's do.
#include "backends/webview2/ComObjects.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

using namespace zel::webview2;

namespace {

std::string Utf8(const wchar_t* text) {
  if (text == nullptr) return {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length > 0 ? length - 1 : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

std::wstring Wide(const std::string& text) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length > 0 ? length - 1 : 0), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), length);
  return wide;
}

std::wstring Environment(const wchar_t* name) {
  wchar_t buffer[32768];
  const DWORD length = GetEnvironmentVariableW(name, buffer, 32768);
  return length > 0 && length < 32768 ? std::wstring(buffer, length) : std::wstring();
}

// A copy of `text` in memory the caller frees with CoTaskMemFree.
LPWSTR CoTaskCopy(const std::wstring& text) {
  auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
  if (copy) wcscpy(copy, text.c_str());
  return copy;
}

::HRESULT OutText(LPWSTR* out, const std::wstring& text) {
  if (out == nullptr) return E_POINTER;
  *out = CoTaskCopy(text);
  return *out ? S_OK : E_OUTOFMEMORY;
}

void AppendLine(const std::wstring& file, const std::string& line) {
  if (file.empty()) return;
  std::ofstream out(file.c_str(), std::ios::binary | std::ios::app);
  out << line << '\n';
}

// Runs `task` later from this thread's message loop.
void Later(std::function<void()> task) {
  static const UINT Message = WM_APP + 17;
  static HWND window = [] {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
      if (message == Message) {
        std::unique_ptr<std::function<void()>> run(reinterpret_cast<std::function<void()>*>(lParam));
        (*run)();
        return 0;
      }
      return DefWindowProcW(hwnd, message, wParam, lParam);
    };
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ZelStandInEngineQueue";
    RegisterClassW(&windowClass);
    return CreateWindowW(L"ZelStandInEngineQueue", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         windowClass.hInstance, nullptr);
  }();
  PostMessageW(window, Message, 0, reinterpret_cast<LPARAM>(new std::function<void()>(std::move(task))));
}

// The handlers of one event, by registration token.
template <typename THandler>
class TEventHandlers {
 public:
  ::HRESULT Add(THandler* handler, EventRegistrationToken* token) {
    if (handler == nullptr || token == nullptr) return E_POINTER;
    token->value = ++FNext;
    FHandlers.emplace(token->value, TComRef<THandler>(handler));
    return S_OK;
  }
  ::HRESULT Remove(EventRegistrationToken token) {
    FHandlers.erase(token.value);
    return S_OK;
  }
  template <typename TSender, typename TArgs>
  void Raise(TSender* sender, TArgs* args) {
    auto handlers = FHandlers;  // a handler may remove itself
    for (auto& [token, handler] : handlers) handler->Invoke(sender, args);
  }

 private:
  std::map<__int64, TComRef<THandler>> FHandlers;
  __int64 FNext = 0;
};

// --- Requests, responses and event arguments ---

class TResponse final : public TComObject<ICoreWebView2WebResourceResponse> {
 public:
  TResponse(IStream* content, int status, std::wstring reason, std::wstring headers)
      : FContent(content), FStatus(status), FReason(std::move(reason)), FHeaders(std::move(headers)) {}
  ::HRESULT STDMETHODCALLTYPE get_Content(IStream** content) override {
    *content = FContent.Get();
    if (*content) (*content)->AddRef();
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE put_Content(IStream* content) override {
    FContent = TComRef<IStream>(content);
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE get_Headers(ICoreWebView2HttpResponseHeaders**) override { return E_NOTIMPL; }
  ::HRESULT STDMETHODCALLTYPE get_StatusCode(int* status) override {
    *status = FStatus;
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE put_StatusCode(int status) override {
    FStatus = status;
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE get_ReasonPhrase(LPWSTR* reason) override { return OutText(reason, FReason); }
  ::HRESULT STDMETHODCALLTYPE put_ReasonPhrase(LPCWSTR reason) override {
    FReason = reason ? reason : L"";
    return S_OK;
  }
  const std::wstring& Headers() const { return FHeaders; }

 private:
  TComRef<IStream> FContent;
  int FStatus;
  std::wstring FReason, FHeaders;
};

class TRequest final : public TComObject<ICoreWebView2WebResourceRequest> {
 public:
  explicit TRequest(std::wstring uri) : FUri(std::move(uri)) {}
  ::HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return OutText(uri, FUri); }
  ::HRESULT STDMETHODCALLTYPE put_Uri(LPCWSTR uri) override {
    FUri = uri ? uri : L"";
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE get_Method(LPWSTR* method) override { return OutText(method, L"GET"); }
  ::HRESULT STDMETHODCALLTYPE put_Method(LPCWSTR) override { return S_OK; }
  ::HRESULT STDMETHODCALLTYPE get_Content(IStream** content) override {
    *content = nullptr;
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE put_Content(IStream*) override { return S_OK; }
  ::HRESULT STDMETHODCALLTYPE get_Headers(ICoreWebView2HttpRequestHeaders**) override { return E_NOTIMPL; }

 private:
  std::wstring FUri;
};

class TResourceRequestedArgs final : public TComObject<ICoreWebView2WebResourceRequestedEventArgs> {
 public:
  explicit TResourceRequestedArgs(std::wstring uri)
      : FRequest(TComRef<ICoreWebView2WebResourceRequest>::Adopt(new TRequest(std::move(uri)))) {}
  ::HRESULT STDMETHODCALLTYPE get_Request(ICoreWebView2WebResourceRequest** request) override {
    *request = FRequest.Get();
    (*request)->AddRef();
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE get_Response(ICoreWebView2WebResourceResponse** response) override {
    *response = FResponse.Get();
    if (*response) (*response)->AddRef();
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE put_Response(ICoreWebView2WebResourceResponse* response) override {
    FResponse = TComRef<ICoreWebView2WebResourceResponse>(response);
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral**) override { return E_NOTIMPL; }
  ::HRESULT STDMETHODCALLTYPE get_ResourceContext(COREWEBVIEW2_WEB_RESOURCE_CONTEXT* context) override {
    *context = static_cast<COREWEBVIEW2_WEB_RESOURCE_CONTEXT>(1);  // a document
    return S_OK;
  }
  ICoreWebView2WebResourceResponse* Response() const { return FResponse.Get(); }

 private:
  TComRef<ICoreWebView2WebResourceRequest> FRequest;
  TComRef<ICoreWebView2WebResourceResponse> FResponse;
};

class TNavigationStartingArgs final : public TComObject<ICoreWebView2NavigationStartingEventArgs> {
 public:
  TNavigationStartingArgs(std::wstring uri, UINT64 id) : FUri(std::move(uri)), FId(id) {}
  ::HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return OutText(uri, FUri); }
  ::HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* value) override { *value = FALSE; return S_OK; }
  ::HRESULT STDMETHODCALLTYPE get_IsRedirected(BOOL* value) override { *value = FALSE; return S_OK; }
  ::HRESULT STDMETHODCALLTYPE get_RequestHeaders(ICoreWebView2HttpRequestHeaders**) override { return E_NOTIMPL; }
  ::HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* cancel) override { *cancel = FCancel; return S_OK; }
  ::HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) override { FCancel = cancel; return S_OK; }
  ::HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* id) override { *id = FId; return S_OK; }
  bool Cancelled() const { return FCancel != FALSE; }

 private:
  std::wstring FUri;
  UINT64 FId;
  BOOL FCancel = FALSE;
};

class TNavigationCompletedArgs final : public TComObject<ICoreWebView2NavigationCompletedEventArgs> {
 public:
  TNavigationCompletedArgs(bool success, UINT64 id) : FSuccess(success), FId(id) {}
  ::HRESULT STDMETHODCALLTYPE get_IsSuccess(BOOL* success) override { *success = FSuccess; return S_OK; }
  ::HRESULT STDMETHODCALLTYPE get_WebErrorStatus(COREWEBVIEW2_WEB_ERROR_STATUS* status) override {
    // Not answered: the engine would have found no file.
    *status = static_cast<COREWEBVIEW2_WEB_ERROR_STATUS>(FSuccess ? 0 : 12);
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* id) override { *id = FId; return S_OK; }

 private:
  bool FSuccess;
  UINT64 FId;
};

class TSourceChangedArgs final : public TComObject<ICoreWebView2SourceChangedEventArgs> {
 public:
  ::HRESULT STDMETHODCALLTYPE get_IsNewDocument(BOOL* value) override {
    *value = TRUE;
    return S_OK;
  }
};

class TMessageArgs final : public TComObject<ICoreWebView2WebMessageReceivedEventArgs> {
 public:
  TMessageArgs(std::wstring source, std::wstring json) : FSource(std::move(source)), FJson(std::move(json)) {}
  ::HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* source) override { return OutText(source, FSource); }
  ::HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* json) override { return OutText(json, FJson); }
  ::HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* text) override {
    // Only a JSON string without escapes is given back as text here.
    if (FJson.size() < 2 || FJson.front() != L'"' || FJson.back() != L'"' ||
        FJson.find(L'\\') != std::wstring::npos) {
      *text = nullptr;
      return E_INVALIDARG;
    }
    return OutText(text, FJson.substr(1, FJson.size() - 2));
  }

 private:
  std::wstring FSource, FJson;
};

// --- Settings, web view, controller, environment ---

class TSettings final : public TComObject<ICoreWebView2Settings> {
 public:
#define ZEL_STANDIN_SETTING(Name, Field)                              \
  ::HRESULT STDMETHODCALLTYPE get_##Name(BOOL* value) override {      \
    if (value == nullptr) return E_POINTER;                           \
    *value = Field;                                                   \
    return S_OK;                                                      \
  }                                                                   \
  ::HRESULT STDMETHODCALLTYPE put_##Name(BOOL value) override {       \
    Field = value;                                                    \
    return S_OK;                                                      \
  }
  ZEL_STANDIN_SETTING(IsScriptEnabled, FScript)
  ZEL_STANDIN_SETTING(IsWebMessageEnabled, FWebMessage)
  ZEL_STANDIN_SETTING(AreDefaultScriptDialogsEnabled, FScriptDialogs)
  ZEL_STANDIN_SETTING(IsStatusBarEnabled, FStatusBar)
  ZEL_STANDIN_SETTING(AreDevToolsEnabled, FDevTools)
  ZEL_STANDIN_SETTING(AreDefaultContextMenusEnabled, FContextMenus)
  ZEL_STANDIN_SETTING(AreHostObjectsAllowed, FHostObjects)
  ZEL_STANDIN_SETTING(IsZoomControlEnabled, FZoomControl)
  ZEL_STANDIN_SETTING(IsBuiltInErrorPageEnabled, FErrorPage)
#undef ZEL_STANDIN_SETTING

 private:
  BOOL FScript = TRUE, FWebMessage = TRUE, FScriptDialogs = TRUE, FStatusBar = TRUE,
       FDevTools = TRUE, FContextMenus = TRUE, FHostObjects = TRUE, FZoomControl = TRUE,
       FErrorPage = TRUE;
};

#define ZEL_STANDIN_EVENT(Name, Handler, Field)                                                 \
  ::HRESULT STDMETHODCALLTYPE add_##Name(Handler* handler, EventRegistrationToken* token) override { \
    return Field.Add(handler, token);                                                           \
  }                                                                                             \
  ::HRESULT STDMETHODCALLTYPE remove_##Name(EventRegistrationToken token) override {            \
    return Field.Remove(token);                                                                 \
  }
#define ZEL_STANDIN_NO_EVENT(Name, Handler)                                                     \
  ::HRESULT STDMETHODCALLTYPE add_##Name(Handler*, EventRegistrationToken*) override { return E_NOTIMPL; } \
  ::HRESULT STDMETHODCALLTYPE remove_##Name(EventRegistrationToken) override { return E_NOTIMPL; }

class TWebView final : public TComObject<ICoreWebView2> {
 public:
  ::HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) override {
    *settings = FSettings.Get();
    (*settings)->AddRef();
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) override { return OutText(uri, FSource); }
  ::HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override {
    if (uri == nullptr) return E_INVALIDARG;
    TComRef<TWebView> self(this);
    Later([self, target = std::wstring(uri)] { self->Load(target); });
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE NavigateToString(LPCWSTR) override { return E_NOTIMPL; }
  ZEL_STANDIN_EVENT(NavigationStarting, ICoreWebView2NavigationStartingEventHandler, FNavigationStarting)
  ZEL_STANDIN_NO_EVENT(ContentLoading, ICoreWebView2ContentLoadingEventHandler)
  ZEL_STANDIN_EVENT(SourceChanged, ICoreWebView2SourceChangedEventHandler, FSourceChanged)
  ZEL_STANDIN_NO_EVENT(HistoryChanged, ICoreWebView2HistoryChangedEventHandler)
  ZEL_STANDIN_EVENT(NavigationCompleted, ICoreWebView2NavigationCompletedEventHandler, FNavigationCompleted)
  ZEL_STANDIN_NO_EVENT(FrameNavigationStarting, ICoreWebView2NavigationStartingEventHandler)
  ZEL_STANDIN_NO_EVENT(FrameNavigationCompleted, ICoreWebView2NavigationCompletedEventHandler)
  ZEL_STANDIN_NO_EVENT(ScriptDialogOpening, ICoreWebView2ScriptDialogOpeningEventHandler)
  ZEL_STANDIN_NO_EVENT(PermissionRequested, ICoreWebView2PermissionRequestedEventHandler)
  ZEL_STANDIN_NO_EVENT(ProcessFailed, ICoreWebView2ProcessFailedEventHandler)
  ::HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(
      LPCWSTR script, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) override {
    if (script == nullptr) return E_INVALIDARG;
    FScripts.emplace_back(script);
    if (handler) {
      TComRef<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler> keep(handler);
      const std::wstring id = std::to_wstring(FScripts.size());
      Later([keep, id] { keep->Invoke(S_OK, id.c_str()); });
    }
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE RemoveScriptToExecuteOnDocumentCreated(LPCWSTR) override { return E_NOTIMPL; }
  ::HRESULT STDMETHODCALLTYPE ExecuteScript(LPCWSTR script,
                                            ICoreWebView2ExecuteScriptCompletedHandler* handler) override {
    if (script == nullptr) return E_INVALIDARG;
    if (handler) {
      TComRef<ICoreWebView2ExecuteScriptCompletedHandler> keep(handler);
      Later([keep] { keep->Invoke(S_OK, L"null"); });
    }
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT, IStream*,
                                             ICoreWebView2CapturePreviewCompletedHandler*) override {
    return E_NOTIMPL;
  }
  ::HRESULT STDMETHODCALLTYPE Reload() override { return Navigate(FSource.c_str()); }
  ::HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR json) override {
    if (json == nullptr) return E_INVALIDARG;
    AppendLine(Environment(L"ZEL_STANDIN_POSTED"), Utf8(json));
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR) override { return E_NOTIMPL; }
  ZEL_STANDIN_EVENT(WebMessageReceived, ICoreWebView2WebMessageReceivedEventHandler, FWebMessageReceived)
  ::HRESULT STDMETHODCALLTYPE CallDevToolsProtocolMethod(
      LPCWSTR, LPCWSTR, ICoreWebView2CallDevToolsProtocolMethodCompletedHandler*) override {
    return E_NOTIMPL;
  }
  ::HRESULT STDMETHODCALLTYPE get_BrowserProcessId(UINT32* id) override {
    *id = GetCurrentProcessId();
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE get_CanGoBack(BOOL* value) override { *value = FALSE; return S_OK; }
  ::HRESULT STDMETHODCALLTYPE get_CanGoForward(BOOL* value) override { *value = FALSE; return S_OK; }
  ::HRESULT STDMETHODCALLTYPE GoBack() override { return S_OK; }
  ::HRESULT STDMETHODCALLTYPE GoForward() override { return S_OK; }
  ::HRESULT STDMETHODCALLTYPE GetDevToolsProtocolEventReceiver(
      LPCWSTR, ICoreWebView2DevToolsProtocolEventReceiver**) override {
    return E_NOTIMPL;
  }
  ::HRESULT STDMETHODCALLTYPE Stop() override { return S_OK; }
  ZEL_STANDIN_NO_EVENT(NewWindowRequested, ICoreWebView2NewWindowRequestedEventHandler)
  ZEL_STANDIN_NO_EVENT(DocumentTitleChanged, ICoreWebView2DocumentTitleChangedEventHandler)
  ::HRESULT STDMETHODCALLTYPE get_DocumentTitle(LPWSTR* title) override { return OutText(title, L""); }
  ::HRESULT STDMETHODCALLTYPE AddHostObjectToScript(LPCWSTR, VARIANT*) override { return E_NOTIMPL; }
  ::HRESULT STDMETHODCALLTYPE RemoveHostObjectFromScript(LPCWSTR) override { return E_NOTIMPL; }
  ::HRESULT STDMETHODCALLTYPE OpenDevToolsWindow() override { return S_OK; }
  ZEL_STANDIN_NO_EVENT(ContainsFullScreenElementChanged, ICoreWebView2ContainsFullScreenElementChangedEventHandler)
  ::HRESULT STDMETHODCALLTYPE get_ContainsFullScreenElement(BOOL* value) override {
    *value = FALSE;
    return S_OK;
  }
  ZEL_STANDIN_EVENT(WebResourceRequested, ICoreWebView2WebResourceRequestedEventHandler, FWebResourceRequested)
  ::HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilter(LPCWSTR uri,
                                                            COREWEBVIEW2_WEB_RESOURCE_CONTEXT) override {
    if (uri == nullptr) return E_INVALIDARG;
    FFilters.emplace_back(uri);
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE RemoveWebResourceRequestedFilter(LPCWSTR uri,
                                                               COREWEBVIEW2_WEB_RESOURCE_CONTEXT) override {
    for (auto it = FFilters.begin(); it != FFilters.end(); ++it) {
      if (uri && *it == uri) {
        FFilters.erase(it);
        return S_OK;
      }
    }
    return E_INVALIDARG;
  }
  ZEL_STANDIN_NO_EVENT(WindowCloseRequested, ICoreWebView2WindowCloseRequestedEventHandler)

 private:
  // Only "*" and exact addresses are matched.
  bool Filtered(const std::wstring& uri) const {
    for (const auto& filter : FFilters) {
      if (filter == L"*" || filter == uri) return true;
    }
    return false;
  }

  void Load(const std::wstring& uri) {
    const UINT64 id = ++FNavigations;
    auto starting = TComRef<TNavigationStartingArgs>::Adopt(new TNavigationStartingArgs(uri, id));
    FNavigationStarting.Raise(static_cast<ICoreWebView2*>(this), starting.Get());
    if (starting->Cancelled()) return;
    bool answered = false;
    if (Filtered(uri)) {
      auto request = TComRef<TResourceRequestedArgs>::Adopt(new TResourceRequestedArgs(uri));
      FWebResourceRequested.Raise(static_cast<ICoreWebView2*>(this), request.Get());
      if (auto* response = static_cast<TResponse*>(request->Response())) {
        int status = 0;
        response->get_StatusCode(&status);
        answered = status == 200;
        std::string body;
        TComRef<IStream> content;
        response->get_Content(content.Put());
        char buffer[4096];
        ULONG read = 0;
        while (content && SUCCEEDED(content->Read(buffer, sizeof buffer, &read)) && read > 0)
          body.append(buffer, read);
        const std::wstring file = Environment(L"ZEL_STANDIN_DOCUMENT");
        if (!file.empty()) {
          std::ofstream out(file.c_str(), std::ios::binary | std::ios::trunc);
          out << Utf8(response->Headers().c_str()) << "\n\n" << body;
        }
      }
    }
    FSource = uri;
    auto changed = TComRef<TSourceChangedArgs>::Adopt(new TSourceChangedArgs);
    FSourceChanged.Raise(static_cast<ICoreWebView2*>(this), changed.Get());
    auto completed = TComRef<TNavigationCompletedArgs>::Adopt(new TNavigationCompletedArgs(answered, id));
    FNavigationCompleted.Raise(static_cast<ICoreWebView2*>(this), completed.Get());
    if (!answered) return;
    const std::wstring link = Environment(L"ZEL_STANDIN_FOLLOW_LINK");
    if (link.empty() || link == uri) {
      PostScriptedMessages();
      return;
    }
    TComRef<TWebView> self(this);
    Later([self, link] { self->FollowLink(link); });
  }

  void FollowLink(const std::wstring& uri) {
    const UINT64 id = ++FNavigations;
    auto starting = TComRef<TNavigationStartingArgs>::Adopt(new TNavigationStartingArgs(uri, id));
    FNavigationStarting.Raise(static_cast<ICoreWebView2*>(this), starting.Get());
    if (starting->Cancelled()) return;
    FSource = uri;
    auto changed = TComRef<TSourceChangedArgs>::Adopt(new TSourceChangedArgs);
    FSourceChanged.Raise(static_cast<ICoreWebView2*>(this), changed.Get());
    auto completed = TComRef<TNavigationCompletedArgs>::Adopt(new TNavigationCompletedArgs(true, id));
    FNavigationCompleted.Raise(static_cast<ICoreWebView2*>(this), completed.Get());
    PostScriptedMessages();
  }

  // "The page" posts the lines of the message file, each from the message
  // loop, as a page's messages arrive.
  void PostScriptedMessages() {
    const std::wstring file = Environment(L"ZEL_STANDIN_MESSAGES");
    if (file.empty()) return;
    std::wstring source = Environment(L"ZEL_STANDIN_MESSAGE_SOURCE");
    if (source.empty()) source = FSource;
    std::ifstream in(file.c_str(), std::ios::binary);
    TComRef<TWebView> self(this);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty()) continue;
      Later([self, source, json = Wide(line)] {
        BOOL enabled = FALSE;
        self->FSettingsObject->get_IsWebMessageEnabled(&enabled);
        if (!enabled) return;
        auto args = TComRef<TMessageArgs>::Adopt(new TMessageArgs(source, json));
        self->FWebMessageReceived.Raise(static_cast<ICoreWebView2*>(self.Get()), args.Get());
      });
    }
  }

  TSettings* FSettingsObject = new TSettings;
  TComRef<ICoreWebView2Settings> FSettings = TComRef<ICoreWebView2Settings>::Adopt(FSettingsObject);
  std::wstring FSource = L"about:blank";
  std::vector<std::wstring> FFilters, FScripts;
  UINT64 FNavigations = 0;
  TEventHandlers<ICoreWebView2NavigationStartingEventHandler> FNavigationStarting;
  TEventHandlers<ICoreWebView2SourceChangedEventHandler> FSourceChanged;
  TEventHandlers<ICoreWebView2NavigationCompletedEventHandler> FNavigationCompleted;
  TEventHandlers<ICoreWebView2WebMessageReceivedEventHandler> FWebMessageReceived;
  TEventHandlers<ICoreWebView2WebResourceRequestedEventHandler> FWebResourceRequested;
};

class TController final : public TComObject<ICoreWebView2Controller> {
 public:
  explicit TController(HWND parent) : FParent(parent) {}
  ::HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL* visible) override { *visible = FVisible; return S_OK; }
  ::HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL visible) override { FVisible = visible; return S_OK; }
  ::HRESULT STDMETHODCALLTYPE get_Bounds(RECT* bounds) override { *bounds = FBounds; return S_OK; }
  ::HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) override { FBounds = bounds; return S_OK; }
  ::HRESULT STDMETHODCALLTYPE get_ZoomFactor(double* zoom) override { *zoom = FZoom; return S_OK; }
  ::HRESULT STDMETHODCALLTYPE put_ZoomFactor(double zoom) override {
    if (zoom <= 0) return E_INVALIDARG;
    const bool changed = zoom != FZoom;
    FZoom = zoom;
    if (changed) FZoomChanged.Raise(static_cast<ICoreWebView2Controller*>(this), static_cast<IUnknown*>(nullptr));
    return S_OK;
  }
  ZEL_STANDIN_EVENT(ZoomFactorChanged, ICoreWebView2ZoomFactorChangedEventHandler, FZoomChanged)
  ::HRESULT STDMETHODCALLTYPE SetBoundsAndZoomFactor(RECT bounds, double zoom) override {
    FBounds = bounds;
    return put_ZoomFactor(zoom);
  }
  ::HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON) override {
    FGotFocus.Raise(static_cast<ICoreWebView2Controller*>(this), static_cast<IUnknown*>(nullptr));
    return S_OK;
  }
  ZEL_STANDIN_NO_EVENT(MoveFocusRequested, ICoreWebView2MoveFocusRequestedEventHandler)
  ZEL_STANDIN_EVENT(GotFocus, ICoreWebView2FocusChangedEventHandler, FGotFocus)
  ZEL_STANDIN_EVENT(LostFocus, ICoreWebView2FocusChangedEventHandler, FLostFocus)
  ZEL_STANDIN_NO_EVENT(AcceleratorKeyPressed, ICoreWebView2AcceleratorKeyPressedEventHandler)
  ::HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND* parent) override { *parent = FParent; return S_OK; }
  ::HRESULT STDMETHODCALLTYPE put_ParentWindow(HWND parent) override { FParent = parent; return S_OK; }
  ::HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() override { return S_OK; }
  ::HRESULT STDMETHODCALLTYPE Close() override {
    FWebView.Reset();
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** webView) override {
    if (!FWebView) return E_FAIL;  // closed
    *webView = FWebView.Get();
    (*webView)->AddRef();
    return S_OK;
  }

 private:
  HWND FParent;
  BOOL FVisible = TRUE;
  RECT FBounds{};
  double FZoom = 1.0;
  TComRef<ICoreWebView2> FWebView = TComRef<ICoreWebView2>::Adopt(new TWebView);
  TEventHandlers<ICoreWebView2ZoomFactorChangedEventHandler> FZoomChanged;
  TEventHandlers<ICoreWebView2FocusChangedEventHandler> FGotFocus, FLostFocus;
};

class TEnvironment final : public TComObject<ICoreWebView2Environment> {
 public:
  ::HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
      HWND parent, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override {
    if (handler == nullptr) return E_POINTER;
    if (!IsWindow(parent)) return E_INVALIDARG;
    TComRef<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> keep(handler);
    Later([keep, parent] {
      auto controller = TComRef<ICoreWebView2Controller>::Adopt(new TController(parent));
      keep->Invoke(S_OK, controller.Get());
    });
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE CreateWebResourceResponse(IStream* content, int status, LPCWSTR reason,
                                                        LPCWSTR headers,
                                                        ICoreWebView2WebResourceResponse** response) override {
    if (response == nullptr) return E_POINTER;
    *response = new TResponse(content, status, reason ? reason : L"", headers ? headers : L"");
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR* version) override {
    return OutText(version, L"stand-in 1.0");
  }
  ZEL_STANDIN_NO_EVENT(NewBrowserVersionAvailable, ICoreWebView2NewBrowserVersionAvailableEventHandler)
};

bool EngineInstalled() {
  const std::wstring marker = Environment(L"ZEL_STANDIN_ENGINE_MARKER");
  return marker.empty() || GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

extern "C" {

__declspec(dllexport) ::HRESULT STDAPICALLTYPE GetAvailableCoreWebView2BrowserVersionString(
    PCWSTR, LPWSTR* versionInfo) {
  if (versionInfo == nullptr) return E_POINTER;
  *versionInfo = nullptr;
  if (!EngineInstalled()) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  return OutText(versionInfo, L"stand-in 1.0");
}

__declspec(dllexport) ::HRESULT STDAPICALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR, PCWSTR, ICoreWebView2EnvironmentOptions*,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
  if (handler == nullptr) return E_POINTER;
  if (!EngineInstalled()) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  AppendLine(Environment(L"ZEL_STANDIN_PROCESS"), std::to_string(GetCurrentProcessId()));
  TComRef<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> keep(handler);
  Later([keep] {
    auto environment = TComRef<ICoreWebView2Environment>::Adopt(new TEnvironment);
    keep->Invoke(S_OK, environment.Get());
  });
  return S_OK;
}

__declspec(dllexport) ::HRESULT STDAPICALLTYPE CreateCoreWebView2Environment(
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
  return CreateCoreWebView2EnvironmentWithOptions(nullptr, nullptr, nullptr, handler);
}

}  // extern "C"
