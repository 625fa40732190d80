#pragma once
#include <string>
#include <vector>

#include "platform/Processes.h"

namespace zel {

// Starts programs detached from this process: it neither waits for them nor
// leaves zombies, and they inherit no file descriptor beyond the standard
// three (in particular not the instance lock).
class TLinuxProcesses : public IProcesses {
 public:
  bool Start(const std::filesystem::path& executable,
             const std::vector<std::string>& arguments) override;
  // The script's standard input is /dev/null, its standard output this
  // process's, its standard error kept for the reason of a failure.
  TAdminRunResult ShellExecAsAdminAndWait(const std::filesystem::path& file,
                                          const std::vector<std::string>& params,
                                          std::chrono::milliseconds timeLimit) override;
};

// The command line that runs the shell script `file` as root: /bin/sh
// itself when `isRoot`, else through `pkexec` (its path; empty when it is
// not installed, which gives an empty command).
std::vector<std::string> AdminCommandLine(bool isRoot, const std::string& pkexec,
                                          const std::filesystem::path& file,
                                          const std::vector<std::string>& params);

// Runs `command` (from AdminCommandLine) and waits as
// ShellExecAsAdminAndWait does.
TAdminRunResult RunAdminCommandAndWait(std::vector<std::string> command,
                                       std::chrono::milliseconds timeLimit);

// The line of an elevated run's standard error that tells the user why it
// failed: pkexec's refusal where there is one, else the last line that is
// not blank; control characters removed, at most 400 bytes.
std::string AdminFailureReason(const std::string& errorOutput);

}  // namespace zel
