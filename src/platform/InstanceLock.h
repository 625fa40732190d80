#pragma once
#include <string>

namespace zel {

class IInstanceLock {
 public:
  virtual ~IInstanceLock() = default;
  // Takes the lock named `name` for the rest of the process; false when
  // another process holds it. Never waits.
  virtual bool TryAcquire(const std::string& name) = 0;
};

}  // namespace zel
