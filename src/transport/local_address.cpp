#include "transport/local_address.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <sys/stat.h>

#include <fstream>

namespace norvik {
namespace transport {

namespace {

int hardwareType(const std::string& interfaceName) {
    std::ifstream in("/sys/class/net/" + interfaceName + "/type");
    int type = -1;
    in >> type;
    return in ? type : -1;
}

bool isWireless(const std::string& interfaceName) {
    struct stat info {};
    return ::stat(("/sys/class/net/" + interfaceName + "/wireless").c_str(), &info) == 0;
}

}  // namespace

std::string chooseHostAddress(const std::vector<AdapterAddress>& adapters) {
    for (const auto& adapter : adapters) {
        if (adapter.ethernet && !adapter.wireless) return adapter.address;
    }
    return {};
}

std::vector<AdapterAddress> listAdapterAddresses() {
    std::vector<AdapterAddress> result;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return result;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET || entry->ifa_name == nullptr)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto* in = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) == nullptr) continue;
        AdapterAddress adapter;
        adapter.interfaceName = entry->ifa_name;
        adapter.address = text;
        adapter.ethernet = hardwareType(adapter.interfaceName) == ARPHRD_ETHER;
        adapter.wireless = adapter.ethernet && isWireless(adapter.interfaceName);
        result.push_back(std::move(adapter));
    }
    ::freeifaddrs(list);
    return result;
}

std::string localHostAddress() { return chooseHostAddress(listAdapterAddresses()); }

}  // namespace transport
}  // namespace norvik
