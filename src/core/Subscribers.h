#pragma once
// Handlers to call when something changes, each until it unsubscribes.
#include <functional>
#include <map>
#include <vector>

namespace zel {

class TSubscribers {
 public:
  // The returned number ends the subscription.
  int Subscribe(std::function<void()> handler) {
    const int id = FNext++;
    FHandlers[id] = std::move(handler);
    return id;
  }
  void Unsubscribe(int subscription) { FHandlers.erase(subscription); }
  // Calls every handler in the order they subscribed.
  void Notify() const {
    // A handler may end its own subscription: call copies.
    std::vector<std::function<void()>> handlers;
    for (const auto& [id, handler] : FHandlers) handlers.push_back(handler);
    for (const auto& handler : handlers) handler();
  }

 private:
  std::map<int, std::function<void()>> FHandlers;
  int FNext = 1;
};

}  // namespace zel
