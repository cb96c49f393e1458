// Announcements as they arrive from the network: any bytes, cut at the first zero like the listener does.
#include <cstddef>
#include <cstdint>
#include <iostream>
#include <string>

#include "device/device_list.h"
#include "discovery/announcement.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The skipped-payload lines would flood the fuzzer's output.
    static const bool silenced = (std::cerr.setstate(std::ios::badbit), true);
    (void)silenced;
    norvik::discovery::Announcement announcement;
    announcement.address = "127.0.0.9";
    announcement.payload = norvik::discovery::payloadOf(reinterpret_cast<const char*>(data), size);
    norvik::device::devicesFromAnnouncements({announcement, announcement});
    return 0;
}
