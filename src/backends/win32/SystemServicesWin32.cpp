#include "backends/win32/SystemServicesWin32.h"

#include <algorithm>

#include "backends/win32/NotificationCenterWin32.h"
#include "backends/win32/SystemErrorWin32.h"
#include "backends/win32/WideTextWin32.h"
// clang-format off
#include "backends/win32/Win32.h"
// After <windows.h>, which WIN32_LEAN_AND_MEAN keeps from the old winsock.h.
#include <winsock2.h>
#include <iphlpapi.h>
// clang-format on

namespace zel {
namespace {

constexpr unsigned long EthernetType = 6;   // IF_TYPE_ETHERNET_CSMACD
constexpr unsigned long WirelessType = 71;  // IF_TYPE_IEEE80211
constexpr unsigned long LoopbackType = 24;  // IF_TYPE_SOFTWARE_LOOPBACK

// Enables the shutdown privilege in this process's token. A failure is
// ignored: ExitWindowsEx then reports what is missing.
void EnableShutdownPrivilege() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return;
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
  CloseHandle(token);
}

// Windows' notifications need a tray icon of the application's own: until
// the window side provides one, nothing is shown, and every request is
// answered so at once.

}  // namespace

unsigned TWin32SystemServices::ExitWindowsFlags(TPowerRequest request) {
  switch (request) {
    case TPowerRequest::LogOff:
      return EWX_LOGOFF | EWX_FORCE;
    case TPowerRequest::Reboot:
      return EWX_REBOOT | EWX_FORCE;
    case TPowerRequest::PowerOff:
      break;
  }
  // EWX_SHUTDOWN, not EWX_POWEROFF: what the page has always asked for.
  return EWX_SHUTDOWN | EWX_FORCE;
}

TAdapterKind TWin32SystemServices::AdapterKindOf(unsigned long interfaceType) {
  if (interfaceType == EthernetType) return TAdapterKind::Ethernet;
  if (interfaceType == WirelessType) return TAdapterKind::Wireless;
  return TAdapterKind::Other;
}

void TWin32SystemServices::RequestPower(TPowerRequest request, TOnPowerDone onDone) {
  EnableShutdownPrivilege();
  if (ExitWindowsEx(ExitWindowsFlags(request), 0))
    onDone({true, ""});
  else
    onDone({false, SystemErrorText(GetLastError())});
}

std::vector<TNetworkAdapter> TWin32SystemServices::NetworkAdapters() {
  // IPv4 adapters, as the older GetAdaptersInfo saw them; nothing but the
  // adapters themselves is asked for.
  constexpr ULONG Family = AF_INET;
  constexpr ULONG Flags = GAA_FLAG_SKIP_UNICAST | GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST |
                          GAA_FLAG_SKIP_DNS_SERVER;
  std::vector<unsigned char> buffer(16 * 1024);
  ULONG size = static_cast<ULONG>(buffer.size());
  ULONG status = ERROR_BUFFER_OVERFLOW;
  // The list may grow between asking for its size and reading it.
  for (int attempt = 0; attempt < 4 && status == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size);
    status = GetAdaptersAddresses(Family, Flags, nullptr,
                                  reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
  }
  std::vector<TNetworkAdapter> adapters;
  if (status != ERROR_SUCCESS) return adapters;
  for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter;
       adapter = adapter->Next) {
    if (adapter->IfType == LoopbackType) continue;
    TNetworkAdapter entry;
    entry.Name = adapter->FriendlyName ? Utf8Of(adapter->FriendlyName) : std::string();
    entry.Kind = AdapterKindOf(adapter->IfType);
    const std::size_t length =
        std::min<std::size_t>(adapter->PhysicalAddressLength, MAX_ADAPTER_ADDRESS_LENGTH);
    entry.HardwareAddress.assign(adapter->PhysicalAddress, adapter->PhysicalAddress + length);
    adapters.push_back(std::move(entry));
  }
  return adapters;
}

std::unique_ptr<INotificationCenter> TWin32SystemServices::CreateNotificationCenter(
    const TNotificationSender& sender) {
  return std::make_unique<TWin32NotificationCenter>(sender);
}

}  // namespace zel
