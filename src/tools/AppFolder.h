#pragma once
// The check that `zel build` and `zel dev` make of an application folder.
#include <filesystem>
#include <string>

#include "core/settings/ProjectIni.h"

namespace zel {

struct TAppFolder {
  TProjectINI Settings;  // zel.ini
  std::string DirName;
  std::filesystem::path AppDir;  // folder / DirName
};

// Reads folder/zel.ini and checks that ID, Name and DirName are set and that
// the folder DirName exists; throws EToolError with one line otherwise.
TAppFolder CheckAppFolder(const std::filesystem::path& folder);

// The whole file; throws EToolError when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& path);

}  // namespace zel
