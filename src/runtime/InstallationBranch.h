#pragma once
// Start-up found no web engine: either give up with a message or, when the
// package allows it and the user agrees, run the package's installer with
// administrator rights behind a busy window and start the application again
// once the engine is there. Every path ends the process.
#include <chrono>
#include <string_view>

#include "platform/Platform.h"

namespace zel {

class TStartupLoader;

// How long start-up waits for the installer.
inline constexpr std::chrono::minutes InstallerTimeLimit{30};
// Environment variable that sets another time limit, in seconds (tests use
// a short one).
inline constexpr std::string_view InstallerTimeLimitVariable = "ZEL_ENGINE_INSTALL_TIME_LIMIT";

// The installation branch, with the start-up values of `startup`. It returns
// when the process is to end with exit code 0.
void RunInstallationBranch(IPlatform& platform, TStartupLoader& startup);

}  // namespace zel
