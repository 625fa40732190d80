#pragma once
#include "platform/ProcessInfo.h"

namespace zel {

// The executable's path from GetModuleFileNameW.
class TWin32ProcessInfo : public IProcessInfo {
 public:
  std::filesystem::path ExecutablePath() override;
};

}  // namespace zel
