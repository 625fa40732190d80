#pragma once
// The operating system's session and machine: ending the session, restarting
// and powering off, the network adapters' hardware addresses, and desktop
// notifications.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zel {

// What the system is asked to do. Running programs are not asked first.
enum class TPowerRequest { LogOff, Reboot, PowerOff };

// What became of a request to the system.
struct TSystemResult {
  bool Success = false;
  // The system's message when the request was refused.
  std::string Message;
};

enum class TAdapterKind { Ethernet, Wireless, Other };

struct TNetworkAdapter {
  // The system's name of the adapter ("eth0"), for diagnostics.
  std::string Name;
  TAdapterKind Kind = TAdapterKind::Other;
  // The hardware address as the system reports it; may be empty.
  std::vector<std::uint8_t> HardwareAddress;
};

// Who presents notifications: shown by the desktop beside each of them.
struct TNotificationSender {
  std::string AppName;
  // An image file's bytes (PNG, ICO, ...); empty for none.
  std::string Icon;
};

struct TNotification {
  // Identifies the notification: reported by a click, and a notification
  // presented under the name of one still shown replaces it.
  std::string Name;
  std::string Title;
  std::string Body;
};

// The notifications one owner presented, known by name while they are shown.
class INotificationCenter {
 public:
  // Called on the user-interface thread.
  using TOnPresented = std::function<void(bool presented)>;
  using TOnClick = std::function<void(const std::string& name)>;

  // Callbacks pending at destruction are dropped.
  virtual ~INotificationCenter() = default;
  // Shows `notification` and calls `onPresented` exactly once: true when it
  // was shown, false when the desktop has no notification service (then
  // without delay) or did not answer in time.
  virtual void Present(const TNotification& notification, TOnPresented onPresented) = 0;
  // Called with the notification's name when the user clicks it.
  virtual void SetOnClick(TOnClick handler) = 0;
};

class ISystemServices {
 public:
  // Called exactly once, on the user-interface thread.
  using TOnPowerDone = std::function<void(const TSystemResult& result)>;

  virtual ~ISystemServices() = default;
  // Asks the system to end the session, restart or power off. The answer
  // follows within a time limit, whether the system answers or not; on
  // success the system goes on to end this program as well.
  virtual void RequestPower(TPowerRequest request, TOnPowerDone onDone) = 0;
  // The network adapters in the system's order, loopback left out.
  virtual std::vector<TNetworkAdapter> NetworkAdapters() = 0;
  virtual std::unique_ptr<INotificationCenter> CreateNotificationCenter(
      const TNotificationSender& sender) = 0;
};

}  // namespace zel
