#pragma once

#include "processor/engine/realtimeprocessor.h"

#include "host/parameterchanges.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace enginetest {

// Channel buffers of one block and the pointer arrays the engine takes.
template <typename Sample>
struct Buffers {
    Buffers(int channels, int samples)
        : in(channels, std::vector<Sample>(samples)), out(channels, std::vector<Sample>(samples)) {
        for (int j = 0; j < channels; ++j) {
            inPtr.push_back(in[j].data());
            outPtr.push_back(out[j].data());
        }
    }
    int samples() const { return static_cast<int>(in[0].size()); }

    std::vector<std::vector<Sample>> in;
    std::vector<std::vector<Sample>> out;
    std::vector<Sample*> inPtr;
    std::vector<Sample*> outPtr;
};

inline tivrandel::RealtimeProcessorConfig config(int sampleRate, int channels, float bypass = 0.0f,
                                                 float timePan = 0.5f, float levelPan = 0.5f,
                                                 float swap = 0.0f) {
    return {sampleRate, channels, {{bypass, timePan, levelPan, swap}}};
}

// One host call: parameter changes (may be null), then the audio if there is any.
template <typename Sample>
void runBlock(tivrandel::RealtimeProcessor& engine, testhost::ParameterChanges* changes,
              Buffers<Sample>& buffers, int channels = -1) {
    Steinberg::Vst::ProcessData data;
    data.inputParameterChanges = changes;
    engine.receiveParameterChanges(data);
    if (buffers.samples() > 0) {
        engine.process(buffers.inPtr.data(), buffers.outPtr.data(),
                       channels < 0 ? static_cast<int>(buffers.in.size()) : channels,
                       buffers.samples());
    }
}

inline std::uint32_t bits(float x) {
    std::uint32_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}
inline std::uint64_t bits(double x) {
    std::uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

} // namespace enginetest
