#include "tool.h"

#include <atomic>
#include <iostream>
#include <sstream>

#include "completion.h"
#include "device_text.h"
#include "quorix_build_info.h"
#include "terminal_text.h"

namespace quorix {
namespace tool {

namespace {

// The library's line when another program holds the discovery port.
constexpr char kBindErrorLine[] = "UDP Bind error.";
std::atomic<bool> bindFailed{false};

}  // namespace

void routeLibraryDiagnostics() {
    norvik::api::QuorixDevice::setDiagnosticHandler([](const std::string& text) {
        if (text.compare(0, sizeof kBindErrorLine - 1, kBindErrorLine) == 0) bindFailed = true;
        std::istringstream lines(text);
        std::string out;
        for (std::string line; std::getline(lines, line);) out += "quorix: " + line + "\n";
        std::cerr << out << std::flush;
    });
}

bool takeDiscoveryBindFailure() { return bindFailed.exchange(false); }

int reportFailure(const std::string& what, const norvik::api::ErrorStatus& status) {
    std::cerr << "quorix: " << printable(what + ": " + status.message) << " (" << errorCodeName(status.code)
              << " " << status.code << ")" << std::endl;
    return kExitFailure;
}

int reportFailure(const std::string& message) {
    std::cerr << "quorix: " << printable(message) << std::endl;
    return kExitFailure;
}

int runTool(int argc, char** argv) {
    CLI::App app{
        "Quorix 3D cameras from the command line. ADDRESS[:PORT] names a camera; the port defaults to " +
        std::to_string(kDefaultPort) + "."};
    app.require_subcommand(1);
    routeLibraryDiagnostics();
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
    addViewCommand(app, action);
    // A reply time-out of 0 fails against every camera and a negative one waits forever: every --timeout
    // takes 1 ms to one hour.
    for (CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) {
        if (CLI::Option* timeout = command->get_option_no_throw("--timeout"))
            timeout->check(CLI::Range(kMinTimeoutMs, kMaxTimeoutMs));
    }
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
