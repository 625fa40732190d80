#pragma once
// The web engine as the browser control sees it: an environment that creates
// controllers asynchronously, a controller that places one web view inside a
// native parent, and the web view with its settings and events.
//
// The engine lives in its own shared library, loaded at run time; its two
// entry points (below) are the only symbols the runtime resolves. Every
// address the runtime sends or receives is a file:/// address where the
// engine serves the application's own pages.
//
// Threads: every call and every event happens on the user-interface thread,
// except the environment creation completion, which may arrive on any thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zel {

using HRESULT = std::int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
inline constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }

// A native widget of the platform's toolkit (GtkWidget* on Linux).
using TNativeHandle = void*;

// Readable body of a synthesized response; the engine reads it to the end
// and then destroys it. A large package entry streams through it without a
// second full copy. The engine may read it on a thread other than the user
// interface's, one thread at a time.
class IResponseBody {
 public:
  virtual ~IResponseBody() = default;
  // Reads up to `count` bytes; 0 at the end.
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  // Total length when known.
  virtual std::optional<std::uint64_t> Length() const = 0;
  // Moves to `position` without reading what lies before it, where the body
  // can (a stored package entry, a file); false otherwise, and then the
  // position is unchanged.
  virtual bool Seek(std::uint64_t position) { return false; }
};

struct TWebResourceResponse {
  int StatusCode = 200;
  std::string ReasonPhrase = "OK";
  // Header lines separated by CR LF, e.g. "Content-Type: text/html; charset=utf-8".
  std::string Headers;
  std::unique_ptr<IResponseBody> Body;
};

class IWebResourceRequestedArgs {
 public:
  virtual ~IWebResourceRequestedArgs() = default;
  // The request's address, file:/// for the application's own resources.
  virtual std::string Uri() const = 0;
  // Answers the request. Without a response the engine loads the address
  // itself (for a file:/// address of the package, a load error).
  virtual void SetResponse(TWebResourceResponse response) = 0;
};

// Text shared without a copy: it stays valid while `Keeper` is held, also on
// other threads (a message of hundreds of MiB is handed on, not copied).
struct TSharedText {
  std::shared_ptr<const void> Keeper;
  std::string_view Text;
};

class IWebMessageReceivedArgs {
 public:
  virtual ~IWebMessageReceivedArgs() = default;
  // The message as JSON text (a posted string arrives as a JSON string literal).
  virtual std::string WebMessageAsJson() const = 0;
  // The same text, shared; engines that hold it already hand it on as it is.
  virtual TSharedText WebMessageAsSharedJson() const {
    auto text = std::make_shared<const std::string>(WebMessageAsJson());
    return {text, *text};
  }
  // The message when it was posted as a plain string; E_INVALIDARG otherwise.
  virtual HRESULT TryGetWebMessageAsString(std::string& value) const = 0;
  // Origin of the document that owns the channel the message was posted
  // through ("file://" for the application's pages).
  virtual std::string Source() const = 0;
  // Origins of the documents that frame that document, nearest first; empty
  // for a top document. An origin the document may not read is "null".
  virtual std::vector<std::string> AncestorOrigins() const = 0;
  // False when that document has left its frame (a channel function kept
  // from it by another document): such a message speaks for nobody.
  virtual bool IsSenderCurrent() const = 0;
};

class INewWindowRequestedArgs {
 public:
  virtual ~INewWindowRequestedArgs() = default;
  virtual std::string Uri() const = 0;
  // Handled: the engine opens no window of its own.
  virtual void SetHandled(bool handled) = 0;
};

enum class TPermissionKind {
  Unknown,
  Microphone,
  Camera,
  Geolocation,
  Notifications,
  Clipboard,
  Other
};
enum class TPermissionState { Default = 0, Allow = 1, Deny = 2 };

class IPermissionRequestedArgs {
 public:
  virtual ~IPermissionRequestedArgs() = default;
  virtual std::string Uri() const = 0;
  virtual TPermissionKind Kind() const = 0;
  virtual void SetState(TPermissionState state) = 0;
};

class INavigationStartingArgs {
 public:
  virtual ~INavigationStartingArgs() = default;
  virtual std::string Uri() const = 0;
  virtual std::uint64_t NavigationId() const = 0;
  virtual void SetCancel(bool cancel) = 0;
};

enum class TProcessFailedKind {
  BrowserProcessExited = 0,
  RenderProcessExited = 1,
  RenderProcessUnresponsive = 2
};

// Receives the web view's events; every method has an empty default.
class IWebViewEvents {
 public:
  virtual ~IWebViewEvents() = default;
  virtual void NavigationStarting(INavigationStartingArgs& args) {}
  virtual void NavigationCompleted(bool isSuccess, int webErrorStatus) {}
  virtual void SourceChanged(bool isNewDocument) {}
  virtual void HistoryChanged() {}
  virtual void ContentLoading(bool isErrorPage, std::uint64_t navigationId) {}
  virtual void DocumentTitleChanged() {}
  virtual void NewWindowRequested(INewWindowRequestedArgs& args) {}
  virtual void WebResourceRequested(IWebResourceRequestedArgs& args) {}
  virtual void PermissionRequested(IPermissionRequestedArgs& args) {}
  virtual void ProcessFailed(TProcessFailedKind kind) {}
  virtual void WebMessageReceived(IWebMessageReceivedArgs& args) {}
  virtual void ContainsFullScreenElementChanged() {}
  virtual void WindowCloseRequested() {}
  virtual void ZoomFactorChanged() {}
  virtual void GotFocus() {}
  virtual void LostFocus() {}
};

class IWebViewSettings {
 public:
  virtual ~IWebViewSettings() = default;
  virtual HRESULT GetIsScriptEnabled(bool& value) = 0;
  virtual HRESULT PutIsScriptEnabled(bool value) = 0;
  virtual HRESULT GetIsWebMessageEnabled(bool& value) = 0;
  virtual HRESULT PutIsWebMessageEnabled(bool value) = 0;
  virtual HRESULT GetAreDefaultScriptDialogsEnabled(bool& value) = 0;
  virtual HRESULT PutAreDefaultScriptDialogsEnabled(bool value) = 0;
  virtual HRESULT GetIsStatusBarEnabled(bool& value) = 0;
  virtual HRESULT PutIsStatusBarEnabled(bool value) = 0;
  virtual HRESULT GetAreDevToolsEnabled(bool& value) = 0;
  virtual HRESULT PutAreDevToolsEnabled(bool value) = 0;
  virtual HRESULT GetAreDefaultContextMenusEnabled(bool& value) = 0;
  virtual HRESULT PutAreDefaultContextMenusEnabled(bool value) = 0;
  virtual HRESULT GetIsZoomControlEnabled(bool& value) = 0;
  virtual HRESULT PutIsZoomControlEnabled(bool value) = 0;
  virtual HRESULT GetIsBuiltInErrorPageEnabled(bool& value) = 0;
  virtual HRESULT PutIsBuiltInErrorPageEnabled(bool value) = 0;
};

class IWebView {
 public:
  virtual ~IWebView() = default;
  // Events go to `events` until it is replaced or cleared (nullptr).
  virtual void SetEventSink(IWebViewEvents* events) = 0;
  virtual IWebViewSettings& Settings() = 0;

  virtual HRESULT Navigate(const std::string& uri) = 0;
  virtual HRESULT NavigateToString(const std::string& html) = 0;
  // Runs `script` in the top document; `completed` receives the result as JSON.
  virtual HRESULT ExecuteScript(
      const std::string& script,
      std::function<void(HRESULT, const std::string& resultJson)> completed) = 0;
  // Runs `script` at the start of every document created from now on.
  virtual HRESULT AddScriptToExecuteOnDocumentCreated(const std::string& script) = 0;
  // Delivers a message event whose data is the parsed `json` to the top document.
  virtual HRESULT PostWebMessageAsJson(const std::string& json) = 0;
  // "*" with context 0 routes every request through WebResourceRequested.
  virtual HRESULT AddWebResourceRequestedFilter(const std::string& pattern,
                                                int resourceContext) = 0;
  virtual HRESULT RemoveWebResourceRequestedFilter(const std::string& pattern,
                                                   int resourceContext) = 0;

  virtual HRESULT GoBack() = 0;
  virtual HRESULT GoForward() = 0;
  virtual HRESULT Reload() = 0;
  virtual HRESULT Stop() = 0;
  virtual HRESULT GetCanGoBack(bool& value) = 0;
  virtual HRESULT GetCanGoForward(bool& value) = 0;
  virtual HRESULT GetDocumentTitle(std::string& value) = 0;
  virtual HRESULT GetSource(std::string& value) = 0;
  virtual HRESULT GetContainsFullScreenElement(bool& value) = 0;
  virtual HRESULT GetBrowserProcessId(std::uint32_t& value) = 0;
  // Opens the developer tools when they are enabled.
  virtual HRESULT OpenDevToolsWindow() = 0;
};

struct TBounds {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
};

class IWebViewController {
 public:
  virtual ~IWebViewController() = default;
  virtual IWebView& WebView() = 0;
  virtual HRESULT PutBounds(const TBounds& bounds) = 0;
  virtual HRESULT PutIsVisible(bool visible) = 0;
  virtual HRESULT GetZoomFactor(double& value) = 0;
  virtual HRESULT PutZoomFactor(double value) = 0;
  virtual HRESULT MoveFocus() = 0;
  // Removes the web view from its parent and frees the engine's resources.
  virtual HRESULT Close() = 0;
};

class IWebViewEnvironment {
 public:
  virtual ~IWebViewEnvironment() = default;
  // Creates a web view inside `parent` (a container of the toolkit). The
  // completion runs on the user-interface thread.
  virtual HRESULT CreateController(
      TNativeHandle parent,
      std::function<void(HRESULT, std::unique_ptr<IWebViewController>)> completed) = 0;
  virtual std::string BrowserVersionString() = 0;
};

using TEnvironmentCompleted = std::function<void(HRESULT, std::shared_ptr<IWebViewEnvironment>)>;

class ISharedLibrary;

// How this build calls the two entry points of its engine library: the
// library of this project shares the runtime's C++ interfaces, the loader
// library of WebView2 speaks COM. Each function looks its symbol up in
// `library` and returns E_FAIL, calling nothing, when it is missing.
struct TEngineEntryPoints {
  // Asks for an environment; `completed` runs only when the call succeeds.
  HRESULT (*CreateEnvironment)(ISharedLibrary& library, TEnvironmentCompleted completed);
  // The installed engine's version, empty when there is none.
  HRESULT (*BrowserVersion)(ISharedLibrary& library, std::string& version);
};

}  // namespace zel

// The engine library's entry points, resolved by name after loading it. They
// keep the names of the engine loader on Windows.
extern "C" {
// Creates the environment from the process environment variables
// WEBVIEW2_USER_DATA_FOLDER and WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS.
using TCreateCoreWebView2Environment =
    zel::HRESULT (*)(const zel::TEnvironmentCompleted* completed);
// Writes the engine's version into `version` (empty when no engine).
using TGetAvailableCoreWebView2BrowserVersionString =
    zel::HRESULT (*)(const char* browserExecutableFolder, std::string* version);
}
