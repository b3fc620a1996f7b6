#pragma once

#include "parameters/parameters.h"

namespace tivrandel {

// The processor's normalized parameter values, in id order, as 32-bit floats.
struct ProcessorState {
    float values[Parameters::count] = {0.0f, 0.5f, 0.5f, 0.0f, 0.0f};
};

} // namespace tivrandel
