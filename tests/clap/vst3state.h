#pragma once

// What the VST3 processor saves after a VST3 host set values on it the way such a host does:
// with blocks carrying them. The CLAP plug-in's save is compared with it byte for byte.

#include "pluginterfaces/vst/vsttypes.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace claphost {

// Normalized values of parameters, each handed to the processor as a point at offset 0.
using Values = std::vector<std::pair<Steinberg::Vst::ParamID, double>>;

// The processor's getState after it loaded `loaded` (when not empty), was set up and given one
// block of no samples for each entry of blocks, in order.
std::vector<std::uint8_t> vst3StateAfter(const std::vector<Values>& blocks,
                                         const std::vector<std::uint8_t>& loaded = {});

} // namespace claphost
