#pragma once
// The form that owns the browser control and gives it its behaviour: the web
// view's settings, the script every document receives, the first page, new
// windows, permissions and the answering of file requests.
#include <functional>
#include <memory>
#include <string>

#include "core/package/ExeZip.h"
#include "platform/ProcessInfo.h"
#include "platform/Processes.h"
#include "platform/Window.h"
#include "runtime/EdgeBrowser.h"
#include "runtime/WebViewLoader.h"

namespace zel {

class TBrowserForm;

using TOnProgressBarVisibleChanged = std::function<void(TBrowserForm& sender, bool visible)>;
using TOnFocusOwnerWindow = std::function<void(TBrowserForm& sender)>;

class TBrowserForm {
 public:
  // The page's click notice that gives the focus to the window (outside the runtime).
  static constexpr const char* ClickedMessage = "zel-webbrowser-clicked";

  // The services must outlive the form.
  TBrowserForm(IUserInterface& userInterface, IWebViewLoader& loader, IProcessInfo& processInfo,
               IProcesses& processes);
  ~TBrowserForm();
  TBrowserForm(const TBrowserForm&) = delete;
  TBrowserForm& operator=(const TBrowserForm&) = delete;

  // Clears every property, takes the executable's folder as AppDirPath, shows
  // the progress bar and creates the browser control inside `parent`, which
  // starts the creation of the web view. Set the properties afterwards: the
  // web view is ready only once the main loop runs.
  void FormCreate(TNativeHandle parent);
  // Frees the browser control, which closes the web view.
  void FormDestroy();
  // The control fills the form's client area.
  void SetClientSize(int AWidth, int AHeight);
  // Builds the script every new document runs first and registers it.
  void AddDocumentScripts();
  // The text that AddDocumentScripts registers.
  std::string DocumentScript() const;

  // The opened package (not owned); none outside a package.
  const TExeZip* ExeZip() const { return FExeZip; }
  void SetExeZip(const TExeZip* value) { FExeZip = value; }
  bool IsRuntime() const { return FIsRuntime; }
  void SetIsRuntime(bool value) { FIsRuntime = value; }
  // Passed to the instances started for new windows.
  const std::string& RuntimeAppID() const { return FRuntimeAppID; }
  void SetRuntimeAppID(std::string value) { FRuntimeAppID = std::move(value); }
  // Adds BridgeScript first to every document.
  bool WithExternal() const { return FWithExternal; }
  void SetWithExternal(bool value) { FWithExternal = value; }
  // The application folder inside the package.
  const std::string& AppDirName() const { return FAppDirName; }
  void SetAppDirName(std::string value) { FAppDirName = std::move(value); }
  // The running executable's folder, with a trailing slash.
  const std::string& AppDirPath() const { return FAppDirPath; }
  void SetAppDirPath(std::string value) { FAppDirPath = std::move(value); }
  bool AllowDebug() const { return FAllowDebug; }
  void SetAllowDebug(bool value) { FAllowDebug = value; }
  bool AllowZoom() const { return FAllowZoom; }
  void SetAllowZoom(bool value) { FAllowZoom = value; }
  // The package's extra script, added to every document in the runtime.
  const std::string& WebviewJavascript() const { return FWebviewJavascript; }
  void SetWebviewJavascript(std::string value) { FWebviewJavascript = std::move(value); }
  bool AllowContextMenu() const { return FAllowContextMenu; }
  void SetAllowContextMenu(bool value) { FAllowContextMenu = value; }
  const std::string& StartPageURL() const { return FStartPageURL; }
  void SetStartPageURL(std::string value) { FStartPageURL = std::move(value); }
  // Answer the page's file requests from the package and the disk.
  bool HandleRequests() const { return FHandleRequests; }
  void SetHandleRequests(bool value) { FHandleRequests = value; }
  // The browser control; null before FormCreate and after FormDestroy.
  TEdgeBrowser* EdgeBrowser() const { return FEdgeBrowser.get(); }
  // The page script that defines window.zel; empty until the bridge provides it.
  const std::string& BridgeScript() const { return FBridgeScript; }
  void SetBridgeScript(std::string value) { FBridgeScript = std::move(value); }
  // The thin marquee along the bottom edge: shown from creation until the
  // first navigation ends.
  bool ProgressBarVisible() const { return FProgressBarVisible; }

  // The owner shows or hides its progress bar.
  const TOnProgressBarVisibleChanged& OnProgressBarVisibleChanged() const {
    return FOnProgressBarVisibleChanged;
  }
  void SetOnProgressBarVisibleChanged(TOnProgressBarVisibleChanged handler) {
    FOnProgressBarVisibleChanged = std::move(handler);
  }
  // The owner gives the keyboard focus to its window (the page was clicked).
  const TOnFocusOwnerWindow& OnFocusOwnerWindow() const { return FOnFocusOwnerWindow; }
  void SetOnFocusOwnerWindow(TOnFocusOwnerWindow handler) {
    FOnFocusOwnerWindow = std::move(handler);
  }

 private:
  void EdgeBrowserCreateWebViewCompleted(TCustomEdgeBrowser& sender, HRESULT AResult);
  void EdgeBrowserNavigationCompleted(TCustomEdgeBrowser& sender, bool isSuccess,
                                      int webErrorStatus);
  void EdgeBrowserNewWindowRequested(TCustomEdgeBrowser& sender,
                                     TNewWindowRequestedEventArgs& args);
  void EdgeBrowserPermissionRequested(TCustomEdgeBrowser& sender,
                                      TPermissionRequestedEventArgs& args);
  void EdgeBrowserProcessFailed(TCustomEdgeBrowser& sender, TProcessFailedKind processFailedKind);
  void EdgeBrowserFocusMessageReceived(TCustomEdgeBrowser& sender,
                                       TWebMessageReceivedEventArgs& args);
  void EdgeBrowserWebResourceRequested(TCustomEdgeBrowser& sender,
                                       TWebResourceRequestedEventArgs& args);
  void SetProgressBarVisible(bool visible);

  IUserInterface& FUserInterface;
  IWebViewLoader& FLoader;
  IProcessInfo& FProcessInfo;
  IProcesses& FProcesses;

  const TExeZip* FExeZip = nullptr;
  bool FIsRuntime = false;
  std::string FRuntimeAppID;
  bool FWithExternal = false;
  std::string FAppDirName;
  std::string FAppDirPath;
  bool FAllowDebug = false;
  bool FAllowZoom = false;
  std::string FWebviewJavascript;
  bool FAllowContextMenu = false;
  std::string FStartPageURL;
  bool FHandleRequests = false;
  std::unique_ptr<TEdgeBrowser> FEdgeBrowser;
  std::string FBridgeScript;
  bool FProgressBarVisible = false;

  TOnProgressBarVisibleChanged FOnProgressBarVisibleChanged;
  TOnFocusOwnerWindow FOnFocusOwnerWindow;
};

}  // namespace zel
