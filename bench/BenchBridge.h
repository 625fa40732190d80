#pragma once
// What the benchmarks feed the bridge module with: call messages as the
// browser control hands them over, and a page that keeps the last reply.
#include <memory>
#include <string>
#include <vector>

#include "core/bridge/BrowserExternalModule.h"

namespace zel::bench {

class TReplies : public IBrowserAccess {
 public:
  void PostWebMessageAsJson(const std::string& json) override { Last = json; }
  void ExecuteScript(const std::string&) override {}
  void Navigate(const std::string&) override {}
  double ZoomFactor() override { return 1; }
  void SetZoomFactor(double) override {}
  void FocusBrowser() override {}
  std::string Last;
};

// The message text is not copied (call messages may be hundreds of MiB).
class TMessage : public IWebMessageReceivedArgs {
 public:
  explicit TMessage(const std::string& json) : FJson(json) {}
  std::string WebMessageAsJson() const override { return FJson; }
  // Shared as it is: the benchmark keeps the text until the call is answered.
  TSharedText WebMessageAsSharedJson() const override {
    return {std::shared_ptr<const void>(&FJson, [](const void*) {}), FJson};
  }
  HRESULT TryGetWebMessageAsString(std::string&) const override { return E_INVALIDARG; }
  std::string Source() const override { return "file://"; }
  std::vector<std::string> AncestorOrigins() const override { return {}; }
  bool IsSenderCurrent() const override { return true; }

 private:
  const std::string& FJson;
};

}  // namespace zel::bench
