#include "runtime/EngineCheck.h"

#include <string>
#include <system_error>

#include "platform/WebEngine.h"

namespace zel {

bool CheckEngineIsInstalled(ISharedLibraries& libraries,
                            const std::filesystem::path& engineLibraryPath) {
  std::error_code error;
  if (!std::filesystem::exists(engineLibraryPath, error)) return false;
  std::string loadError;
  const auto library = libraries.Load(engineLibraryPath, loadError);
  if (!library) return false;
  const auto versionOf = reinterpret_cast<TGetAvailableCoreWebView2BrowserVersionString>(
      library->Symbol("GetAvailableCoreWebView2BrowserVersionString"));
  if (versionOf == nullptr) return false;
  std::string version;
  return Succeeded(versionOf(nullptr, &version)) && !version.empty();
}

}  // namespace zel
