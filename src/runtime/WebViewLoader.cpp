#include "runtime/WebViewLoader.h"

namespace zel {

TLibraryWebViewLoader::TLibraryWebViewLoader(ISharedLibraries& libraries,
                                             std::filesystem::path webViewLoaderPath)
    : FLibraries(libraries), FWebViewLoaderPath(std::move(webViewLoaderPath)) {}

void* TLibraryWebViewLoader::EntryPoint(const char* name) {
  std::lock_guard<std::mutex> guard(FLock);
  if (!FLibrary) {
    if (FWebViewLoaderPath.empty()) {
      FLoadError = "No engine library path";
      return nullptr;
    }
    FLibrary = FLibraries.Load(FWebViewLoaderPath, FLoadError);
    if (!FLibrary) return nullptr;
    FLoadError.clear();
  }
  return FLibrary->Symbol(name);
}

std::string TLibraryWebViewLoader::LoadError() {
  std::lock_guard<std::mutex> guard(FLock);
  return FLoadError;
}

HRESULT TLibraryWebViewLoader::CreateEnvironment(TEnvironmentCompleted completed) {
  auto entry =
      reinterpret_cast<TCreateCoreWebView2Environment>(EntryPoint(CreateEnvironmentEntryPoint));
  if (entry == nullptr) return E_FAIL;
  return entry(&completed);
}

HRESULT TLibraryWebViewLoader::BrowserVersion(std::string& version) {
  version.clear();
  auto entry = reinterpret_cast<TGetAvailableCoreWebView2BrowserVersionString>(
      EntryPoint(BrowserVersionEntryPoint));
  if (entry == nullptr) return E_FAIL;
  return entry(nullptr, &version);
}

}  // namespace zel
