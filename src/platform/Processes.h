#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace zel {

class IProcesses {
 public:
  virtual ~IProcesses() = default;
  // Starts `executable` with `arguments` without waiting; false when it
  // cannot be started.
  virtual bool Start(const std::filesystem::path& executable, const std::vector<std::string>& arguments) = 0;
};

}  // namespace zel
