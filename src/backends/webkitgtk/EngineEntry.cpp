// The engine library's two exported entry points.
#include <glib.h>

#include <type_traits>

#include "backends/webkitgtk/EngineEnvironment.h"

namespace {

// Creates the environment from the main loop, so WebKit is only touched on
// the user-interface thread whichever thread asked.
gboolean CompleteEnvironment(gpointer data) {
  std::unique_ptr<zel::TEnvironmentCompleted> completed(
      static_cast<zel::TEnvironmentCompleted*>(data));
  std::shared_ptr<zel::TEngineEnvironment> environment;
  zel::HRESULT hr = zel::S_OK;
  try {
    environment = zel::TEngineEnvironment::Create();
  } catch (...) {
    hr = zel::E_FAIL;
  }
  try {
    (*completed)(hr, environment);
  } catch (...) {
  }
  return G_SOURCE_REMOVE;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) zel::HRESULT CreateCoreWebView2Environment(
    const zel::TEnvironmentCompleted* completed) {
  if (!completed || !*completed) return zel::E_INVALIDARG;
  g_idle_add(CompleteEnvironment, new zel::TEnvironmentCompleted(*completed));
  return zel::S_OK;
}

__attribute__((visibility("default"))) zel::HRESULT GetAvailableCoreWebView2BrowserVersionString(
    const char* browserExecutableFolder, std::string* version) {
  if (!version) return zel::E_INVALIDARG;
  *version = zel::EngineVersion();
  return zel::S_OK;
}

}  // extern "C"

static_assert(
    std::is_same_v<decltype(&CreateCoreWebView2Environment), TCreateCoreWebView2Environment>);
static_assert(std::is_same_v<decltype(&GetAvailableCoreWebView2BrowserVersionString),
                             TGetAvailableCoreWebView2BrowserVersionString>);
