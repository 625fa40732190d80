#pragma once
#include "platform/Processes.h"

namespace zel {

// CreateProcessW for programs started and left alone; ShellExecuteExW with
// the verb "runas" for programs that need administrator rights.
class TWin32Processes : public IProcesses {
 public:
  // The arguments are quoted so that the program's own splitting gives them
  // back as they are.
  bool Start(const std::filesystem::path& executable,
             const std::vector<std::string>& arguments) override;
  // Hidden, without the shell's error boxes; window messages are handled
  // while waiting (MsgWaitForMultipleObjects), and a quit message that
  // arrives meanwhile is posted again once the wait ends.
  TAdminRunResult ShellExecAsAdminAndWait(const std::filesystem::path& file,
                                          const std::vector<std::string>& params,
                                          std::chrono::milliseconds timeLimit) override;
};

}  // namespace zel
