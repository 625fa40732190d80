#include "core/bridge/AppPaths.h"

#include "platform/Platform.h"

namespace zel {

std::string AppExecutableDir(IPlatform& platform) {
  const std::filesystem::path executable = platform.ProcessInfo().ExecutablePath();
  if (executable.empty()) return {};
  std::string folder = executable.parent_path().string();
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::filesystem::path ResolveAppPath(IPlatform& platform, std::string_view path) {
  if (path.starts_with('/')) return std::filesystem::path(path);
  return std::filesystem::path(AppExecutableDir(platform) + std::string(path));
}

std::string FolderResult(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace zel
