#pragma once
// The network adapters as the kernel lists them, with their kind read from
// sysfs (/sys/class/net/<name>/type, wireless/ and phy80211).
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/SystemServices.h"

namespace zel {

// One link as getifaddrs reports it.
struct TLinkRecord {
  std::string Name;
  int Index = 0;
  bool Loopback = false;
  // ARPHRD_* of the link layer address.
  int HardwareType = 0;
  std::vector<std::uint8_t> HardwareAddress;
};

// The links of this network namespace in the kernel's order (by index).
std::vector<TLinkRecord> ReadLinkRecords();

// The adapter kind of `link` from its folder below `sysClassNet`; where
// sysfs has no folder for it, or one of another link of that name (sysfs
// mounted in another network namespace), from the link's own hardware type.
TAdapterKind AdapterKindOf(const std::filesystem::path& sysClassNet, const TLinkRecord& link);

// `links` without loopback, as adapters.
std::vector<TNetworkAdapter> AdaptersOfLinks(const std::vector<TLinkRecord>& links,
                                             const std::filesystem::path& sysClassNet);

}  // namespace zel
