// Feeds arbitrary bytes to a set-up processor's setState. A load either succeeds, after which
// the saved state loads back to itself byte for byte and audio still runs with finite output,
// or fails leaving the defaults in place.
#include "processor/processor.h"

#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using Steinberg::kResultOk;

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::string saved(tivrandel::Processor& processor) {
    Steinberg::MemoryStream stream;
    check(processor.getState(&stream) == kResultOk);
    return std::string(stream.getData(), std::size_t(stream.getSize()));
}

// One short stereo block of a constant input; every output sample must be finite.
void runBlock(tivrandel::Processor& processor) {
    float left[32], right[32], outLeft[32], outRight[32];
    for (int i = 0; i < 32; ++i) {
        left[i] = 0.5f;
        right[i] = -0.25f;
    }
    float* in[2] = {left, right};
    float* out[2] = {outLeft, outRight};
    Steinberg::Vst::AudioBusBuffers input{}, output{};
    input.numChannels = output.numChannels = 2;
    input.channelBuffers32 = in;
    output.channelBuffers32 = out;
    Steinberg::Vst::ProcessData data;
    data.numSamples = 32;
    data.numInputs = data.numOutputs = 1;
    data.inputs = &input;
    data.outputs = &output;
    check(processor.process(data) == kResultOk);
    for (int i = 0; i < 32; ++i) {
        check(std::isfinite(outLeft[i]) && std::isfinite(outRight[i]));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Its reference count always answers 1: it must outlive every processor.
    static Steinberg::Vst::HostApplication host;
    auto processor = Steinberg::owned(new tivrandel::Processor);
    check(processor->initialize(&host) == kResultOk);
    Steinberg::Vst::ProcessSetup setup{Steinberg::Vst::kRealtime, Steinberg::Vst::kSample32, 1024,
                                       48000.0};
    check(processor->setupProcessing(setup) == kResultOk);
    const std::string defaults = saved(*processor);

    Steinberg::MemoryStream input(const_cast<std::uint8_t*>(data), Steinberg::TSize(size));
    const bool loaded = processor->setState(&input) == kResultOk;
    const std::string first = saved(*processor);
    if (loaded) {
        Steinberg::MemoryStream again(const_cast<char*>(first.data()),
                                      Steinberg::TSize(first.size()));
        check(processor->setState(&again) == kResultOk);
        check(saved(*processor) == first);
    } else {
        check(first == defaults);
    }
    runBlock(*processor);
    processor->terminate();
    return 0;
}
