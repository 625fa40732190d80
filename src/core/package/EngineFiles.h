#pragma once
// Where the web engine's library lives: a package entry, extracted into a
// folder below the application's data folder and loaded from there; and the
// installer that puts a missing engine on the machine.
#include <string_view>

#include "core/BuildPlatform.h"

namespace zel {

struct TEngineFileNames {
  // The engine's folder below AppCacheDir, with its trailing separator.
  std::string_view FolderName;
  // The engine library: package entry and file name.
  std::string_view LibraryName;
  // A companion the engine loads from the library's folder (its web process
  // extension); empty where there is none.
  std::string_view CompanionName;
  // The engine's installer: package entry and file name below AppCacheDir,
  // and the parameters it runs with (separated by blanks).
  std::string_view InstallerName;
  std::string_view InstallerParameters;
};

inline constexpr TEngineFileNames LinuxEngineFiles{
    "Linux64/", "zel-engine-linux-x64.so", "zel-engine-webext.so", "zel-engine-install.sh", ""};
inline constexpr TEngineFileNames WindowsEngineFiles{
    "Win64\\", "WebView2LoaderWin64.dll", "", "WebView2Installer.exe", "/silent /install"};

// The names this build uses.
inline constexpr TEngineFileNames EngineFiles =
    BuildPlatform == TBuildPlatform::Windows ? WindowsEngineFiles : LinuxEngineFiles;

}  // namespace zel
