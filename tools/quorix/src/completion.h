#pragma once

// Shell completion made from the tool's own command description, so it never disagrees with the parser.

#include <CLI/CLI.hpp>

#include <string>

namespace quorix {
namespace tool {

// A bash completion script for program: its subcommands, each one's options, and file names as the values
// of options that take one.
std::string bashCompletion(CLI::App& app, const std::string& program);

}  // namespace tool
}  // namespace quorix
