#include "backends/linux/ProcessInfoLinux.h"

namespace zel {

std::filesystem::path TLinuxProcessInfo::ExecutablePath() {
  std::error_code error;
  auto path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : path;
}

}  // namespace zel
