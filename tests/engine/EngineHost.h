#pragma once
// A test host for the engine library: loads it with dlopen like the runtime,
// puts a web view in a GTK window and serves pages from an in-memory map
// through WebResourceRequested.
#include <gtk/gtk.h>

#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "TestLoop.h"
#include "platform/WebEngine.h"

namespace zel::test {

struct TMessage {
  nlohmann::json Data;
  std::string Json;
  HRESULT StringResult = E_FAIL;
  std::string String;
  std::string Source;
  std::vector<std::string> Ancestors;
  bool Current = true;
};

struct TCompletion {
  bool Success = false;
  int Status = 0;
};

// Serves files from memory and records every event.
class TEngineHost : public IWebViewEvents {
 public:
  using TBodyFactory = std::function<std::unique_ptr<IResponseBody>()>;
  struct TResource {
    std::string Type;
    std::string Text;
    TBodyFactory Body;  // overrides Text when set
  };

  // Loads the library at `libraryPath`, creates the environment, a window and
  // a controller. Check Ready() afterwards.
  explicit TEngineHost(const std::string& libraryPath);
  ~TEngineHost() override;

  bool Ready() const { return FController != nullptr; }
  const std::string& Failure() const { return FFailure; }
  const std::string& Version() const { return FVersion; }
  IWebView& View() { return FController->WebView(); }
  IWebViewController& Controller() { return *FController; }
  IWebViewEnvironment& Environment() { return *FEnvironment; }
  GtkWidget* Window() const { return FWindow; }
  GtkWidget* Container() const { return FContainer; }
  // The engine's widget inside the container (the WebKitWebView).
  GtkWidget* EngineWidget() const;

  void AddResource(const std::string& path, const std::string& type, const std::string& text);
  void AddResource(const std::string& path, const std::string& type, TBodyFactory body);

  // Navigates and waits for the NavigationCompleted of that navigation.
  TCompletion NavigateAndWait(const std::string& uri);
  // Waits for a message whose data has "kind" equal to `kind`, removes and returns it.
  TMessage WaitForMessage(const std::string& kind);
  // Runs a script and waits for its JSON result.
  std::pair<HRESULT, std::string> Execute(const std::string& script);

  // Recorded events.
  std::vector<std::string> Requested;
  std::vector<std::string> Starting;
  std::vector<TCompletion> Completed;
  std::vector<bool> SourceChanges;
  std::vector<TMessage> Messages;
  std::vector<std::string> NewWindows;
  std::vector<TPermissionKind> Permissions;
  std::vector<TProcessFailedKind> Failures;
  TPermissionState PermissionAnswer = TPermissionState::Deny;
  int TitleChanges = 0;
  int HistoryChanges = 0;
  int FullScreenChanges = 0;
  int GotFocusCount = 0;
  int LostFocusCount = 0;
  int ZoomChanges = 0;
  int ContentLoadings = 0;

  // IWebViewEvents
  void NavigationStarting(INavigationStartingArgs& args) override;
  void NavigationCompleted(bool isSuccess, int webErrorStatus) override;
  void SourceChanged(bool isNewDocument) override { SourceChanges.push_back(isNewDocument); }
  void ContentLoading(bool isErrorPage, std::uint64_t navigationId) override { ++ContentLoadings; }
  void DocumentTitleChanged() override { ++TitleChanges; }
  void HistoryChanged() override { ++HistoryChanges; }
  void ContainsFullScreenElementChanged() override { ++FullScreenChanges; }
  void GotFocus() override { ++GotFocusCount; }
  void LostFocus() override { ++LostFocusCount; }
  void NewWindowRequested(INewWindowRequestedArgs& args) override;
  void WebResourceRequested(IWebResourceRequestedArgs& args) override;
  void PermissionRequested(IPermissionRequestedArgs& args) override;
  void WebMessageReceived(IWebMessageReceivedArgs& args) override;
  void ZoomFactorChanged() override { ++ZoomChanges; }
  void ProcessFailed(TProcessFailedKind kind) override { Failures.push_back(kind); }

 private:
  void* FLibrary = nullptr;
  std::string FFailure;
  std::string FVersion;
  std::shared_ptr<IWebViewEnvironment> FEnvironment;
  std::unique_ptr<IWebViewController> FController;
  GtkWidget* FWindow = nullptr;
  GtkWidget* FContainer = nullptr;
  std::map<std::string, TResource> FResources;
};

}  // namespace zel::test
