// A block through the LV2 adapter against the same block through the VST3 processor as a VST3
// host calls it: the adapter's cost is what lies between the two (control ports read and
// compared, the pair's bus binding). Still parameters, and a time pan that moves every block
// (a point at offset 0 in VST3, a changed control port in LV2).

#include "fastest.h"

#include "module/classids.h"
#include "module/factory.h"
#include "wrappers/lv2/lv2plugin.h"
#include "wrappers/lv2/product.h"

#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"
#include "wrappers/common/pointchanges.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using Steinberg::int32;

struct Buffers {
    explicit Buffers(int32 n)
        : in{std::vector<float>(n), std::vector<float>(n)}, out{std::vector<float>(n),
                                                                std::vector<float>(n)} {
        for (int32 i = 0; i < n; ++i) {
            in[0][i] = 0.5f * static_cast<float>((i * 7919) % 1000) / 1000.0f - 0.25f;
            in[1][i] = 0.5f * static_cast<float>((i * 104729) % 1000) / 1000.0f - 0.25f;
        }
    }
    std::vector<float> in[2];
    std::vector<float> out[2];
};

void setFrameCounter(benchmark::State& state, int32 blockSize) {
    state.counters["time_per_frame"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * blockSize,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void runVst3(benchmark::State& state, bool moving) {
    const int32 n = static_cast<int32>(state.range(0));
    Buffers buffers(n);
    Steinberg::Vst::HostApplication host;
    const Steinberg::IPtr<Steinberg::IPluginFactory> factory(tivrandel::createFactory(), false);
    Steinberg::TUID cid;
    tivrandel::processorClassId().toTUID(cid);
    Steinberg::Vst::IComponent* created = nullptr;
    factory->createInstance(cid, Steinberg::Vst::IComponent::iid,
                            reinterpret_cast<void**>(&created));
    const auto component = Steinberg::owned(created);
    component->initialize(&host);
    Steinberg::FUnknownPtr<Steinberg::Vst::IAudioProcessor> processor(component);
    Steinberg::Vst::SpeakerArrangement stereo = Steinberg::Vst::SpeakerArr::kStereo;
    processor->setBusArrangements(&stereo, 1, &stereo, 1);
    component->activateBus(Steinberg::Vst::kAudio, Steinberg::Vst::kInput, 0, true);
    component->activateBus(Steinberg::Vst::kAudio, Steinberg::Vst::kOutput, 0, true);
    Steinberg::Vst::ProcessSetup setup{Steinberg::Vst::kRealtime, Steinberg::Vst::kSample32, n,
                                       48000.0};
    processor->setupProcessing(setup);
    component->setActive(true);
    processor->setProcessing(true);

    float* inputs[2] = {buffers.in[0].data(), buffers.in[1].data()};
    float* outputs[2] = {buffers.out[0].data(), buffers.out[1].data()};
    Steinberg::Vst::AudioBusBuffers inBus{}, outBus{};
    inBus.numChannels = outBus.numChannels = 2;
    inBus.channelBuffers32 = inputs;
    outBus.channelBuffers32 = outputs;
    kelvane::wrappers::PointChanges changes(4, 1);
    Steinberg::Vst::ProcessData data;
    data.numSamples = n;
    data.symbolicSampleSize = Steinberg::Vst::kSample32;
    data.numInputs = data.numOutputs = 1;
    data.inputs = &inBus;
    data.outputs = &outBus;
    data.inputParameterChanges = &changes;
    int block = 0;
    for (auto _ : state) {
        changes.clear();
        if (moving) {
            changes.addPoint(1, 0, (block++ & 1) ? 0.8 : 0.2);
        }
        processor->process(data);
        benchmark::ClobberMemory();
    }
    setFrameCounter(state, n);
    processor->setProcessing(false);
    component->setActive(false);
    component->terminate();
}

void runLv2(benchmark::State& state, bool moving) {
    const int32 n = static_cast<int32>(state.range(0));
    Buffers buffers(n);
    const kelvane::lv2::PluginClass pluginClass{
        &tivrandel::createFactory, tivrandel::processorClassId(), tivrandel::lv2::portLayout()};
    auto plugin = kelvane::lv2::Plugin::create(pluginClass, 48000.0, nullptr);
    float controls[4] = {1.0f, 0.0f, 0.0f, 0.0f};
    for (std::uint32_t c = 0; c < 4; ++c) {
        plugin->connectPort(kelvane::lv2::firstControlPort + c, &controls[c]);
    }
    plugin->connectPort(0, buffers.in[0].data());
    plugin->connectPort(1, buffers.in[1].data());
    plugin->connectPort(2, buffers.out[0].data());
    plugin->connectPort(3, buffers.out[1].data());
    plugin->activate();
    int block = 0;
    for (auto _ : state) {
        if (moving) {
            controls[1] = (block++ & 1) ? 60.0f : -60.0f;
        }
        plugin->run(static_cast<std::uint32_t>(n));
        benchmark::ClobberMemory();
    }
    setFrameCounter(state, n);
    plugin->deactivate();
}

void Vst3Still(benchmark::State& state) {
    runVst3(state, false);
}
void Lv2Still(benchmark::State& state) {
    runLv2(state, false);
}
void Vst3Moving(benchmark::State& state) {
    runVst3(state, true);
}
void Lv2Moving(benchmark::State& state) {
    runLv2(state, true);
}

} // namespace

BENCHMARK(Vst3Still)->Arg(256)->Arg(1024)->ComputeStatistics("min", fastest);
BENCHMARK(Lv2Still)->Arg(256)->Arg(1024)->ComputeStatistics("min", fastest);
BENCHMARK(Vst3Moving)->Arg(256)->Arg(1024)->ComputeStatistics("min", fastest);
BENCHMARK(Lv2Moving)->Arg(256)->Arg(1024)->ComputeStatistics("min", fastest);

BENCHMARK_MAIN();
