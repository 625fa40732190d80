#pragma once
// What the bridge needs from the browser that hosts the page.
#include <string>

namespace zel {

class IBrowserAccess {
 public:
  virtual ~IBrowserAccess() = default;
  // Delivers a message event with the parsed `json` to the top document.
  virtual void PostWebMessageAsJson(const std::string& json) = 0;
  // Runs `script` in the page; its result is ignored.
  virtual void ExecuteScript(const std::string& script) = 0;
  virtual void Navigate(const std::string& url) = 0;
  virtual double ZoomFactor() = 0;
  virtual void SetZoomFactor(double factor) = 0;
  // Gives the keyboard focus to the window hosting the browser, then to the browser.
  virtual void FocusBrowser() = 0;
};

}  // namespace zel
