#pragma once
// The systems `zel build` makes executables for: the runtime template and
// engine files each needs, and the settings of [Build] applied to a Windows
// executable's resources.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/package/EngineFiles.h"
#include "core/settings/ProjectIni.h"

namespace zel {

struct TBuildTarget {
  std::string_view Name;         // as given to --target
  std::string_view RuntimeName;  // the template's file name beside `zel`
  const TEngineFileNames& Engine;
  bool Windows;
};

inline constexpr TBuildTarget LinuxTarget{"linux-x64", "zel-runtime", LinuxEngineFiles, false};
inline constexpr TBuildTarget WindowsTarget{"windows-x64", "zel-runtime.exe", WindowsEngineFiles, true};
// The machine's own target: the one `zel build` makes without --target.
inline constexpr const TBuildTarget& HostTarget = LinuxTarget;

// The target named `name`; EToolError listing the known ones otherwise.
const TBuildTarget& FindBuildTarget(std::string_view name);

// The target an executable's headers say it runs on ("linux-x64",
// "windows-x64"), or a description of what else it is.
std::string DescribeExecutableTarget(const std::filesystem::path& executable);

// Refuses (EToolError) a template that is not an executable for `target`.
void CheckRuntimeTemplate(const std::filesystem::path& runtime, const TBuildTarget& target);

// The section of zel.ini that `zel build` reads for a Windows executable:
// Icon (an .ico file, relative to the application folder) and the version
// texts, each key named as the text it sets.
inline constexpr std::string_view BuildSection = "Build";
inline constexpr std::string_view BuildIconKey = "Icon";

// Sets the icon and the version texts that [Build] gives on the Windows
// executable `exe`; returns one line per change for the build's output.
// Keys that are absent leave the executable's values as they are.
std::vector<std::string> ApplyBuildSettings(const TProjectINI& settings, const std::filesystem::path& appFolder,
                                            const std::filesystem::path& exe);

// The [Build] keys that are set, for the note that a target ignores them.
std::vector<std::string> BuildSettingsGiven(const TProjectINI& settings);

}  // namespace zel
