#pragma once
#include "platform/Environment.h"

namespace zel {

// The process environment through GetEnvironmentVariableW and
// SetEnvironmentVariableW: the block that child processes and the web
// engine read (the C runtime's copy is not it).
class TWin32Environment : public IEnvironment {
 public:
  std::optional<std::string> Get(const std::string& name) override;
  void Set(const std::string& name, const std::string& value) override;
  void Unset(const std::string& name) override;
};

}  // namespace zel
