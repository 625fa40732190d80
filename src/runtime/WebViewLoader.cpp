#include "runtime/WebViewLoader.h"

namespace zel {

namespace {

HRESULT CreateSharedInterfaceEnvironment(ISharedLibrary& library, TEnvironmentCompleted completed) {
  auto entry = reinterpret_cast<TCreateCoreWebView2Environment>(
      library.Symbol(CreateEnvironmentEntryPoint));
  if (entry == nullptr) return E_FAIL;
  return entry(&completed);
}

HRESULT SharedInterfaceBrowserVersion(ISharedLibrary& library, std::string& version) {
  version.clear();
  auto entry = reinterpret_cast<TGetAvailableCoreWebView2BrowserVersionString>(
      library.Symbol(BrowserVersionEntryPoint));
  if (entry == nullptr) return E_FAIL;
  return entry(nullptr, &version);
}

}  // namespace

const TEngineEntryPoints SharedInterfaceEntryPoints{&CreateSharedInterfaceEnvironment,
                                                    &SharedInterfaceBrowserVersion};

TLibraryWebViewLoader::TLibraryWebViewLoader(ISharedLibraries& libraries,
                                             std::filesystem::path webViewLoaderPath,
                                             const TEngineEntryPoints& entryPoints)
    : FLibraries(libraries),
      FEntryPoints(entryPoints),
      FWebViewLoaderPath(std::move(webViewLoaderPath)) {}

ISharedLibrary* TLibraryWebViewLoader::Library() {
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
  return FLibrary.get();
}

std::string TLibraryWebViewLoader::LoadError() {
  std::lock_guard<std::mutex> guard(FLock);
  return FLoadError;
}

HRESULT TLibraryWebViewLoader::CreateEnvironment(TEnvironmentCompleted completed) {
  ISharedLibrary* library = Library();
  if (library == nullptr) return E_FAIL;
  return FEntryPoints.CreateEnvironment(*library, std::move(completed));
}

HRESULT TLibraryWebViewLoader::BrowserVersion(std::string& version) {
  version.clear();
  ISharedLibrary* library = Library();
  if (library == nullptr) return E_FAIL;
  return FEntryPoints.BrowserVersion(*library, version);
}

}  // namespace zel
