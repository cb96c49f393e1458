// The virtual camera's request handling on arbitrary request texts: every request gets a framed reply.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "command_service.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorix::virtualcam;
    static const Options options = [] {
        Options o;
        o.colorSize = o.depthSize = {64, 48};  // small images keep captures quick
        return o;
    }();
    static FaultState faults(options.faults);
    static CommandService service(options, "QXV-fuzz", 5577,
                                  UserSetStore(ParameterContext{options.colorSize, options.depthSize, true}),
                                  "", faults);
    const FramedReply reply = service.handle(std::string_view(reinterpret_cast<const char*>(data), size));
    if (reply.head.size() < 4) __builtin_trap();  // every reply starts with its length prefix
    return 0;
}
