#pragma once
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace zel {

// How a program run with administrator rights ended.
struct TAdminRunResult {
  enum class TOutcome {
    Ended,       // it ran and ended with ExitCode
    NotStarted,  // it could not be started, or the rights were not granted
    TimedOut,    // it did not end within the time limit and runs on
  };
  TOutcome Outcome = TOutcome::NotStarted;
  int ExitCode = 0;
  // One line for the user on why it did not start or failed; may be empty.
  std::string Reason;
};

class IProcesses {
 public:
  virtual ~IProcesses() = default;
  // Starts `executable` with `arguments` without waiting; false when it
  // cannot be started.
  virtual bool Start(const std::filesystem::path& executable,
                     const std::vector<std::string>& arguments) = 0;
  // Runs `file` with `params` and administrator rights, without asking
  // anything of the user beyond granting the rights, and waits for it while
  // the user interface keeps running (windows repaint and animate). After
  // `timeLimit` it stops waiting and leaves the program running: stopping
  // an installer halfway would leave its work half done. On Linux `file` is
  // a shell script, run by /bin/sh: directly when this process is root,
  // through pkexec otherwise.
  virtual TAdminRunResult ShellExecAsAdminAndWait(const std::filesystem::path& file,
                                                  const std::vector<std::string>& params,
                                                  std::chrono::milliseconds timeLimit) = 0;
};

}  // namespace zel
