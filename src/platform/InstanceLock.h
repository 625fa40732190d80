#pragma once
#include <string>

namespace zel {

class IInstanceLock {
 public:
  virtual ~IInstanceLock() = default;
  // Holds the lock named `name` for the rest of the process, shared with
  // every other process that holds it, so the name stays taken while any of
  // them runs; true when no other process holds it, false when another does.
  // Waits no more than a moment.
  virtual bool TryAcquire(const std::string& name) = 0;
};

}  // namespace zel
