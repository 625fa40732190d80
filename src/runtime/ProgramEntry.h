#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "runtime/StartupLoader.h"

namespace zel {

// Creates the main window over the completed start-up and runs the main loop
// until the application ends; returns the exit code.
using TRunMainWindow = std::function<int(IPlatform& platform, TStartupLoader& startup)>;

// The single call point of the main window. It does nothing yet and returns
// 0: the main window joins here.
int RunMainWindow(IPlatform& platform, TStartupLoader& startup);

// The program entry: runs `loader`, applies the single-instance rule, then
// `runMainWindow`. Returns the process's exit code: 0 for every orderly end,
// 1 when an error escapes, after an error box with its text.
int RunProgram(IPlatform& platform, TStartupLoader& loader,
               const TRunMainWindow& runMainWindow = RunMainWindow);

// The command line without the program's own path.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace zel
