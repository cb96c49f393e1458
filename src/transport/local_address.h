#pragma once

// The host's own IPv4 address, so that a camera at that address is reached over loopback.

#include <string>
#include <vector>

namespace norvik {
namespace transport {

// One IPv4 address of one network adapter, in the order the platform lists them.
struct AdapterAddress {
    std::string interfaceName;
    std::string address;  // dotted decimal
    bool ethernet = false;
    bool wireless = false;
};

// The first address of the first wired Ethernet adapter, or empty. Wireless adapters report themselves as
// Ethernet on Linux and are left out; loopback is not Ethernet.
std::string chooseHostAddress(const std::vector<AdapterAddress>& adapters);

// The platform's IPv4 addresses, in its order; empty when they cannot be listed.
std::vector<AdapterAddress> listAdapterAddresses();

std::string localHostAddress();

}  // namespace transport
}  // namespace norvik
