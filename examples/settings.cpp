// Reads and changes a few capture settings, then lists all of them from the settings catalogue.
//   quorix_settings ADDRESS PORT
#include <cstdlib>
#include <iostream>
#include <vector>

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

    // Setters check the value and the model before sending anything: a refused value comes back as
    // WriteError (or UnsupportedModel) and the camera keeps its setting.
    double exposure = 0;
    device.getScan2DExposureTime(exposure);
    std::cout << "2D exposure time: " << exposure << " ms\n";
    status = device.setScan2DExposureTime(25.0);
    std::cout << "set to 25 ms: " << (status.isOk() ? "ok" : status.message) << "\n";
    status = device.setScan2DExposureTime(5000.0);  // outside 0.1 to 999: refused
    std::cout << "set to 5000 ms: " << (status.isOk() ? "ok" : status.message) << "\n";

    // Only measure between 0.3 m and 2 m.
    DepthRange range;
    range.depthLowerLimit = 300;
    range.depthUpperLimit = 2000;
    status = device.setDepthRange(range);
    std::cout << "depth range 300 to 2000 mm: " << (status.isOk() ? "ok" : status.message) << "\n";

    // Two 3D exposures per capture, merged by the camera.
    status = device.setScan3DExposure({8.0, 16.0});
    std::cout << "3D exposures 8 and 16 ms: " << (status.isOk() ? "ok" : status.message) << "\n";

    // The camera's settings describe themselves: name, kind, range, unit, and what each is for. Any of them
    // can be read and written by name, the value as numbers.
    std::vector<SettingDescription> settings;
    device.getSettingCatalogue(settings);
    for (const SettingDescription& setting : settings) {
        std::vector<double> value;
        device.getSetting(setting.name, value);
        std::cout << setting.name << " (" << setting.description << "):";
        for (double number : value) std::cout << " " << number;
        std::cout << " " << setting.unit << "\n";
    }
    status = device.setSetting("Scan3DGain", {2.0});
    std::cout << "Scan3DGain 2: " << (status.isOk() ? "ok" : status.message) << "\n";
    return 0;
}
