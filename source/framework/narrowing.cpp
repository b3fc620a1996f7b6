#include "framework/narrowing.h"

#include <cfloat>
#include <limits>

namespace kelvane::vst {

float narrowToFloat(double value) {
    if (value > static_cast<double>(FLT_MAX)) {
        return std::numeric_limits<float>::infinity();
    }
    if (value < -static_cast<double>(FLT_MAX)) {
        return -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}

} // namespace kelvane::vst
