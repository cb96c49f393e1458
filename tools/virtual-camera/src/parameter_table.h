#pragma once

// The camera's parameters as data: one row per parameter with its JSON kind, its range or valid values and
// its default. Values are stored in their canonical JSON types (integers as ints, reals as reals, the 3D
// exposure count unsigned, regions as {X, Y, Width, Height}).

#include <json/json.h>

#include <string>
#include <vector>

#include "model_traits.h"

namespace quorix {
namespace virtualcam {

enum class ParameterKind { Integer, Real, Boolean, Text, Unsigned, Region, Enumeration };

// Which image a region belongs to.
enum class RegionOf { None, Color, Depth };

struct ParameterRow {
    const char* name;
    ParameterKind kind;
    double min;  // Integer, Unsigned, Real
    double max;
    std::vector<int> choices;  // Enumeration
    Json::Value defaultValue;  // unused for regions, whose default is the whole image
    RegionOf region;
};

// What a value is checked against besides its row.
struct ParameterContext {
    ImageSize colorSize;
    ImageSize depthSize;
    bool hasFlash = true;
};

const std::vector<ParameterRow>& parameterTable();
const ParameterRow* findParameter(const std::string& name);

// Every parameter at its default, as one JSON object keyed by name.
Json::Value defaultParameters(const ParameterContext& context);

// Checks value against the row; on success writes its canonical form to normalized and returns "", else
// returns the refusal text.
std::string checkParameter(const ParameterRow& row, const Json::Value& value, const ParameterContext& context,
                           Json::Value& normalized);

}  // namespace virtualcam
}  // namespace quorix
