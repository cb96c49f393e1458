#include "tool.h"

#include <iostream>

#include "completion.h"
#include "device_text.h"
#include "quorix_build_info.h"

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
    // The tool's own build, then the banner of the library it actually loaded: the two can differ.
    app.set_version_flag("--version", std::string("quorix " QUORIX_PROJECT_VERSION
                                                  " (build " QUORIX_PROJECT_BUILD_STAMP ")\n") +
                                          norvik::api::getApiInformation());
    Action action;
    addListCommand(app, action);
    addInfoCommand(app, action);
    addCaptureCommand(app, action);
    addSettingCommands(app, action);
    addUserSetsCommand(app, action);
    addMaskCloudCommand(app, action);
    addDemoCommand(app, action);
    // Hidden: prints the shell completion made from the commands above (installed with the tool).
    app.add_flag_callback(
           "--bash-completion",
           [&app] {
               std::cout << bashCompletion(app, "quorix");
               throw CLI::Success();
           },
           "Print a bash completion script and exit")
        ->group("");
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
