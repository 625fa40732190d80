// The Linux system services that need no real system: adapter kinds from a
// made-up sysfs tree, notification texts, and D-Bus requests to buses that
// are missing or never answer.
#include <glib.h>
#include <gtest/gtest.h>
#include <net/if_arp.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <optional>

#include "PackageTestSupport.h"
#include "backends/linux/NetworkAdaptersLinux.h"
#include "backends/linux/NotificationCenterLinux.h"
#include "backends/linux/SystemServicesLinux.h"

namespace zel {
namespace {

using std::chrono::steady_clock;

// Runs the default main context until `done` or 30 s (only against a hang).
template <typename F>
void IterateUntil(F done) {
  const auto deadline = steady_clock::now() + std::chrono::seconds(30);
  while (!done() && steady_clock::now() < deadline) g_main_context_iteration(nullptr, FALSE);
}

struct TSysEntry {
  const char* Name;
  const char* Type;              // null: no type file
  const char* Marker = nullptr;  // "wireless" or "phy80211"
  int Index = 0;                 // 0: no ifindex file
};

TEST(NetworkAdaptersLinux, TheKindComesFromSysfsAndLoopbackIsLeftOut) {
  test::TTempDir sys;
  const TSysEntry entries[] = {
      {"eth0", "1\n", nullptr, 2},    {"wlan0", "1\n", "wireless", 3},
      {"wlp2s0", "1", "phy80211", 4}, {"tun0", "65534\n", nullptr},
      {"sit1", "776\n", nullptr},     {"mon0", "803\n", nullptr},
      {"lo", "772\n", nullptr},       {"other", "1\n", "wireless", 99},
      {"garbled", "x\n", nullptr},
  };
  for (const TSysEntry& entry : entries) {
    std::filesystem::create_directories(sys / entry.Name);
    if (entry.Type) test::WriteFile(sys / entry.Name / "type", std::string(entry.Type));
    if (entry.Marker) std::filesystem::create_directories(sys / entry.Name / entry.Marker);
    if (entry.Index)
      test::WriteFile(sys / entry.Name / "ifindex", std::to_string(entry.Index) + "\n");
  }
  struct TCase {
    TLinkRecord Link;
    std::optional<TAdapterKind> Kind;  // none: not listed
  };
  const TCase cases[] = {
      {{"lo", 1, true, ARPHRD_LOOPBACK, {}}, std::nullopt},
      {{"eth0", 2, false, ARPHRD_ETHER, {1, 2, 3, 4, 5, 6}}, TAdapterKind::Ethernet},
      {{"wlan0", 3, false, ARPHRD_ETHER, {1}}, TAdapterKind::Wireless},
      {{"wlp2s0", 4, false, ARPHRD_ETHER, {}}, TAdapterKind::Wireless},
      {{"tun0", 5, false, ARPHRD_NONE, {}}, TAdapterKind::Other},
      {{"sit1", 6, false, ARPHRD_SIT, {10, 0, 0, 1}}, TAdapterKind::Other},
      {{"mon0", 7, false, ARPHRD_IEEE80211_RADIOTAP, {}}, TAdapterKind::Wireless},
      // Loopback by its flag, whatever sysfs says.
      {{"lo2", 8, true, ARPHRD_ETHER, {}}, std::nullopt},
      // No folder in sysfs (another network namespace): the link's own type.
      {{"veth0", 9, false, ARPHRD_ETHER, {2, 0, 0, 0, 0, 1}}, TAdapterKind::Ethernet},
      {{"ppp0", 10, false, ARPHRD_PPP, {}}, TAdapterKind::Other},
      // A folder of another link of the same name: its marks do not count.
      {{"other", 11, false, ARPHRD_ETHER, {}}, TAdapterKind::Ethernet},
      {{"garbled", 12, false, ARPHRD_TUNNEL, {}}, TAdapterKind::Other},
  };
  std::vector<TLinkRecord> links;
  std::vector<std::string> expectedNames;
  for (const TCase& c : cases) {
    links.push_back(c.Link);
    if (c.Kind) expectedNames.push_back(c.Link.Name);
  }
  const std::vector<TNetworkAdapter> adapters = AdaptersOfLinks(links, sys.Path());
  std::vector<std::string> names;
  for (const TNetworkAdapter& adapter : adapters) names.push_back(adapter.Name);
  EXPECT_EQ(names, expectedNames);  // in the links' order
  for (const TCase& c : cases) {
    if (!c.Kind) continue;
    SCOPED_TRACE(c.Link.Name);
    const auto adapter = std::find_if(adapters.begin(), adapters.end(),
                                      [&](const auto& a) { return a.Name == c.Link.Name; });
    ASSERT_NE(adapter, adapters.end());
    EXPECT_EQ(adapter->Kind, *c.Kind);
    EXPECT_EQ(adapter->HardwareAddress, c.Link.HardwareAddress);
  }
}

TEST(NetworkAdaptersLinux, TheKernelsLinksAreReadWithTheirAddresses) {
  const std::vector<TLinkRecord> links = ReadLinkRecords();
  ASSERT_FALSE(links.empty());  // loopback at least
  for (const TLinkRecord& link : links) {
    SCOPED_TRACE(link.Name);
    std::ifstream type("/sys/class/net/" + link.Name + "/type");
    int sysType = -1;
    if (type >> sysType) {
      EXPECT_EQ(link.HardwareType, sysType);
    }
    if (link.HardwareType == ARPHRD_ETHER) {
      EXPECT_EQ(link.HardwareAddress.size(), 6u);
    }
  }
}

TEST(NotificationCenterLinux, TheTitleLeadsAndAnEmptyOneLeavesTheBodyAlone) {
  struct TCase {
    const char* Title;
    const char* Body;
    const char* Summary;
    const char* ShownBody;
  };
  const TCase cases[] = {
      {"Title", "Body", "Title", "Body"},
      {"Title", "", "Title", ""},
      {"", "Body", "Body", ""},
      {"", "", "", ""},
  };
  for (const TCase& c : cases) {
    const TNotificationTexts texts = NotificationTexts(c.Title, c.Body);
    EXPECT_EQ(texts.Summary, c.Summary);
    EXPECT_EQ(texts.Body, c.ShownBody);
  }
}

// A socket that takes connections and never says a word, as a stuck bus.
class TSilentBus {
 public:
  TSilentBus() {
    FPath = (FDir / "bus").string();
    FSocket = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    FPath.copy(address.sun_path, sizeof address.sun_path - 1);
    bind(FSocket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(FSocket, 8);
  }
  ~TSilentBus() { close(FSocket); }
  std::string Address() const { return "unix:path=" + FPath; }

 private:
  test::TTempDir FDir;
  std::string FPath;
  int FSocket = -1;
};

TEST(SystemServicesLinux, ABusThatNeverAnswersEndsInTheTimeLimit) {
  TSilentBus bus;
  constexpr int Limit = 300;
  TLinuxSystemServices services({TBusType::System, bus.Address()},
                                {TBusType::Session, bus.Address()}, "/sys/class/net", Limit);
  std::optional<TSystemResult> result;
  const auto start = steady_clock::now();
  services.RequestPower(TPowerRequest::Reboot, [&](const TSystemResult& r) { result = r; });
  EXPECT_FALSE(result) << "answered before the main loop ran";
  IterateUntil([&] { return result.has_value(); });
  ASSERT_TRUE(result);
  EXPECT_GE(steady_clock::now() - start, std::chrono::milliseconds(Limit));
  EXPECT_FALSE(result->Success);
  EXPECT_EQ(result->Message, "Timeout was reached");

  std::optional<bool> presented;
  auto center = services.CreateNotificationCenter({"App", ""});
  center->Present({"n", "t", "b"}, [&](bool shown) { presented = shown; });
  IterateUntil([&] { return presented.has_value(); });
  EXPECT_EQ(presented, false);

  // A center that goes before its answer drops it.
  bool called = false;
  auto gone = services.CreateNotificationCenter({"App", ""});
  gone->Present({"n", "t", "b"}, [&](bool) { called = true; });
  gone.reset();
  const auto until = steady_clock::now() + std::chrono::milliseconds(2 * Limit);
  IterateUntil([&] { return steady_clock::now() > until; });
  EXPECT_FALSE(called);
}

TEST(SystemServicesLinux, AMissingBusIsRefusedWithTheSystemsText) {
  test::TTempDir dir;
  const std::string address = "unix:path=" + (dir / "none").string();
  TLinuxSystemServices services({TBusType::System, address}, {TBusType::Session, address},
                                "/sys/class/net", 20000);
  std::optional<TSystemResult> result;
  const auto start = steady_clock::now();
  services.RequestPower(TPowerRequest::LogOff, [&](const TSystemResult& r) { result = r; });
  IterateUntil([&] { return result.has_value(); });
  ASSERT_TRUE(result);
  EXPECT_LT(steady_clock::now() - start, std::chrono::seconds(10));  // not the time limit
  EXPECT_FALSE(result->Success);
  EXPECT_NE(result->Message.find("No such file or directory"), std::string::npos)
      << result->Message;
}

}  // namespace
}  // namespace zel
