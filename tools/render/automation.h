#pragma once

// Parameter automation given on the command line: breakpoints in seconds with linear ramps
// between them, turned into the sample-accurate points a host sends with each block.

#include "pluginterfaces/vst/vsttypes.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace render {

struct Breakpoint {
    double seconds;
    double value; // normalized, in [0, 1]
};

// The parameter a command-line name stands for; false for an unknown name.
bool parameterIdOf(const std::string& name, Steinberg::Vst::ParamID& id);
// The names accepted, for messages.
const char* parameterNames();

// "NAME=time:value,time:value,..." with times that never decrease. Throws
// std::invalid_argument with a message that names what is wrong.
struct ParamAutomation {
    Steinberg::Vst::ParamID id;
    std::vector<Breakpoint> breakpoints;
};
ParamAutomation parseAutomation(const std::string& text);

// One parameter's automation at a sample rate. Breakpoints fall on the nearest sample; between
// two of them the value ramps linearly, before the first and after the last it holds. Several
// breakpoints on one sample make a jump there: the sample takes the last of their values.
// Throws std::invalid_argument for a time whose sample position does not fit in 64 bits.
class AutomationCurve {
public:
    AutomationCurve(const ParamAutomation& parsed, double sampleRate);

    Steinberg::Vst::ParamID id() const { return parameter; }
    double valueAt(std::int64_t sample) const;

    // The points for the block of numSamples samples starting at sample start: one every
    // `spacing` samples from the block's start, the block's last sample (so the next block
    // continues the ramp instead of jumping), every breakpoint and the sample before a jump.
    // Offsets ascend and are unique.
    std::vector<std::pair<Steinberg::int32, double>>
    pointsFor(std::int64_t start, Steinberg::int32 numSamples, Steinberg::int32 spacing) const;

private:
    struct Knot {
        std::int64_t sample;
        double first; // the value the ramp from the previous knot arrives at
        double last;  // the value from this sample on
    };

    Steinberg::Vst::ParamID parameter;
    std::vector<Knot> knots;
};

} // namespace render
