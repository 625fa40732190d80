// A stand-in for the engine library in end-to-end tests: it reports no
// engine until the file named by ZEL_TEST_ENGINE_MARKER exists, as a machine
// without WebKitGTK does until an installer has run; from then on both entry
// points go to the real engine library. Packaged with `zel build --engine`.
#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdlib>

#include "platform/WebEngine.h"

namespace {

bool MarkerExists() {
  const char* marker = std::getenv("ZEL_TEST_ENGINE_MARKER");
  struct stat info {};
  return marker != nullptr && ::stat(marker, &info) == 0;
}

void* RealEntryPoint(const char* name) {
  static void* const library = dlopen(ZEL_REAL_ENGINE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  return library != nullptr ? dlsym(library, name) : nullptr;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) zel::HRESULT GetAvailableCoreWebView2BrowserVersionString(
    const char* browserExecutableFolder, std::string* version) {
  if (version == nullptr) return zel::E_INVALIDARG;
  version->clear();
  if (!MarkerExists()) return zel::E_FAIL;
  const auto real = reinterpret_cast<TGetAvailableCoreWebView2BrowserVersionString>(
      RealEntryPoint("GetAvailableCoreWebView2BrowserVersionString"));
  return real != nullptr ? real(browserExecutableFolder, version) : zel::E_FAIL;
}

__attribute__((visibility("default"))) zel::HRESULT CreateCoreWebView2Environment(
    const zel::TEnvironmentCompleted* completed) {
  if (!MarkerExists()) return zel::E_FAIL;
  const auto real = reinterpret_cast<TCreateCoreWebView2Environment>(
      RealEntryPoint("CreateCoreWebView2Environment"));
  return real != nullptr ? real(completed) : zel::E_FAIL;
}

}  // extern "C"
