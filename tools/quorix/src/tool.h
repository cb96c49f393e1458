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

// Prints "quorix: <what>: <message> (<code name> <code>)" on standard error and returns kExitFailure.
int reportFailure(const std::string& what, const norvik::api::ErrorStatus& status);
// Prints "quorix: <message>" on standard error and returns kExitFailure.
int reportFailure(const std::string& message);

}  // namespace tool
}  // namespace quorix
