#include "wrappers/lv2/product.h"

#include "parameters/parameters.h"
#include "processor/engine/realtimeprocessor.h"
#include "processor/processorstate.h"

#include <iterator>

namespace tivrandel::lv2 {

namespace {

using kelvane::lv2::ControlKind;
using kelvane::lv2::ControlPort;

// The bypass first, so that hosts that list controls in port order show it apart from the
// three controls of the editor, which follow in the editor's order; later parameters are
// appended, so that every earlier port keeps its index.
const ControlPort controls[] = {
    {"enabled", "Enabled", Parameters::Bypass, ControlKind::Enabled},
    {"time_pan", "Time Pan", Parameters::TimePan, ControlKind::Pan},
    {"level_pan", "Level Pan", Parameters::LevelPan, ControlKind::Pan},
    {"swap", "Swap Channels", Parameters::SwapChannels, ControlKind::Switch},
    {"fine_delay", "Fine Delay", Parameters::FineDelay, ControlKind::Switch},
};

// The processor's own rule, on the values the ports hand it.
std::uint32_t latency(const double* values, double sampleRate) noexcept {
    ProcessorState state;
    for (std::size_t i = 0; i < std::size(controls); ++i) {
        state.values[controls[i].id] = static_cast<float>(values[i]);
    }
    return RealtimeProcessor::latencyFor(state, sampleRate);
}

} // namespace

kelvane::lv2::PortLayout portLayout() {
    // The fine delay's latency is the same at every rate that has one.
    return {controls, std::size(controls), &latency,
            static_cast<std::uint32_t>(RealtimeProcessor::fineLatency(48000))};
}

} // namespace tivrandel::lv2
