#pragma once
#include <filesystem>
#include <string>

#include "backends/linux/BusLocationLinux.h"
#include "platform/SystemServices.h"

namespace zel {

// Power through systemd-logind on the system bus, adapters from getifaddrs
// and sysfs, notifications on the session bus.
class TLinuxSystemServices : public ISystemServices {
 public:
  // How long any one step of a D-Bus request may take.
  static constexpr int DBusTimeoutMs = 10000;

  TLinuxSystemServices() = default;
  // Asks logind on `systemBus` and the notification service on
  // `sessionBus`, and reads adapter kinds below `sysClassNet`.
  TLinuxSystemServices(TBusLocation systemBus, TBusLocation sessionBus,
                       std::filesystem::path sysClassNet, int timeoutMs = DBusTimeoutMs)
      : FSystemBus(std::move(systemBus)),
        FSessionBus(std::move(sessionBus)),
        FSysClassNet(std::move(sysClassNet)),
        FTimeoutMs(timeoutMs) {}

  // Log off: TerminateSession("auto"), the caller's session or else the
  // user's graphical one. Reboot and PowerOff with interactive false: no
  // password prompt, and a refusal when the system would need one.
  void RequestPower(TPowerRequest request, TOnPowerDone onDone) override;
  std::vector<TNetworkAdapter> NetworkAdapters() override;
  std::unique_ptr<INotificationCenter> CreateNotificationCenter(
      const TNotificationSender& sender) override;

 private:
  TBusLocation FSystemBus{TBusType::System, ""};
  TBusLocation FSessionBus{TBusType::Session, ""};
  std::filesystem::path FSysClassNet = "/sys/class/net";
  int FTimeoutMs = DBusTimeoutMs;
};

}  // namespace zel
