#pragma once
// Where the main window's application comes from: the package appended to
// the running executable (runtime mode), or a folder on disk (preview mode,
// no package).
#include <filesystem>
#include <string>
#include <vector>

#include "core/package/ExeZip.h"
#include "core/settings/ProjectIni.h"

namespace zel {

class IAppSource {
 public:
  virtual ~IAppSource() = default;
  // The opened package; null in preview mode.
  virtual TExeZip* AppPackage() = 0;
  virtual const TProjectINI& ProjectINI() const = 0;
  virtual const std::string& AppID() const = 0;
  virtual const std::string& AppName() const = 0;
  virtual const std::string& AppDirName() const = 0;
  virtual const std::string& AppIndexPage() const = 0;
  // The command line without the program's own path.
  virtual const std::vector<std::string>& Arguments() const = 0;
  virtual const std::filesystem::path& ExecutablePath() const = 0;
  // The folder that file requests fall back to, with a trailing slash;
  // empty: the executable's folder.
  virtual std::string FilesFolder() const { return {}; }
  // The folder that the bridge's relative file paths name, with a trailing
  // slash; empty: the executable's folder.
  virtual std::string AppFolder() const { return {}; }
};

}  // namespace zel
