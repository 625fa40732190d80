#pragma once
#include <map>
#include <string>

#include "platform/InstanceLock.h"

namespace zel {

// A named mutex per name, created without initial ownership in the session's
// default namespace and held by every instance until it ends: the name
// lives while any instance runs. The first instance is the one whose
// CreateMutexW made the mutex; asked again, an instance is alone when no
// other process holds a handle to it.
class TWin32InstanceLock : public IInstanceLock {
 public:
  TWin32InstanceLock() = default;
  ~TWin32InstanceLock() override;
  TWin32InstanceLock(const TWin32InstanceLock&) = delete;
  TWin32InstanceLock& operator=(const TWin32InstanceLock&) = delete;

  bool TryAcquire(const std::string& name) override;

 private:
  std::map<std::string, void*> FHeld;  // name -> mutex handle
};

}  // namespace zel
