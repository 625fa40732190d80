#include "tools/AppFolder.h"

#include <fstream>
#include <iterator>

#include "tools/Commands.h"

namespace zel {

namespace fs = std::filesystem;

std::string ReadFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EToolError("cannot read " + path.string());
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TAppFolder CheckAppFolder(const fs::path& folder) {
  if (!fs::is_directory(folder)) throw EToolError(folder.string() + " is not a folder");
  const fs::path ini = folder / "zel.ini";
  if (!fs::is_regular_file(ini)) {
    throw EToolError(folder.string() +
                     " has no zel.ini (create an application with `zel init DIR`)");
  }
  TAppFolder app;
  app.Settings.LoadFromBytes(ReadFileBytes(ini));
  for (const char* key : {"ID", "Name", "DirName"}) {
    if (app.Settings.ReadString(ProjectIniAppSection, key, "").empty()) {
      throw EToolError(ini.string() + ": the key " + key + " of section [App] is missing or empty");
    }
  }
  app.DirName = app.Settings.ReadString(ProjectIniAppSection, "DirName", "");
  app.AppDir = folder / app.DirName;
  if (!fs::is_directory(app.AppDir)) {
    throw EToolError(ini.string() + ": DirName names the folder " + app.AppDir.string() +
                     ", which does not exist");
  }
  return app;
}

}  // namespace zel
