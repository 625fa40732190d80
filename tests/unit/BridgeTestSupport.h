#pragma once
// A bridge module on the fake platform, fed messages like a page would.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <nlohmann/json.hpp>

#include "backends/fake/FakePlatform.h"
#include "core/bridge/BrowserExternalModule.h"
#include "core/package/ExeZip.h"

namespace zel::test {

// Records what the bridge sends to the page.
class TRecordingBrowser : public IBrowserAccess {
 public:
  void PostWebMessageAsJson(const std::string& json) override { Posted.push_back(json); }
  void ExecuteScript(const std::string& script) override { Scripts.push_back(script); }
  void Navigate(const std::string& url) override { Navigations.push_back(url); }
  double ZoomFactor() override { return Zoom; }
  void SetZoomFactor(double factor) override { Zoom = factor; }
  void FocusBrowser() override { ++Focused; }

  std::vector<std::string> Posted, Scripts, Navigations;
  double Zoom = 1;
  int Focused = 0;
};

class TMessage : public IWebMessageReceivedArgs {
 public:
  explicit TMessage(std::string json, std::string source = "file://")
      : FJson(std::move(json)), FSource(std::move(source)) {}
  static TMessage String(const std::string& text) {
    TMessage m(nlohmann::json(text).dump());
    m.FIsString = true;
    m.FString = text;
    return m;
  }
  std::string WebMessageAsJson() const override { return FJson; }
  HRESULT TryGetWebMessageAsString(std::string& value) const override {
    if (!FIsString) return E_INVALIDARG;
    value = FString;
    return S_OK;
  }
  std::string Source() const override { return FSource; }
  std::vector<std::string> AncestorOrigins() const override { return {}; }
  bool IsSenderCurrent() const override { return true; }

 private:
  std::string FJson, FSource, FString;
  bool FIsString = false;
};

class BridgeFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    FModule.SetBrowserForm(&FBrowser);
    FModule.SetExeZip(&FZip);  // runtime mode
  }
  void Receive(const std::string& json, const std::string& source = "file://") {
    TMessage message(json, source);
    FModule.EdgeBrowserWebMessageReceived(message);
    WaitForBackgroundWork();
  }
  // Large calls are carried out on a worker, which posts the reply back to
  // the main loop.
  void WaitForBackgroundWork() {
    while (FModule.HasBackgroundWork()) {
      if (FPlatform.UserInterface().RunPendingTasks() == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  // Sends one call and returns its reply as "success:result", or "" when
  // there was none.
  std::string Call(int id, const std::string& data = "{}") {
    const std::size_t before = FBrowser.Posted.size();
    Receive(R"({"id":)" + std::to_string(id) + R"(,"uuid":"u","data":)" + data + "}");
    if (FBrowser.Posted.size() == before) return "";
    const std::string& reply = FBrowser.Posted.back();
    const std::string prefix = R"({"uuid": "u", "success": )";
    if (reply.rfind(prefix, 0) != 0) return "malformed: " + reply;
    const std::string rest = reply.substr(prefix.size());
    const auto comma = rest.find(", \"result\": ");
    return rest.substr(0, comma) + ":" + rest.substr(comma + 12, rest.size() - comma - 13);
  }

  TFakePlatform FPlatform;
  TRecordingBrowser FBrowser;
  TExeZip FZip;
  TBrowserExternalModule FModule{FPlatform};
};

}  // namespace zel::test
