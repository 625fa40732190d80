// system.logoff, system.reboot, system.shutdown, system.macAddresses and
// system.notification.
#include <cstdio>
#include <memory>
#include <string>

#include "core/bridge/BridgeArguments.h"
#include "core/bridge/BridgeLifetime.h"
#include "core/bridge/BrowserExternalModule.h"
#include "core/bridge/FunctionFamilies.h"
#include "core/package/ExeZip.h"
#include "core/settings/ProjectIni.h"
#include "core/text/StrUtils.h"
#include "core/text/SystemMessage.h"
#include "platform/Platform.h"

namespace zel {
namespace {

// Icons larger than this are not read from the package.
constexpr std::uint64_t MaxIconBytes = 4 * 1024 * 1024;

// Answers the call later, from the user-interface thread, unless the module
// has gone by then.
template <typename TReply>
auto LaterReply(const TBridgeCall& call, TReply reply) {
  TBrowserExternalModule* module = &call.Module;
  std::shared_ptr<TBridgeLifetime> lifetime = module->Lifetime();
  return [module, lifetime, uuid = call.Uuid, reply](const auto& outcome) {
    lifetime->RunIfAlive([&] { reply(*module, uuid, outcome); });
  };
}

void RequestPower(const TBridgeCall& call, TPowerRequest request) {
  call.Module.Platform().SystemServices().RequestPower(
      request, LaterReply(call, [](TBrowserExternalModule& module, const std::string& uuid,
                                   const TSystemResult& result) {
        if (result.Success)
          module.SendSuccess(uuid, "true");
        else
          module.SendFailure(uuid,
                             TStrUtils::StringToJsonString(TrimSystemMessage(result.Message)));
      }));
}

char KindLetter(TAdapterKind kind) {
  switch (kind) {
    case TAdapterKind::Ethernet:
      return 'E';
    case TAdapterKind::Wireless:
      return 'W';
    case TAdapterKind::Other:
      break;
  }
  return 'U';
}

// "E,00:1a:2b:3c:4d:5e": the kind letter and the first six bytes of the
// address, missing bytes counted as zeros.
std::string AdapterEntry(const TNetworkAdapter& adapter) {
  std::string entry(1, KindLetter(adapter.Kind));
  for (std::size_t i = 0; i < 6; ++i) {
    const unsigned byte = i < adapter.HardwareAddress.size() ? adapter.HardwareAddress[i] : 0;
    char digits[4];
    std::snprintf(digits, sizeof digits, "%c%.2x", i == 0 ? ',' : ':', byte);
    entry += digits;
  }
  return entry;
}

void MacAddresses(const TBridgeCall& call) {
  std::string result = "[";
  for (const TNetworkAdapter& adapter : call.Module.Platform().SystemServices().NetworkAdapters()) {
    const std::string entry = AdapterEntry(adapter);
    // An all-zero address is no address.
    if (entry.compare(1, std::string::npos, ",00:00:00:00:00:00") == 0) continue;
    if (result.size() > 1) result += ',';
    result += '"' + entry + '"';
  }
  call.Success(result + "]");
}

// The application's name from the settings, and its icon: the setting Icon
// names an image below the application's folder in the package.
TNotificationSender SenderOf(TBrowserExternalModule& module) {
  TNotificationSender sender;
  const TProjectINI* settings = module.ProjectINI();
  if (!settings) return sender;
  sender.AppName = settings->ReadString(ProjectIniAppSection, "Name", "");
  std::string icon = settings->ReadString(ProjectIniAppSection, "Icon", "");
  while (!icon.empty() && icon.front() == '/') icon.erase(0, 1);
  const TExeZip* package = module.ExeZip();
  if (icon.empty() || !package || !package->Active()) return sender;
  const std::string entry = settings->ReadString(ProjectIniAppSection, "DirName", "") + "/" + icon;
  const std::int64_t index = package->FindFile(entry);
  if (index >= 0 && package->Entry(static_cast<std::size_t>(index)).Size <= MaxIconBytes)
    sender.Icon = package->ExtractToString(entry);
  return sender;
}

void Notification(const TBridgeCall& call) {
  TNotification notification;
  notification.Name = ReadTextArgument(call.Data, "name");
  notification.Title = ReadTextArgument(call.Data, "title");
  notification.Body = ReadTextArgument(call.Data, "body");

  TBrowserExternalModule& module = call.Module;
  if (!module.NotificationCenter()) {
    module.SetNotificationCenter(
        module.Platform().SystemServices().CreateNotificationCenter(SenderOf(module)));
  }
  module.NotificationCenter()->Present(
      notification,
      LaterReply(call, [](TBrowserExternalModule& module, const std::string& uuid, bool presented) {
        module.SendSuccess(uuid, presented ? "true" : "false");
      }));
}

}  // namespace

void RegisterSystemFunctions(TBridgeDispatcher& dispatcher) {
  dispatcher.Register({11001, "system.logoff", true,
                       [](const TBridgeCall& call) { RequestPower(call, TPowerRequest::LogOff); }});
  dispatcher.Register({11002, "system.reboot", true,
                       [](const TBridgeCall& call) { RequestPower(call, TPowerRequest::Reboot); }});
  dispatcher.Register({11003, "system.shutdown", true, [](const TBridgeCall& call) {
                         RequestPower(call, TPowerRequest::PowerOff);
                       }});
  dispatcher.Register({11004, "system.macAddresses", false, MacAddresses});
  dispatcher.Register({11005, "system.notification", false, Notification});
}

}  // namespace zel
