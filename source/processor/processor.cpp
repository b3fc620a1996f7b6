#include "processor/processor.h"

#include <cmath>

namespace tivrandel {

Steinberg::FUnknown* Processor::createInstance(void* /*context*/) {
    return static_cast<Steinberg::Vst::IAudioProcessor*>(new Processor);
}

const Steinberg::Vst::TChar* Processor::inputBusName() {
    return STR16("Stereo In");
}

const Steinberg::Vst::TChar* Processor::outputBusName() {
    return STR16("Stereo Out");
}

std::unique_ptr<RealtimeProcessor> Processor::makeEngine(const Steinberg::Vst::ProcessSetup& setup,
                                                         Steinberg::int32 numChannels) {
    // The base has checked that the rate truncates into [1, int32 max].
    const RealtimeProcessorConfig config{Steinberg::int32(setup.sampleRate), numChannels, state};
    return std::make_unique<RealtimeProcessor>(config);
}

Steinberg::uint32 Processor::latencyFor(const ProcessorState& values) const {
    return RealtimeProcessor::latencyFor(values, processSetup.sampleRate);
}

Steinberg::uint32 PLUGIN_API Processor::getTailSamples() {
    // Rates near the top of the int32 range would overflow a 32-bit sample count; the longest
    // finite tail stands in for those.
    constexpr double longest = double(Steinberg::Vst::kInfiniteTail - 1);
    const double samples = std::trunc(processSetup.sampleRate * tailSeconds);
    if (!(samples >= 0.0)) {
        return Steinberg::Vst::kNoTail;
    }
    return samples >= longest ? Steinberg::Vst::kInfiniteTail - 1 : Steinberg::uint32(samples);
}

} // namespace tivrandel
