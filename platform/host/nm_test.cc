#include "host/event.h"
#include "host/modules.h"
#include "host/nm.h"
#include "platform/nm.h"
#include "platform/runtime.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace {

TEST(NmTest, GettersAnswerWhatTheTestSet) {
  hostNmReset();
  EXPECT_EQ(nmGetActiveNetworkType(), NM_NETWORK_WIRED);
  EXPECT_EQ(nmGetActiveIp(0).s_addr, 0u);
  hostNmSetNetworkType(NM_NETWORK_WIFI);
  hostNmSetIp("192.0.2.7");
  EXPECT_EQ(nmGetActiveNetworkType(), NM_NETWORK_WIFI);
  char ip[INET_ADDRSTRLEN];
  in_addr address = nmGetActiveIp(0);
  EXPECT_STREQ(inet_ntop(AF_INET, &address, ip, sizeof ip), "192.0.2.7");

  char mac[NM_MAC_TEXT_SIZE];
  hostNmSetMac(std::string(40, 'A').c_str());
  ASSERT_EQ(nmGetMacAddress(mac, 0), 0);
  EXPECT_EQ(std::string(mac), std::string(NM_MAC_TEXT_SIZE - 1, 'A')) << "cut to the buffer";
  hostNmReset();
}

TEST(NmTest, UpstreamMacIsKnownPerInterfaceAndNamesStayValid) {
  hostNmReset();
  const char *wired = nmDevNicFullNameGet();
  EXPECT_STREQ(wired, "eth0");
  EXPECT_STREQ(nmDevWifiNicFullNameGet(), "wlan0");
  hostNmSetNicNames("eth1", "wlan1");
  EXPECT_STREQ(wired, "eth0") << "a name given out stays valid";
  EXPECT_STREQ(nmDevNicFullNameGet(), "eth1");

  hostNmSetUpperMac("eth1", "00:AA:BB:CC:DD:EE");
  char mac[NM_MAC_TEXT_SIZE] = "junk";
  EXPECT_EQ(networkUtilsGetUpperMac("wlan1", mac, sizeof mac), -1);
  EXPECT_STREQ(mac, "");
  EXPECT_EQ(networkUtilsGetUpperMac("eth1", mac, sizeof mac), 0);
  EXPECT_STREQ(mac, "00:AA:BB:CC:DD:EE");
  EXPECT_EQ(networkUtilsGetUpperMac(nullptr, mac, sizeof mac), -1);
  hostNmSetUpperMac("eth1", "");
  EXPECT_EQ(networkUtilsGetUpperMac("eth1", mac, sizeof mac), -1);
  hostNmReset();
}

std::atomic<int> gConnectedEvents{0};

int CountConnected(const char *, void *, void *) {
  ++gConnectedEvents;
  return 0;
}

std::string CallLine(int index) {
  char line[256] = "";
  hostModuleCallGet(index, line, sizeof line);
  return line;
}

TEST(NmTest, ModuleStartRaisesTheConnectedEventAtOnceLaterOrNever) {
  uEventInit();
  static bool cared = uEventCare("NM_EVENT_NET_CONNECTED", CountConnected, nullptr) == 0;
  ASSERT_TRUE(cared);
  const struct {
    int delayMs;
    int events;
  } cases[] = {{0, 1}, {300, 1}, {-1, 0}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.delayMs);
    hostNmSetConnectDelay(c.delayMs);
    gConnectedEvents = 0;
    hostModuleCallsClear();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(nmModuleInit(), 0);
    EXPECT_EQ(hostModuleCallCount(), 1);
    EXPECT_EQ(CallLine(0), "nmModuleInit()");
    while (gConnectedEvents == 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(2))
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    hostEventDrain();
    EXPECT_EQ(gConnectedEvents.load(), c.events);
    if (c.events > 0) {
      EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(c.delayMs));
    }
  }
  hostNmReset();
}

}  // namespace
