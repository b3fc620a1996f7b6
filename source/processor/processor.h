#pragma once

#include "parameters/parameters.h"
#include "processor/engine/realtimeprocessor.h"
#include "processor/processorbase.h"
#include "processor/processorstate.h"

#include <memory>

namespace tivrandel {

// The plug-in's audio processor: the framework's processor with this product's engine, bus
// names and tail.
class Processor
    : public kelvane::vst::ProcessorBase<Processor, Parameters, ProcessorState, RealtimeProcessor> {
public:
    // The class factory's creation function; the factory sets the controller class id.
    static Steinberg::FUnknown* createInstance(void* context);

    static const Steinberg::Vst::TChar* inputBusName();
    static const Steinberg::Vst::TChar* outputBusName();

    // Second stage of setupProcessing: an engine for the setup's rate and the output channels,
    // starting from the current state.
    std::unique_ptr<RealtimeProcessor> makeEngine(const Steinberg::Vst::ProcessSetup& setup,
                                                  Steinberg::int32 numChannels);

    // Five seconds at the stored sample rate.
    Steinberg::uint32 PLUGIN_API getTailSamples() override;

    // The engine's latency for these values at the stored sample rate.
    Steinberg::uint32 latencyFor(const ProcessorState& values) const;

    static constexpr double tailSeconds = 5.0;
};

} // namespace tivrandel
