#include "cli_options.h"

#include <CLI/CLI.hpp>

#include <cstdlib>

#include "quorix_build_info.h"

namespace quorix {
namespace virtualcam {

bool parseImageSize(const std::string& text, ImageSize& size) {
    const std::size_t x = text.find('x');
    if (x == std::string::npos || x == 0 || x + 1 >= text.size()) return false;
    char* end = nullptr;
    const long w = std::strtol(text.c_str(), &end, 10);
    if (end != text.c_str() + x) return false;
    const long h = std::strtol(text.c_str() + x + 1, &end, 10);
    if (*end != '\0' || w <= 0 || h <= 0 || w > 8192 || h > 8192) return false;
    size = {static_cast<int>(w), static_cast<int>(h)};
    return true;
}

bool parseDestination(const std::string& text, std::string& address, std::uint16_t& port) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) return false;
    char* end = nullptr;
    const long value = std::strtol(text.c_str() + colon + 1, &end, 10);
    if (*end != '\0' || end == text.c_str() + colon + 1 || value <= 0 || value > 65535) return false;
    address = text.substr(0, colon);
    port = static_cast<std::uint16_t>(value);
    return true;
}

int parseCommandLine(int argc, char** argv, Options& options) {
    CLI::App app{
        "A Quorix camera without hardware: answers the command protocol on a TCP port, renders a "
        "calibrated scene, keeps user sets and announces itself. Stops on SIGINT or SIGTERM."};
    std::string colorSize, depthSize, destination;
    bool noAnnounce = false;
    options.announce = true;
    app.set_version_flag("--version", "quorix-virtual-camera " QUORIX_PROJECT_VERSION
                                      " (build " QUORIX_PROJECT_BUILD_STAMP ")");

    app.add_option("--address", options.address, "IPv4 address to serve on (127.0.0.x plays several cameras)")
        ->capture_default_str();
    app.add_option("--port", options.port, "command port, 0 for an ephemeral one (printed at start)")
        ->capture_default_str();
    app.add_option("--model", options.modelCode, "model code reported in the identity")
        ->capture_default_str();
    app.add_option("--firmware", options.firmwareVersion, "firmware version reported")->capture_default_str();
    app.add_option("--hardware-version", options.hardwareVersion, "hardware version reported")
        ->capture_default_str();
    app.add_option("--id", options.identifier, "identifier reported (default derived from address and port)");
    app.add_option("--color-size", colorSize, "2D image size WIDTHxHEIGHT (default: the model's)");
    app.add_option("--depth-size", depthSize, "depth image size WIDTHxHEIGHT (default: the model's)");
    app.add_option("--state-dir", options.stateDirectory,
                   "folder of the user-set file; without it saved user sets last as long as the process");
    app.add_option("--scene", options.sceneDirectory,
                   "serve a scene recorded by quorix capture --record instead of the synthetic one");
    app.add_flag("--no-announce", noAnnounce, "do not send announcements");
    app.add_option("--announce-to", destination,
                   "announcement destination ADDRESS:PORT (default 127.0.0.1:45454)");
    app.add_option("--announce-period", options.announcePeriodMs, "milliseconds between announcements")
        ->capture_default_str()
        ->check(CLI::Range(1, 60000));

    Faults& f = options.faults;
    app.add_option("--reply-delay", f.replyDelayMs, "fault: hold every reply back this many milliseconds")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--silent", f.silentRequests, "fault: never answer the next N requests")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--fail-command", f.failCommand,
                   "fault: answer this command (\"*\": every one) with an error");
    app.add_option("--fail-message", f.failMessage, "fault: the error text of --fail-command")
        ->capture_default_str();
    app.add_option("--truncate", f.truncatedReplies, "fault: cut the next N replies in half")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--malform", f.malformedReplies, "fault: send unreadable JSON in the next N replies")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--oversize", f.oversizedReplies,
                   "fault: follow the next N replies with megabytes of junk")
        ->check(CLI::NonNegativeNumber);
    app.add_flag("--vela-mode-calibration", f.velaCalibrationFollowsMode,
                 "fault: a VELA camera's depth calibration changes with its capture mode");
    app.add_flag("--virtual", f.reportVirtual, "fault: report \"isVirtual\" true");
    app.add_flag("--old-firmware", f.oldFirmware, "fault: report a firmware older than the library accepts");

    try {
        app.parse(argc, argv);
        if (!colorSize.empty() && !parseImageSize(colorSize, options.colorSize))
            throw CLI::ValidationError("--color-size", "expected WIDTHxHEIGHT, for example 1920x1200");
        if (!depthSize.empty() && !parseImageSize(depthSize, options.depthSize))
            throw CLI::ValidationError("--depth-size", "expected WIDTHxHEIGHT, for example 1280x1024");
        if (!destination.empty() &&
            !parseDestination(destination, options.announceAddress, options.announcePort))
            throw CLI::ValidationError("--announce-to", "expected ADDRESS:PORT, for example 127.0.0.1:45454");
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    options.announce = !noAnnounce;
    return -1;
}

}  // namespace virtualcam
}  // namespace quorix
