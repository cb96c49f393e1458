// Keeps a group of settings on the camera under a name, and switches between groups.
//   quorix_user_sets ADDRESS PORT
#include <cstdlib>
#include <iostream>

#include <quorix/QuorixDevice.h>

using namespace norvik::api;

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: " << argv[0] << " ADDRESS PORT\n";
        return 2;
    }
    QuorixDevice device;
    ErrorStatus status = device.connect(argv[1], std::atoi(argv[2]));
    if (!status.isOk()) {
        std::cerr << "Connect failed: " << status.message << "\n";
        return 1;
    }

    // A new set starts from the current settings and becomes current; later writes go to it.
    if (!(status = device.addUserSet("shiny-parts")).isOk()) std::cerr << status.message << "\n";
    device.setScan3DGain(4.0);

    std::vector<std::string> names;
    std::string current;
    device.getAllUserSets(names);
    device.getCurrentUserSet(current);
    for (const std::string& name : names) std::cout << (name == current ? "* " : "  ") << name << "\n";

    // Back to the default set; saving makes every set survive a restart of the camera.
    device.setCurrentUserSet("default");
    status = device.saveAllSettingsToUserSets();
    std::cout << "saved: " << (status.isOk() ? "ok" : status.message) << "\n";
    return 0;
}
