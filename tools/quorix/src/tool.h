#pragma once

// The quorix tool: one subcommand per job, each registered by its own file.

#include <CLI/CLI.hpp>

#include <functional>
#include <string>

#include "address.h"
#include "quorix/QuorixDevice.h"

namespace quorix {
namespace tool {

// Exit statuses: 0 success, 1 a camera or file operation failed, 2 the command line was wrong.
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
// The range of every --timeout, in milliseconds; anything else is a usage error.
constexpr int kMinTimeoutMs = 1;
constexpr int kMaxTimeoutMs = 3600000;

// Runs the tool as main would, printing to standard output and standard error.
int runTool(int argc, char** argv);

// What a subcommand does once its options are parsed; returns the exit status.
using Action = std::function<int()>;

// Each registers its subcommand on the app and stores its action in action (run after parsing).
void addListCommand(CLI::App& app, Action& action);
void addInfoCommand(CLI::App& app, Action& action);
void addCaptureCommand(CLI::App& app, Action& action);
void addSettingCommands(CLI::App& app, Action& action);  // get, set and settings
void addUserSetsCommand(CLI::App& app, Action& action);
void addMaskCloudCommand(CLI::App& app, Action& action);
void addDemoCommand(CLI::App& app, Action& action);
void addViewCommand(CLI::App& app, Action& action);

// The library's diagnostic lines reach standard error as "quorix: <line>", so that standard output holds
// only what a command prints (with --json, one JSON document). Installed by runTool.
void routeLibraryDiagnostics();
// Whether the library has reported, since the last call of this function, that it could not bind the
// discovery port; the report is then forgotten.
bool takeDiscoveryBindFailure();

// Prints "quorix: <what>: <message> (<code name> <code>)" on standard error and returns kExitFailure. The
// texts are printed with their control characters escaped (printable): they may come from a camera.
int reportFailure(const std::string& what, const norvik::api::ErrorStatus& status);
// Prints "quorix: <message>" on standard error, escaped likewise, and returns kExitFailure.
int reportFailure(const std::string& message);

}  // namespace tool
}  // namespace quorix
