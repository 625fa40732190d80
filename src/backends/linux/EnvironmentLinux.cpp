#include "backends/linux/EnvironmentLinux.h"

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace zel {

std::optional<std::string> TLinuxEnvironment::Get(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

void TLinuxEnvironment::Set(const std::string& name, const std::string& value) {
  if (setenv(name.c_str(), value.c_str(), 1) != 0)
    throw std::system_error(errno, std::generic_category(), "Cannot set " + name);
}

void TLinuxEnvironment::Unset(const std::string& name) {
  if (unsetenv(name.c_str()) != 0)
    throw std::system_error(errno, std::generic_category(), "Cannot remove " + name);
}

}  // namespace zel
