#pragma once

// What the viewer's settings panel is built from: one JSON object per setting the connected model has,
//   { "name", "kind": "number" | "integer" | "bool" | "enum" | "list" | "struct",
//     "min", "max" (numbers, lists and the members of structs), "unit" ("ms", "mm", "px" or ""),
//     "enumerators": [names] (enum), "maxCount" (list), "fields": [member names] (struct),
//     "help" (what a value looks like), "value" (what the camera holds; null with "error" when unread) }
// A change comes back as { "name", "value" } with the value in the same shape.

#include <json/value.h>

#include "quorix/QuorixDevice.h"

namespace quorix {
namespace tool {

// Reads every setting from the camera. Settings the model does not have are left out.
Json::Value describeSettings(const norvik::api::QuorixDevice& device);

}  // namespace tool
}  // namespace quorix
