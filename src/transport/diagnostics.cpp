#include "transport/diagnostics.h"

#include <iostream>
#include <memory>
#include <mutex>

namespace norvik {
namespace transport {

namespace {

std::mutex handlerMutex;
// Shared so that a handler replaced while it runs on another thread stays alive until that call returns.
std::shared_ptr<const DiagnosticHandler> installed;

}  // namespace

void reportDiagnostic(DiagnosticStream stream, const std::string& text) {
    std::shared_ptr<const DiagnosticHandler> handler;
    {
        std::lock_guard<std::mutex> lock(handlerMutex);
        handler = installed;
    }
    if (handler) {
        try {
            (*handler)(text);
        } catch (...) {
            // A host's handler must not break the operation that reported.
        }
        return;
    }
    std::ostream& out = stream == DiagnosticStream::Output ? std::cout : std::cerr;
    // One write with its newline, so that lines of concurrent reports do not interleave.
    out << (text + "\n") << std::flush;
}

void setDiagnosticHandler(DiagnosticHandler handler) {
    auto fresh = handler ? std::make_shared<const DiagnosticHandler>(std::move(handler)) : nullptr;
    std::lock_guard<std::mutex> lock(handlerMutex);
    installed = std::move(fresh);
}

}  // namespace transport
}  // namespace norvik
