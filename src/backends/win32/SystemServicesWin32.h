#pragma once
#include <cstdint>

#include "platform/SystemServices.h"

namespace zel {

// Power through ExitWindowsEx with the shutdown privilege, adapters from the
// IP Helper (GetAdaptersAddresses). Notifications need the tray icon's
// window: the centre made here answers "not shown" until that is wired.
class TWin32SystemServices : public ISystemServices {
 public:
  // ExitWindowsEx's flags for `request`: the forced log-off (4), reboot (6)
  // and shut-down (5), which close running programs without asking them.
  static unsigned ExitWindowsFlags(TPowerRequest request);
  // The kind of an adapter of the IP Helper's interface type: 6 Ethernet,
  // 71 IEEE 802.11 wireless, anything else Other.
  static TAdapterKind AdapterKindOf(unsigned long interfaceType);

  // Answers at once, on the calling (user-interface) thread.
  void RequestPower(TPowerRequest request, TOnPowerDone onDone) override;
  // The IPv4 adapters in the system's order, as GetAdaptersInfo lists them:
  // the loopback interface left out.
  std::vector<TNetworkAdapter> NetworkAdapters() override;
  std::unique_ptr<INotificationCenter> CreateNotificationCenter(
      const TNotificationSender& sender) override;
};

}  // namespace zel
