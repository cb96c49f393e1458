#pragma once

// Command-line options of the quorix-virtual-camera executable.

#include <string>

#include "virtualcam/virtual_camera.h"

namespace quorix {
namespace virtualcam {

// Parses argv into options. Returns -1 to go on, otherwise the exit code (help printed, or a usage error).
int parseCommandLine(int argc, char** argv, Options& options);

// "1920x1200" into a size; false when malformed.
bool parseImageSize(const std::string& text, ImageSize& size);
// "127.0.0.1:45454" into an address and a port; false when malformed.
bool parseDestination(const std::string& text, std::string& address, std::uint16_t& port);

}  // namespace virtualcam
}  // namespace quorix
