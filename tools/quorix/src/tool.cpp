#include "tool.h"

#include <iostream>

#include "device_text.h"

namespace quorix {
namespace tool {

int reportFailure(const std::string& what, const norvik::api::ErrorStatus& status) {
    std::cerr << "quorix: " << what << ": " << status.message << " (" << errorCodeName(status.code) << " "
              << status.code << ")" << std::endl;
    return kExitFailure;
}

int reportFailure(const std::string& message) {
    std::cerr << "quorix: " << message << std::endl;
    return kExitFailure;
}

int runTool(int argc, char** argv) {
    CLI::App app{
        "Quorix 3D cameras from the command line. ADDRESS[:PORT] names a camera; the port defaults to " +
        std::to_string(kDefaultPort) + "."};
    app.require_subcommand(1);
    app.set_version_flag("--version", norvik::api::getApiInformation());
    Action action;
    addListCommand(app, action);
    addInfoCommand(app, action);
    addCaptureCommand(app, action);
    addSettingCommands(app, action);
    addUserSetsCommand(app, action);
    addMaskCloudCommand(app, action);
    addDemoCommand(app, action);
    addViewCommand(app, action);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
        std::cerr << "quorix: " << e.what() << "\nRun with --help for more information." << std::endl;
        return kExitUsage;
    }
    try {
        return action ? action() : 0;
    } catch (const std::exception& e) {
        return reportFailure(e.what());
    }
}

}  // namespace tool
}  // namespace quorix
