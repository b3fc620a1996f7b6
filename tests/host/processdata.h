#pragma once

#include "host/parameterchanges.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"

#include <memory>
#include <vector>

namespace testhost {

// What a host hands process(): one input and one output bus of owned channel buffers in 32-
// or 64-bit samples, optionally the same buffers on both sides (in place), and the block's
// input parameter changes. data() refreshes every pointer, so a test may change numSamples or
// the channel buffers between calls and still get a consistent ProcessData.
class ProcessDataBuilder {
public:
    ProcessDataBuilder(Steinberg::int32 symbolicSampleSize, Steinberg::int32 numChannels,
                       Steinberg::int32 numSamples, bool inPlace = false);

    Steinberg::Vst::ProcessData& data();
    ParameterChanges& changes() { return *parameterChanges; }
    // No IParameterChanges at all in the next data() (a host may pass none).
    void withoutChanges() { passChanges = false; }

    Steinberg::int32 numChannels() const { return channels; }
    Steinberg::int32 numSamples() const { return samples; }
    bool is64() const { return symbolicSampleSize == Steinberg::Vst::kSample64; }

    // Sample access in the block's own width, widened to double.
    void setInput(Steinberg::int32 channel, Steinberg::int32 index, double value);
    double input(Steinberg::int32 channel, Steinberg::int32 index) const;
    double output(Steinberg::int32 channel, Steinberg::int32 index) const;
    // Every input sample from f(channel, index); every output sample to value.
    template <typename F>
    void fillInput(F f) {
        for (Steinberg::int32 c = 0; c < channels; ++c) {
            for (Steinberg::int32 i = 0; i < samples; ++i) {
                setInput(c, i, f(c, i));
            }
        }
    }
    void fillOutput(double value);

    std::vector<std::vector<float>> in32, out32;
    std::vector<std::vector<double>> in64, out64;

private:
    Steinberg::int32 symbolicSampleSize;
    Steinberg::int32 channels;
    Steinberg::int32 samples;
    bool inPlace;
    bool passChanges = true;
    std::vector<float*> inPointers32, outPointers32;
    std::vector<double*> inPointers64, outPointers64;
    Steinberg::Vst::AudioBusBuffers inputBus{}, outputBus{};
    // Held apart so that the builder can be moved; data() refreshes every pointer anyway.
    std::unique_ptr<ParameterChanges> parameterChanges = std::make_unique<ParameterChanges>();
    Steinberg::Vst::ProcessData processData;
};

} // namespace testhost
