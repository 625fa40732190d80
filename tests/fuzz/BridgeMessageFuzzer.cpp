// Call messages as a page posts them, through the whole bridge: the origin
// check, the parse, the dispatch and every function's handler, on the fake
// platform (files, shell, registry and dialogs in memory).
#include <string>
#include <vector>

#include "FuzzTarget.h"
#include "backends/fake/FakePlatform.h"
#include "backends/fake/FakeWindow.h"
#include "core/bridge/BrowserExternalModule.h"
#include "core/package/ExeZip.h"
#include "core/settings/ProjectIni.h"

namespace {

class TBrowser : public zel::IBrowserAccess {
 public:
  void PostWebMessageAsJson(const std::string& json) override { ++Posted; }
  void ExecuteScript(const std::string& script) override {}
  void Navigate(const std::string& url) override {}
  double ZoomFactor() override { return FZoom; }
  void SetZoomFactor(double factor) override { FZoom = factor; }
  void FocusBrowser() override {}
  int Posted = 0;

 private:
  double FZoom = 1;
};

class TMessage : public zel::IWebMessageReceivedArgs {
 public:
  TMessage(std::string json, std::string source, std::vector<std::string> ancestors, bool current)
      : FJson(std::move(json)),
        FSource(std::move(source)),
        FAncestors(std::move(ancestors)),
        FCurrent(current) {}
  std::string WebMessageAsJson() const override { return FJson; }
  zel::HRESULT TryGetWebMessageAsString(std::string& value) const override {
    value = FJson;
    return zel::S_OK;
  }
  std::string Source() const override { return FSource; }
  std::vector<std::string> AncestorOrigins() const override { return FAncestors; }
  bool IsSenderCurrent() const override { return FCurrent; }

 private:
  std::string FJson, FSource;
  std::vector<std::string> FAncestors;
  bool FCurrent;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the document's origin, the mode, whether its
  // channel is stale and whether a web page frames it; the rest is the
  // message.
  const std::uint8_t choice = data[0];
  const std::string json(reinterpret_cast<const char*>(data + 1), size - 1);
  static const char* const origins[] = {"file://", "https://example.com", "null", ""};

  zel::TFakePlatform platform;
  platform.ProcessInfo().SetExecutablePath("/opt/app/app");
  zel::TProjectINI settings;
  settings.LoadFromText("[App]\nDirName=app\nWindowBorder=3\nBridgeOrigins=https://example.com\n");
  auto window = platform.UserInterface().CreateMainWindow();
  TBrowser browser;
  zel::TExeZip package;  // empty: entries are not found
  zel::TBrowserExternalModule module(platform);
  module.SetMainForm(window.get());
  module.SetBrowserForm(&browser);
  module.SetProjectINI(&settings);
  if (choice & 4) module.SetExeZip(&package);  // runtime mode, else preview
  module.SetCommandLine({"/opt/app/app", "--flag"});

  const bool current = (choice & 8) == 0;
  const bool framedByWebPage = (choice & 16) != 0;
  TMessage message(json, origins[choice & 3],
                   framedByWebPage ? std::vector<std::string>{"https://example.org"}
                                   : std::vector<std::string>{},
                   current);
  module.EdgeBrowserWebMessageReceived(message);
  // Replies posted from elsewhere (shell.command) arrive through the main loop.
  platform.UserInterface().RunPendingTasks();
  // One reply at most, and none to a document the bridge does not answer: a
  // stale channel, another origin than the two allowed, or an application
  // page inside a web page.
  const bool answerable = current && (choice & 3) < 2 && !((choice & 3) == 0 && framedByWebPage);
  ZEL_FUZZ_CHECK(browser.Posted <= (answerable ? 1 : 0));
  return 0;
}
