#include "backends/linux/NetworkAdaptersLinux.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netpacket/packet.h>
#include <sys/socket.h>

#include <fstream>

namespace zel {

std::vector<TLinkRecord> ReadLinkRecords() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return {};
  std::vector<TLinkRecord> links;
  // Each link appears once with an AF_PACKET address, in index order.
  for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
    if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_PACKET || !entry->ifa_name) continue;
    const auto* address = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
    TLinkRecord link;
    link.Name = entry->ifa_name;
    link.Index = address->sll_ifindex;
    link.Loopback = (entry->ifa_flags & IFF_LOOPBACK) != 0;
    link.HardwareType = address->sll_hatype;
    const std::size_t length = std::min<std::size_t>(address->sll_halen, sizeof address->sll_addr);
    link.HardwareAddress.assign(address->sll_addr, address->sll_addr + length);
    links.push_back(std::move(link));
  }
  freeifaddrs(list);
  return links;
}

TAdapterKind AdapterKindOf(const std::filesystem::path& sysClassNet, const TLinkRecord& link) {
  const std::filesystem::path folder = sysClassNet / link.Name;
  int index = 0;
  std::ifstream indexFile(folder / "ifindex");
  const bool sameLink = !(indexFile >> index) || index == link.Index;
  int type = link.HardwareType;
  std::ifstream typeFile(folder / "type");
  if (!sameLink || !(typeFile >> type)) type = link.HardwareType;
  std::error_code ignored;
  switch (type) {
    case ARPHRD_ETHER:
      // Wireless adapters carry an Ethernet address; cfg80211 marks them
      // with wireless/ (older drivers) or the link to their phy80211.
      if (sameLink && (std::filesystem::exists(folder / "wireless", ignored) ||
                       std::filesystem::exists(folder / "phy80211", ignored))) {
        return TAdapterKind::Wireless;
      }
      return TAdapterKind::Ethernet;
    case ARPHRD_IEEE80211:
    case ARPHRD_IEEE80211_PRISM:
    case ARPHRD_IEEE80211_RADIOTAP:
      return TAdapterKind::Wireless;
    default:
      return TAdapterKind::Other;
  }
}

std::vector<TNetworkAdapter> AdaptersOfLinks(const std::vector<TLinkRecord>& links,
                                             const std::filesystem::path& sysClassNet) {
  std::vector<TNetworkAdapter> adapters;
  for (const TLinkRecord& link : links) {
    if (link.Loopback || link.HardwareType == ARPHRD_LOOPBACK) continue;
    adapters.push_back({link.Name, AdapterKindOf(sysClassNet, link), link.HardwareAddress});
  }
  return adapters;
}

}  // namespace zel
