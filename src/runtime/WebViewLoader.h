#pragma once
// How the browser control reaches the engine: the engine library's two entry
// points behind an interface, so that tests can put an in-memory engine in
// its place.
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "platform/SharedLibraries.h"
#include "platform/WebEngine.h"

namespace zel {

// The entry points of this project's engine library, which shares the
// runtime's C++ interfaces (TCreateCoreWebView2Environment and
// TGetAvailableCoreWebView2BrowserVersionString).
extern const TEngineEntryPoints SharedInterfaceEntryPoints;

class IWebViewLoader {
 public:
  virtual ~IWebViewLoader() = default;
  // Asks the engine for an environment. The call may come from a worker
  // thread and `completed` may run on any thread. A failing call returns its
  // result and does not call `completed`.
  virtual HRESULT CreateEnvironment(TEnvironmentCompleted completed) = 0;
  // The version of the installed engine, empty when there is none.
  virtual HRESULT BrowserVersion(std::string& version) = 0;
};

// The engine library on disk. It is loaded on the first call that needs it
// (tried again on later calls while it cannot be loaded) and stays loaded
// while the loader lives; the loader must outlive every
// browser control and environment that it served.
class TLibraryWebViewLoader : public IWebViewLoader {
 public:
  TLibraryWebViewLoader(ISharedLibraries& libraries, std::filesystem::path webViewLoaderPath,
                        const TEngineEntryPoints& entryPoints = SharedInterfaceEntryPoints);

  // E_FAIL, without calling anything, when the library cannot be loaded or
  // lacks the entry point.
  HRESULT CreateEnvironment(TEnvironmentCompleted completed) override;
  HRESULT BrowserVersion(std::string& version) override;

  const std::filesystem::path& WebViewLoaderPath() const { return FWebViewLoaderPath; }
  // Why the library could not be loaded; empty when it could or was not tried.
  std::string LoadError();

 private:
  // The library, loaded on first use; nullptr when it cannot be.
  ISharedLibrary* Library();

  ISharedLibraries& FLibraries;
  const TEngineEntryPoints& FEntryPoints;
  std::filesystem::path FWebViewLoaderPath;
  std::mutex FLock;  // the first call may come from the creation worker
  std::unique_ptr<ISharedLibrary> FLibrary;
  std::string FLoadError;
};

// Names of the engine library's entry points.
inline constexpr const char* CreateEnvironmentEntryPoint = "CreateCoreWebView2Environment";
inline constexpr const char* BrowserVersionEntryPoint =
    "GetAvailableCoreWebView2BrowserVersionString";

}  // namespace zel
