#include "runtime/EngineCheck.h"

#include <string>
#include <system_error>

#include "platform/WebEngine.h"

namespace zel {

bool CheckEngineIsInstalled(ISharedLibraries& libraries,
                            const std::filesystem::path& engineLibraryPath,
                            const TEngineEntryPoints& entryPoints) {
  std::error_code error;
  if (!std::filesystem::exists(engineLibraryPath, error)) return false;
  std::string loadError;
  const auto library = libraries.Load(engineLibraryPath, loadError);
  if (!library) return false;
  std::string version;
  return Succeeded(entryPoints.BrowserVersion(*library, version)) && !version.empty();
}

}  // namespace zel
