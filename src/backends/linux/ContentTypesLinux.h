#pragma once
#include <map>
#include <string>
#include <vector>

#include "platform/ContentTypes.h"

namespace zel {

// The system's content types on Linux: /etc/mime.types, then shared-mime-info's
// globs2 of every data folder, each list replacing entries of the ones before.
class TLinuxContentTypes : public IContentTypes {
 public:
  // The system's lists, with the data folders taken from XDG_DATA_DIRS.
  TLinuxContentTypes();
  // The given lists: a mime.types file, then globs2 files in order of rising
  // importance. Missing or unreadable files are skipped; empty paths too.
  TLinuxContentTypes(std::string mimeTypesPath, std::vector<std::string> globs2Paths);

  // The globs2 files for a value of XDG_DATA_DIRS (the XDG default when null or
  // empty), least important first so that later ones replace earlier ones;
  // /usr/share is always included, as the least important folder when the
  // variable does not name it.
  static std::vector<std::string> Globs2Paths(const char* xdgDataDirs);

  void AddSystemContentTypes(std::map<std::string, std::string>& table) override;

  const std::string& MimeTypesPath() const { return FMimeTypesPath; }
  const std::vector<std::string>& Globs2PathList() const { return FGlobs2Paths; }

 private:
  std::string FMimeTypesPath;
  std::vector<std::string> FGlobs2Paths;
};

}  // namespace zel
