#include "backends/linux/LinuxPlatform.h"
#include "tools/Commands.h"

namespace zel {

std::filesystem::path ToolFolder() {
  return CreateLinuxPlatform()->ProcessInfo().ExecutablePath().parent_path();
}

}  // namespace zel
