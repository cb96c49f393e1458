// Whole JSON replies as the settings read them: the reply judgement ("err_msg" included), then the
// parameter value in every type it is read as, the user-set names and the current set.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/parameter_access.h"
#include "settings/user_sets.h"
#include "transport/reply_judgement.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view reply(reinterpret_cast<const char*>(data), size);
    Json::Value json;
    if (!norvik::transport::judgeJsonReply(reply, json, norvik::api::ReadError).isOk()) return 0;

    Json::Value value;
    if (norvik::settings::readParameterValue(json, value).isOk()) {
        std::int32_t integer = 0;
        double real = 0;
        bool flag = false;
        std::string text;
        norvik::settings::convertParameter(value, "p", integer);
        norvik::settings::convertParameter(value, "p", real);
        norvik::settings::convertParameter(value, "p", flag);
        norvik::settings::convertParameter(value, "p", text);
    }
    std::vector<std::string> names;
    norvik::settings::readUserSetNames(json, names);
    std::string current;
    norvik::settings::readCurrentUserSet(json, current);
    return 0;
}
