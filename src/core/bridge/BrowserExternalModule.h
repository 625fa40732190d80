#pragma once
// The host side of the bridge: receives call messages from the browser,
// dispatches them by function id and posts the replies back into the page.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/bridge/BridgeDispatcher.h"
#include "core/bridge/BrowserExternalForm.h"
#include "core/bridge/BridgeLifetime.h"
#include "core/bridge/BrowserAccess.h"
#include "platform/SystemServices.h"
#include "platform/WebEngine.h"

namespace zel {

class IPlatform;
class IWindow;
class TExeZip;
class TProjectINI;

// The text version `hello` answers.
inline constexpr std::string_view BridgeVersion = "2024.10";
// Posted by the click notifier of preview pages.
inline constexpr std::string_view BrowserClickedMessage = "zel-webbrowser-clicked";
// Messages nested deeper than this are refused before they are parsed.
inline constexpr int MaxMessageNesting = 512;

class TBrowserExternalModule {
 public:
  using TOnAppCloseRequest = std::function<void(TBrowserExternalModule& Sender)>;

  explicit TBrowserExternalModule(IPlatform& platform);

  // The web-message handler of the browser control.
  void EdgeBrowserWebMessageReceived(IWebMessageReceivedArgs& args);

  // Posts {"uuid": ..., "success": ..., "result": ...} to the page.
  void SendReply(const std::string& uuid, const std::string& result, bool success);
  void SendSuccess(const std::string& uuid, const std::string& result) {
    SendReply(uuid, result, true);
  }
  void SendFailure(const std::string& uuid, const std::string& result) {
    SendReply(uuid, result, false);
  }

  // Runs "zel.events.<name>(<argument as JSON string>);" in the page.
  void RaisePageEvent(std::string_view name);
  void RaisePageEvent(std::string_view name, std::string_view argument);

  // Runtime mode while a package is assigned; preview mode otherwise.
  bool IsRuntime() const { return FExeZip != nullptr; }
  // Whether a document of `origin` may call the bridge: the application's
  // own pages (file://), and what the setting BridgeOrigins lists.
  bool OriginAllowed(std::string_view origin);
  // Whether the sender of a message may call the bridge: a document that
  // still shows in its frame, and either an application page framed only by
  // application pages, or of an origin BridgeOrigins lists.
  bool SenderAllowed(const IWebMessageReceivedArgs& args);

  TExeZip* ExeZip() const { return FExeZip; }
  void SetExeZip(TExeZip* value) { FExeZip = value; }
  IWindow* MainForm() const { return FMainForm; }
  void SetMainForm(IWindow* value) { FMainForm = value; }
  TProjectINI* ProjectINI() const { return FProjectINI; }
  void SetProjectINI(TProjectINI* value);
  bool InFullscreen() const { return FInFullscreen; }
  void SetInFullscreen(bool value) { FInFullscreen = value; }
  IBrowserAccess* BrowserForm() const { return FBrowserForm; }
  void SetBrowserForm(IBrowserAccess* value) { FBrowserForm = value; }
  const TOnAppCloseRequest& OnAppCloseRequest() const { return FOnAppCloseRequest; }
  void SetOnAppCloseRequest(TOnAppCloseRequest handler) { FOnAppCloseRequest = std::move(handler); }

  // The folder that relative file paths name, with a trailing "/": a
  // previewed application's folder. Empty (the default): the running
  // executable's folder.
  const std::string& AppFolder() const { return FAppFolder; }
  void SetAppFolder(std::string value) { FAppFolder = std::move(value); }
  // The running executable's full path followed by the command-line arguments.
  const std::vector<std::string>& CommandLine() const { return FCommandLine; }
  void SetCommandLine(std::vector<std::string> value) { FCommandLine = std::move(value); }
  // Whether the tray icon is shown where the desktop displays it; the query
  // asks the form's tray icon unless replaced.
  bool TrayIconVisible() const { return FTrayIconVisible && FTrayIconVisible(); }
  void SetTrayIconVisibleQuery(std::function<bool()> query) { FTrayIconVisible = std::move(query); }
  // The menus and the tray icon.
  TBrowserExternalForm& BrowserExternalForm() { return *FBrowserExternalForm; }

  // The notifications presented for the page, made at first use by the
  // system functions and destroyed with the module; null until then. A click
  // on one of them reaches NotificationCenterReceiveLocalNotification.
  INotificationCenter* NotificationCenter() const { return FNotificationCenter.get(); }
  void SetNotificationCenter(std::unique_ptr<INotificationCenter> value);
  // Runs the page's onNotificationClick with the clicked notification's name.
  void NotificationCenterReceiveLocalNotification(const std::string& name);

  // Ends when the module is destroyed; replies sent from other threads check it.
  const std::shared_ptr<TBridgeLifetime>& Lifetime() const { return FLifetime.Lifetime(); }
  IPlatform& Platform() { return FPlatform; }
  TBridgeDispatcher& Dispatcher() { return FDispatcher; }

 private:
  void Dispatch(const std::string& json);
  void ShowRuntimeOnlyMessage(const TBridgeFunction& function);

  IPlatform& FPlatform;
  IWindow* FMainForm = nullptr;
  TExeZip* FExeZip = nullptr;
  bool FInFullscreen = false;
  TProjectINI* FProjectINI = nullptr;
  IBrowserAccess* FBrowserForm = nullptr;
  TOnAppCloseRequest FOnAppCloseRequest;
  TBridgeDispatcher FDispatcher;
  std::vector<std::string> FExtraOrigins;  // from BridgeOrigins; "*" allows any
  TBridgeLifetimeOwner FLifetime;
  std::vector<std::string> FCommandLine;
  std::string FAppFolder;
  std::function<bool()> FTrayIconVisible;
  std::unique_ptr<TBrowserExternalForm> FBrowserExternalForm;
  // Last, so it goes first: no click arrives while the module is half gone.
  std::unique_ptr<INotificationCenter> FNotificationCenter;
};

// The origin of an address as documents report it: "file://" for file
// addresses, scheme and authority ("http://127.0.0.1:8000") for the others.
std::string OriginOfUrl(std::string_view url);

// True when `json` nests objects and arrays at most `limit` deep (strings are skipped).
bool JsonNestingWithin(std::string_view json, int limit);

}  // namespace zel
