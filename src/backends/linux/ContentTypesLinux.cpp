#include "backends/linux/ContentTypesLinux.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "core/text/ContentTypeLists.h"

namespace zel {

namespace {

constexpr const char* SystemMimeTypesPath = "/etc/mime.types";
constexpr const char* DefaultDataDirs = "/usr/local/share:/usr/share";
constexpr const char* SystemDataDir = "/usr/share";

std::optional<std::string> ReadFile(const std::string& path) {
  if (path.empty()) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream text;
  text << file.rdbuf();
  if (file.bad()) return std::nullopt;
  return std::move(text).str();
}

}  // namespace

TLinuxContentTypes::TLinuxContentTypes()
    : TLinuxContentTypes(SystemMimeTypesPath, Globs2Paths(std::getenv("XDG_DATA_DIRS"))) {}

TLinuxContentTypes::TLinuxContentTypes(std::string mimeTypesPath,
                                       std::vector<std::string> globs2Paths)
    : FMimeTypesPath(std::move(mimeTypesPath)), FGlobs2Paths(std::move(globs2Paths)) {}

std::vector<std::string> TLinuxContentTypes::Globs2Paths(const char* xdgDataDirs) {
  const std::string value = (xdgDataDirs != nullptr && *xdgDataDirs != '\0')
                                ? std::string(xdgDataDirs)
                                : std::string(DefaultDataDirs);
  // Most important first, as the variable lists them.
  std::vector<std::string> folders;
  std::istringstream parts(value);
  for (std::string folder; std::getline(parts, folder, ':');) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    // Relative entries are invalid in XDG_DATA_DIRS and are ignored.
    if (folder.empty() || folder.front() != '/') continue;
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
      folders.push_back(folder);
    }
  }
  if (std::find(folders.begin(), folders.end(), SystemDataDir) == folders.end()) {
    folders.push_back(SystemDataDir);
  }
  std::vector<std::string> paths;
  for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) {
    paths.push_back((*folder == "/" ? std::string() : *folder) + "/mime/globs2");
  }
  return paths;
}

void TLinuxContentTypes::AddSystemContentTypes(std::map<std::string, std::string>& table) {
  if (const auto text = ReadFile(FMimeTypesPath)) TContentTypeLists::ParseMimeTypes(*text, table);
  for (const std::string& path : FGlobs2Paths) {
    if (const auto text = ReadFile(path)) TContentTypeLists::ParseGlobs2(*text, table);
  }
}

}  // namespace zel
