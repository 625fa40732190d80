#include "core/bridge/AppPaths.h"

#include "core/bridge/BrowserExternalModule.h"
#include "core/text/PathText.h"
#include "platform/Platform.h"

namespace zel {

std::string AppExecutableDir(TBrowserExternalModule& module) {
  if (!module.AppFolder().empty()) return FolderResult(module.AppFolder());
  const std::filesystem::path executable = module.Platform().ProcessInfo().ExecutablePath();
  if (executable.empty()) return {};
  std::string folder = PathToUtf8(executable.parent_path());
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::filesystem::path ResolveAppPath(TBrowserExternalModule& module, std::string_view path) {
  const std::filesystem::path asGiven = Utf8ToPath(path);
  // Also the system's own absolute forms: C:\a.txt and \\server\share on Windows.
  if (path.starts_with('/') || asGiven.is_absolute()) return asGiven;
  return Utf8ToPath(AppExecutableDir(module) + std::string(path));
}

std::string FolderResult(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace zel
