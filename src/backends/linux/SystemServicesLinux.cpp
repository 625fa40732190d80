#include "backends/linux/SystemServicesLinux.h"

#include "backends/linux/DBusCallLinux.h"
#include "backends/linux/NetworkAdaptersLinux.h"
#include "backends/linux/NotificationCenterLinux.h"

namespace zel {
namespace {

constexpr const char* LogindService = "org.freedesktop.login1";
constexpr const char* LogindPath = "/org/freedesktop/login1";
constexpr const char* LogindManager = "org.freedesktop.login1.Manager";

TDBusMethodCall LogindCall(TPowerRequest request) {
  TDBusMethodCall call{LogindService, LogindPath, LogindManager};
  switch (request) {
    case TPowerRequest::LogOff:
      call.Method = "TerminateSession";
      call.Parameters = g_variant_new("(s)", "auto");
      break;
    case TPowerRequest::Reboot:
      call.Method = "Reboot";
      call.Parameters = g_variant_new("(b)", FALSE);
      break;
    case TPowerRequest::PowerOff:
      call.Method = "PowerOff";
      call.Parameters = g_variant_new("(b)", FALSE);
      break;
  }
  return call;
}

}  // namespace

void TLinuxSystemServices::RequestPower(TPowerRequest request, TOnPowerDone onDone) {
  const int timeoutMs = FTimeoutMs;
  const bool privateBus = !FSystemBus.Address.empty();
  ConnectBusWithin(
      FSystemBus, timeoutMs,
      [request, onDone, timeoutMs, privateBus](TDBusConnection bus, const std::string& error) {
        if (!bus) return onDone({false, error});
        GDBusConnection* connection = bus.get();
        CallMethodWithin(
            connection, LogindCall(request), timeoutMs,
            [onDone, bus = std::shared_ptr<GDBusConnection>(bus.release(), g_object_unref),
             privateBus](TDBusOutcome outcome) {
              if (privateBus) g_dbus_connection_close(bus.get(), nullptr, nullptr, nullptr);
              if (outcome.Reply)
                onDone({true, ""});
              else
                onDone({false, outcome.Message});
            });
      });
}

std::vector<TNetworkAdapter> TLinuxSystemServices::NetworkAdapters() {
  return AdaptersOfLinks(ReadLinkRecords(), FSysClassNet);
}

std::unique_ptr<INotificationCenter> TLinuxSystemServices::CreateNotificationCenter(
    const TNotificationSender& sender) {
  return std::make_unique<TLinuxNotificationCenter>(sender, FSessionBus, FTimeoutMs);
}

}  // namespace zel
