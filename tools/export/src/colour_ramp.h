#pragma once

#include "quorix/Frame.h"

namespace norvik {
namespace files {

// A colour for t in [0, 1], from blue (0) through cyan, green and yellow to red (1).
norvik::api::ElementColor rampColour(double t);

}  // namespace files
}  // namespace norvik
