#pragma once

// The one way the library reports what it cannot put into an ErrorStatus (a failed send, a port it could not
// bind, an announcement it could not read). By default each diagnostic is written to its stream followed by
// a newline, in one write; a host may install a handler that receives the text instead.

#include <functional>
#include <string>

namespace norvik {
namespace transport {

// Where a diagnostic goes when no handler is installed.
enum class DiagnosticStream { Output, Error };

using DiagnosticHandler = std::function<void(const std::string&)>;

// Hands text (without its final newline) to the installed handler, or writes it and a newline to stream.
// Safe from any thread; the handler runs on the reporting thread, outside any lock of this module.
void reportDiagnostic(DiagnosticStream stream, const std::string& text);

// An empty handler restores the default printing.
void setDiagnosticHandler(DiagnosticHandler handler);

}  // namespace transport
}  // namespace norvik
