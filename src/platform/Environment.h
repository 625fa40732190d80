#pragma once
#include <optional>
#include <string>

namespace zel {

// The process environment.
class IEnvironment {
 public:
  virtual ~IEnvironment() = default;
  virtual std::optional<std::string> Get(const std::string& name) = 0;
  virtual void Set(const std::string& name, const std::string& value) = 0;
  virtual void Unset(const std::string& name) = 0;
};

}  // namespace zel
