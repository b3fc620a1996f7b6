#pragma once

// What the LV2 tests share: the product's plug-in class, an LV2 instance with its port
// buffers, and the VST3 processor run as a VST3 host runs it, for comparison.

#include "host/hostedprocessor.h"
#include "host/processdata.h"

#include "module/classids.h"
#include "module/factory.h"
#include "wrappers/lv2/lv2plugin.h"
#include "wrappers/lv2/product.h"

#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace lv2test {

inline kelvane::lv2::PluginClass productClass() {
    return {&tivrandel::createFactory, tivrandel::processorClassId(), tivrandel::lv2::portLayout()};
}

// Control port values in port order: enabled, time pan, level pan, swap.
using Controls = std::array<float, 4>;
inline constexpr Controls defaults = {1.0f, 0.0f, 0.0f, 0.0f};

using Stereo = std::array<std::vector<float>, 2>;

inline Stereo noise(std::size_t frames, std::uint32_t seed = 1) {
    Stereo signal{std::vector<float>(frames), std::vector<float>(frames)};
    std::uint32_t state = seed;
    for (std::size_t i = 0; i < frames; ++i) {
        for (auto& channel : signal) {
            state = state * 1664525u + 1013904223u;
            channel[i] = static_cast<float>(static_cast<std::int32_t>(state)) / 2147483648.0f;
        }
    }
    return signal;
}

// One LV2 instance with buffers of its own connected to every port.
class Instance {
public:
    explicit Instance(double rate = 48000.0, const LV2_Feature* const* features = nullptr)
        : plugin(kelvane::lv2::Plugin::create(productClass(), rate, features)) {
        if (plugin) {
            for (std::uint32_t c = 0; c < controls.size(); ++c) {
                plugin->connectPort(kelvane::lv2::firstControlPort + c, &controls[c]);
            }
        }
    }

    // Processes the input in runs of at most runLength samples; the output of every run.
    Stereo run(const Stereo& input, std::size_t runLength) {
        const std::size_t frames = input[0].size();
        Stereo output{std::vector<float>(frames, -7.0f), std::vector<float>(frames, -7.0f)};
        for (std::size_t offset = 0; offset < frames; offset += runLength) {
            const std::size_t length = std::min(runLength, frames - offset);
            plugin->connectPort(0, const_cast<float*>(input[0].data() + offset));
            plugin->connectPort(1, const_cast<float*>(input[1].data() + offset));
            plugin->connectPort(2, output[0].data() + offset);
            plugin->connectPort(3, output[1].data() + offset);
            plugin->run(static_cast<std::uint32_t>(length));
        }
        return output;
    }

    std::unique_ptr<kelvane::lv2::Plugin> plugin;
    Controls controls = defaults;
};

// The VST3 processor as a VST3 host drives it: set up at the starting values (a block without
// samples, then a second setup, so that nothing glides), then blocks with points at offset 0.
class Vst3Reference {
public:
    Vst3Reference(double sampleRate,
                  const std::vector<std::pair<Steinberg::Vst::ParamID, double>>& start) {
        const double rate = sampleRate;
        processor.setup(rate);
        if (!start.empty()) {
            testhost::ProcessDataBuilder block(Steinberg::Vst::kSample32, 2, 0);
            for (const auto& [id, value] : start) {
                block.changes().add(id, 0, value);
            }
            processor->process(block.data());
            processor.setup(rate);
        }
    }

    Stereo process(const Stereo& input,
                   const std::vector<std::pair<Steinberg::Vst::ParamID, double>>& points = {}) {
        const auto frames = static_cast<Steinberg::int32>(input[0].size());
        testhost::ProcessDataBuilder block(Steinberg::Vst::kSample32, 2, frames);
        block.fillInput([&](Steinberg::int32 c, Steinberg::int32 i) {
            return static_cast<double>(input[c][i]);
        });
        for (const auto& [id, value] : points) {
            block.changes().add(id, 0, value);
        }
        processor->process(block.data());
        return {block.out32[0], block.out32[1]};
    }

    testhost::HostedProcessor processor;
};

} // namespace lv2test
