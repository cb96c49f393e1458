#include <gtest/gtest.h>

#include "transport/local_address.h"

using norvik::transport::AdapterAddress;
using norvik::transport::chooseHostAddress;

TEST(HostAddress, TakesTheFirstWiredEthernetAdapter) {
    const std::vector<AdapterAddress> adapters = {
        {"lo", "127.0.0.1", false, false},       {"wlan0", "192.168.0.20", true, true},
        {"docker0", "172.17.0.1", false, false}, {"eth0", "10.1.2.3", true, false},
        {"eth1", "10.9.9.9", true, false},
    };
    EXPECT_EQ(chooseHostAddress(adapters), "10.1.2.3");
}

TEST(HostAddress, IsEmptyWithoutAWiredEthernetAdapter) {
    EXPECT_EQ(chooseHostAddress({}), "");
    EXPECT_EQ(chooseHostAddress({{"lo", "127.0.0.1", false, false}, {"wlan0", "192.168.0.20", true, true}}),
              "");
}

TEST(HostAddress, ListingThisHostNeverNamesLoopbackAsEthernet) {
    for (const auto& adapter : norvik::transport::listAdapterAddresses()) {
        if (adapter.address.rfind("127.", 0) == 0) {
            EXPECT_FALSE(adapter.ethernet) << adapter.interfaceName;
        }
    }
}
