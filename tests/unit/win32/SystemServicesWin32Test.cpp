// Power requests, network adapters and notifications of the Win32 backend.
// Power itself is not requested here: Wine would end every program of the
// prefix, the test run included.
#include <gtest/gtest.h>

#include <optional>

#include "backends/win32/SystemServicesWin32.h"
#include "Win32TestSupport.h"
// clang-format off
#include <windows.h>
#include <winsock2.h>
#include <iphlpapi.h>
// clang-format on

namespace zel {
namespace {

TEST(Win32SystemServices, PowerRequestsAreTheForcedExitFlags) {
  EXPECT_EQ(TWin32SystemServices::ExitWindowsFlags(TPowerRequest::LogOff), 4u);
  EXPECT_EQ(TWin32SystemServices::ExitWindowsFlags(TPowerRequest::Reboot), 6u);
  // Shut down (5), not power off (8).
  EXPECT_EQ(TWin32SystemServices::ExitWindowsFlags(TPowerRequest::PowerOff), 5u);
}

TEST(Win32SystemServices, AdapterKindsFollowTheInterfaceType) {
  const std::pair<unsigned long, TAdapterKind> kinds[] = {
      {6, TAdapterKind::Ethernet}, {71, TAdapterKind::Wireless}, {23, TAdapterKind::Other},
      {131, TAdapterKind::Other},  {1, TAdapterKind::Other},
  };
  for (const auto& [type, kind] : kinds) {
    SCOPED_TRACE(type);
    EXPECT_EQ(TWin32SystemServices::AdapterKindOf(type), kind);
  }
}

// The adapters as the older IPv4 query lists them, which the bridge's
// answer has always followed.
std::vector<std::vector<std::uint8_t>> AddressesOfAdaptersInfo() {
  ULONG size = 0;
  GetAdaptersInfo(nullptr, &size);
  std::vector<unsigned char> buffer(size ? size : 1);
  std::vector<std::vector<std::uint8_t>> addresses;
  if (GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size) != ERROR_SUCCESS)
    return addresses;
  for (auto* adapter = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()); adapter;
       adapter = adapter->Next)
    addresses.emplace_back(adapter->Address, adapter->Address + adapter->AddressLength);
  return addresses;
}

TEST(Win32SystemServices, AdaptersAreTheIpv4AdaptersWithoutLoopbackInTheSystemsOrder) {
  const std::vector<TNetworkAdapter> adapters = TWin32SystemServices().NetworkAdapters();
  std::vector<std::vector<std::uint8_t>> addresses;
  for (const TNetworkAdapter& adapter : adapters) {
    SCOPED_TRACE(adapter.Name);
    EXPECT_FALSE(adapter.Name.empty());
    EXPECT_LE(adapter.HardwareAddress.size(), 8u);
    addresses.push_back(adapter.HardwareAddress);
  }
  EXPECT_EQ(addresses, AddressesOfAdaptersInfo());
}

TEST(Win32SystemServices, NotificationsGoToTheNotificationArea) {
  // The balloon of an icon of the centre's own: answered from the loop.
  auto centre = TWin32SystemServices().CreateNotificationCenter({"App", ""});
  std::optional<bool> shown;
  centre->Present({"mail-1", "Title", "Body"}, [&](bool presented) { shown = presented; });
  EXPECT_FALSE(shown.has_value());
  ASSERT_TRUE(test::PumpUntil([&] { return shown.has_value(); }));
  EXPECT_TRUE(*shown);
}

}  // namespace
}  // namespace zel
