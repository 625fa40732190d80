#include "core/bridge/BridgeLifetime.h"

namespace zel {

bool TBridgeLifetime::RunIfAlive(const std::function<void()>& task) {
  std::lock_guard lock(FLock);
  if (!FAlive) return false;
  task();
  return true;
}

bool TBridgeLifetime::Alive() {
  std::lock_guard lock(FLock);
  return FAlive;
}

void TBridgeLifetime::End() {
  std::lock_guard lock(FLock);
  FAlive = false;
}

}  // namespace zel
