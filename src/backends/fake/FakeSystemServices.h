#pragma once
// System services that record every request and answer what the test
// configured: at once, or when the test releases the held answers.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/SystemServices.h"

namespace zel {

struct TPresentedNotification {
  TNotificationSender Sender;
  TNotification Notification;
};

class TFakeSystemServices : public ISystemServices {
 public:
  TFakeSystemServices();
  ~TFakeSystemServices() override;

  void RequestPower(TPowerRequest request, TOnPowerDone onDone) override;
  std::vector<TNetworkAdapter> NetworkAdapters() override { return FAdapters; }
  std::unique_ptr<INotificationCenter> CreateNotificationCenter(
      const TNotificationSender& sender) override;

  void SetPowerResult(TSystemResult result) { FPowerResult = std::move(result); }
  void SetNetworkAdapters(std::vector<TNetworkAdapter> adapters) {
    FAdapters = std::move(adapters);
  }
  // Without a notification service nothing is presented.
  void SetNotificationsAvailable(bool available);
  // Holds every answer until ReleaseAnswers, as a slow system would.
  void SetHoldAnswers(bool hold);
  // Gives the held answers, in the order they were asked for.
  void ReleaseAnswers();

  const std::vector<TPowerRequest>& PowerRequests() const { return FPowerRequests; }
  // Every notification presented, by any center, in order.
  const std::vector<TPresentedNotification>& Presented() const;
  // Clicks the notification last presented under `name` as the user would;
  // false when no center that still exists presented it.
  bool ClickNotification(const std::string& name);
  // Notification centers created and not yet destroyed.
  int LiveNotificationCenters() const;

  struct TState;

 private:
  TSystemResult FPowerResult{true, ""};
  std::vector<TNetworkAdapter> FAdapters;
  std::vector<TPowerRequest> FPowerRequests;
  std::shared_ptr<TState> FState;
};

}  // namespace zel
