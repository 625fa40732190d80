#pragma once
// Work that finishes on another thread (a command's reply) must not touch the
// bridge module after it is gone: it runs its step through the module's
// lifetime, which refuses once the module has been destroyed.
#include <functional>
#include <memory>
#include <mutex>

namespace zel {

class TBridgeLifetime {
 public:
  // Runs `task` and returns true while the owner exists; the owner's end
  // waits until a running task has returned. Tasks may nest on one thread.
  bool RunIfAlive(const std::function<void()>& task);
  bool Alive();
  void End();

 private:
  std::recursive_mutex FLock;
  bool FAlive = true;
};

// Ends its lifetime when destroyed: a member of the object it guards.
class TBridgeLifetimeOwner {
 public:
  TBridgeLifetimeOwner() : FLifetime(std::make_shared<TBridgeLifetime>()) {}
  ~TBridgeLifetimeOwner() { FLifetime->End(); }
  TBridgeLifetimeOwner(const TBridgeLifetimeOwner&) = delete;
  TBridgeLifetimeOwner& operator=(const TBridgeLifetimeOwner&) = delete;

  const std::shared_ptr<TBridgeLifetime>& Lifetime() const { return FLifetime; }

 private:
  std::shared_ptr<TBridgeLifetime> FLifetime;
};

}  // namespace zel
