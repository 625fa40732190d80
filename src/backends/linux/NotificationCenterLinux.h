#pragma once
#include <memory>

#include "backends/linux/BusLocationLinux.h"
#include "platform/SystemServices.h"

namespace zel {

// Notifications through org.freedesktop.Notifications on the session bus.
// A notification presented under the name of one still shown replaces it
// (its id goes along as replaces_id); each carries the "default" action, so
// a click comes back as ActionInvoked and reaches the click handler with the
// name. No service on the bus means no notifications.
class TLinuxNotificationCenter : public INotificationCenter {
 public:
  explicit TLinuxNotificationCenter(const TNotificationSender& sender, TBusLocation bus = {},
                                    int timeoutMs = 10000);
  ~TLinuxNotificationCenter() override;
  TLinuxNotificationCenter(const TLinuxNotificationCenter&) = delete;
  TLinuxNotificationCenter& operator=(const TLinuxNotificationCenter&) = delete;

  void Present(const TNotification& notification, TOnPresented onPresented) override;
  void SetOnClick(TOnClick handler) override;

  struct TState;

 private:
  std::shared_ptr<TState> FState;
};

// The summary and body a notification server shows for a title and a body:
// both when both are given, otherwise the one given as the summary alone.
struct TNotificationTexts {
  std::string Summary;
  std::string Body;
};
TNotificationTexts NotificationTexts(const std::string& title, const std::string& body);

}  // namespace zel
