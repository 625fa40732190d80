#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace zel {

// What the process knows about itself.
class IProcessInfo {
 public:
  virtual ~IProcessInfo() = default;
  // Full path of the running executable (argument 0 resolved by the system).
  virtual std::filesystem::path ExecutablePath() = 0;
};

}  // namespace zel
