#pragma once
#include "platform/ProcessInfo.h"

namespace zel {

class TLinuxProcessInfo : public IProcessInfo {
 public:
  std::filesystem::path ExecutablePath() override;
};

}  // namespace zel
