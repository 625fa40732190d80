#pragma once
#include "platform/Environment.h"

namespace zel {

// The process environment through getenv, setenv and unsetenv.
class TLinuxEnvironment : public IEnvironment {
 public:
  std::optional<std::string> Get(const std::string& name) override;
  void Set(const std::string& name, const std::string& value) override;
  void Unset(const std::string& name) override;
};

}  // namespace zel
