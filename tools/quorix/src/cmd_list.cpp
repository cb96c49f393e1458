// quorix list: the cameras announcing themselves on the local network.
#include <iostream>

#include "device_text.h"
#include "tool.h"

namespace quorix {
namespace tool {

namespace api = norvik::api;

void addListCommand(CLI::App& app, Action& action) {
    auto* command = app.add_subcommand(
        "list", "List the cameras announcing themselves (listens on UDP port 45454 for about 3 s)");
    auto json = std::make_shared<bool>(false);
    command->add_flag("--json", *json, "print a JSON array instead of a table");
    command->callback([&action, json] {
        action = [json] {
            std::vector<api::QuorixDeviceInfo> cameras;
            takeDiscoveryBindFailure();
            try {
                cameras = api::QuorixDevice::enumerateQuorixDeviceList();
            } catch (const std::exception& e) {
                return reportFailure(std::string("cannot listen for announcements: ") + e.what() +
                                     " (is another program using UDP port 45454?)");
            }
            if (takeDiscoveryBindFailure())
                return reportFailure(
                    "cannot listen for announcements: UDP port 45454 is taken by another program");
            if (*json) {
                Json::Value list(Json::arrayValue);
                for (const auto& camera : cameras) list.append(identityToJson(camera));
                printJson(std::cout, list);
                return 0;
            }
            if (cameras.empty()) {
                std::cout << "No camera announced itself.\n";
                return 0;
            }
            std::vector<std::vector<std::string>> rows;
            for (const auto& c : cameras)
                rows.push_back({c.id, c.model, c.ipAddress, std::to_string(c.port), c.firmwareVersion});
            printTable(std::cout, {"ID", "MODEL", "ADDRESS", "PORT", "FIRMWARE"}, rows);
            return 0;
        };
    });
}

}  // namespace tool
}  // namespace quorix
