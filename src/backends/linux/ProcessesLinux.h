#pragma once
#include "platform/Processes.h"

namespace zel {

// Starts programs detached from this process: it neither waits for them nor
// leaves zombies, and they inherit no file descriptor beyond the standard
// three (in particular not the instance lock).
class TLinuxProcesses : public IProcesses {
 public:
  bool Start(const std::filesystem::path& executable,
             const std::vector<std::string>& arguments) override;
};

}  // namespace zel
