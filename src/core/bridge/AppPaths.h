#pragma once
// Paths of the file and folder functions, which name files relative to the
// running executable (in preview, the application's folder).
#include <filesystem>
#include <string>
#include <string_view>

namespace zel {

class TBrowserExternalModule;

// The module's AppFolder when set, else the folder of the running executable
// with a trailing "/"; empty when the system does not tell the executable's
// path.
std::string AppExecutableDir(TBrowserExternalModule& module);

// A path that starts with "/" or is absolute in the system's own form
// (C:\a.txt on Windows) is used as it is; any other is
// appended to AppExecutableDir, with no separator inserted and nothing
// normalised ("data/a.txt" names a file below the executable's folder,
// "/data/a.txt" the file /data/a.txt).
std::filesystem::path ResolveAppPath(TBrowserExternalModule& module, std::string_view path);

// `folder` with a trailing "/", or "/" alone when it is empty: the form of
// every folder the bridge answers.
std::string FolderResult(std::string folder);

}  // namespace zel
