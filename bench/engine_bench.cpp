// Cost of the real-time engine per stereo frame at 48 kHz, against a plain copy of the same
// buffers. Run from a Release or RelWithDebInfo build.

#include "fastest.h"

#include "processor/engine/realtimeprocessor.h"

#include "platform/flushtozero.h"

#include "pluginterfaces/vst/ivstparameterchanges.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using Steinberg::int32;
using Steinberg::tresult;
using Steinberg::Vst::ParamID;
using Steinberg::Vst::ParamValue;

// Minimal allocation-free host queues, so that the timing contains only the engine's own work.
class Queue : public Steinberg::Vst::IParamValueQueue {
public:
    ParamID id = 0;
    std::vector<std::pair<int32, ParamValue>> points;

    ParamID PLUGIN_API getParameterId() override { return id; }
    int32 PLUGIN_API getPointCount() override { return static_cast<int32>(points.size()); }
    tresult PLUGIN_API getPoint(int32 index, int32& offset, ParamValue& value) override {
        if (index < 0 || index >= getPointCount()) {
            return Steinberg::kResultFalse;
        }
        offset = points[static_cast<std::size_t>(index)].first;
        value = points[static_cast<std::size_t>(index)].second;
        return Steinberg::kResultOk;
    }
    tresult PLUGIN_API addPoint(int32, ParamValue, int32&) override {
        return Steinberg::kResultFalse;
    }
    tresult PLUGIN_API queryInterface(const Steinberg::TUID, void**) override {
        return Steinberg::kNoInterface;
    }
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }
};

class Changes : public Steinberg::Vst::IParameterChanges {
public:
    std::vector<Queue> queues;

    int32 PLUGIN_API getParameterCount() override { return static_cast<int32>(queues.size()); }
    Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(int32 index) override {
        return index >= 0 && index < getParameterCount() ? &queues[static_cast<std::size_t>(index)]
                                                         : nullptr;
    }
    Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const ParamID&, int32&) override {
        return nullptr;
    }
    tresult PLUGIN_API queryInterface(const Steinberg::TUID, void**) override {
        return Steinberg::kNoInterface;
    }
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }
};

// Every parameter gets a point every spacing samples, moving over most of its range.
Changes automation(int32 blockSize, int32 spacing) {
    Changes changes;
    for (ParamID id = 0; id < 4; ++id) {
        Queue queue;
        queue.id = id;
        for (int32 offset = spacing - 1; offset < blockSize; offset += spacing) {
            const double phase = 0.37 * offset + id;
            queue.points.emplace_back(offset, 0.5 + 0.45 * std::sin(phase));
        }
        changes.queues.push_back(queue);
    }
    return changes;
}

template <typename Sample>
struct Stereo {
    explicit Stereo(int32 n) : in(2, std::vector<Sample>(n)), out(2, std::vector<Sample>(n)) {
        for (int32 i = 0; i < n; ++i) {
            in[0][i] = static_cast<Sample>(std::sin(0.01 * i));
            in[1][i] = static_cast<Sample>(std::cos(0.013 * i));
        }
        inPtr[0] = in[0].data();
        inPtr[1] = in[1].data();
        outPtr[0] = out[0].data();
        outPtr[1] = out[1].data();
    }
    std::vector<std::vector<Sample>> in;
    std::vector<std::vector<Sample>> out;
    Sample* inPtr[2];
    Sample* outPtr[2];
};

tivrandel::RealtimeProcessorConfig stillConfig() {
    return {48000, 2, {{0.0f, 0.7f, 0.4f, 0.0f}}};
}

void setFrameCounter(benchmark::State& state, int32 blockSize) {
    state.counters["time_per_frame"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * blockSize,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void Copy(benchmark::State& state) {
    const int32 n = static_cast<int32>(state.range(0));
    Stereo<float> buffers(n);
    for (auto _ : state) {
        for (int j = 0; j < 2; ++j) {
            std::memcpy(buffers.outPtr[j], buffers.inPtr[j], sizeof(float) * n);
        }
        benchmark::ClobberMemory();
    }
    setFrameCounter(state, n);
}

template <typename Sample>
void runEngine(benchmark::State& state, Changes* changes, bool steadyPath, bool inPlace = false,
               bool fine = false) {
    const int32 n = static_cast<int32>(state.range(0));
    Stereo<Sample> buffers(n);
    tivrandel::RealtimeProcessorConfig config = stillConfig();
    config.state.values[tivrandel::Parameters::FineDelay] = fine ? 1.0f : 0.0f;
    if (inPlace) {
        // As most hosts call: the outputs are the inputs. With the level pan centred the gains
        // are 1, so the signal goes round the buffers delayed, neither growing nor decaying.
        buffers.outPtr[0] = buffers.inPtr[0];
        buffers.outPtr[1] = buffers.inPtr[1];
        config.state.values[2] = 0.5f;
    }
    tivrandel::RealtimeProcessor engine(config);
    engine.setSteadyStatePath(steadyPath);
    Steinberg::Vst::ProcessData data;
    data.inputParameterChanges = changes;
    kelvane::platform::FlushToZeroScope ftz;
    // Let the smoothers settle on still parameters before timing.
    for (int warm = 0; warm < 48000 / n + 1; ++warm) {
        engine.receiveParameterChanges(data);
        engine.process(buffers.inPtr, buffers.outPtr, 2, n);
    }
    for (auto _ : state) {
        engine.receiveParameterChanges(data);
        engine.process(buffers.inPtr, buffers.outPtr, 2, n);
        benchmark::ClobberMemory();
    }
    setFrameCounter(state, n);
    state.counters["steady_share"] = static_cast<double>(engine.steadyStateSamples()) /
                                     (static_cast<double>(state.iterations() + 48000 / n + 1) * n);
}

void Still(benchmark::State& state) {
    runEngine<float>(state, nullptr, true);
}

void StillInPlace(benchmark::State& state) {
    runEngine<float>(state, nullptr, true, true);
}

void StillPerSample(benchmark::State& state) {
    runEngine<float>(state, nullptr, false);
}

void Automated(benchmark::State& state) {
    Changes changes = automation(static_cast<int32>(state.range(0)), 16);
    runEngine<float>(state, &changes, true);
}

// A point per parameter every 256 samples (every 5 ms at 48 kHz) or, in shorter blocks, at
// each block's end: the cost of moving parameters apart from the cost of reading points.
void AutomatedSparse(benchmark::State& state) {
    const int32 n = static_cast<int32>(state.range(0));
    Changes changes = automation(n, std::min(n, 256));
    runEngine<float>(state, &changes, true);
}

void Still64(benchmark::State& state) {
    runEngine<double>(state, nullptr, true);
}

// The same with the fine delay on: still, in place, sample by sample, and automated.
void FineStill(benchmark::State& state) {
    runEngine<float>(state, nullptr, true, false, true);
}

void FineStillInPlace(benchmark::State& state) {
    runEngine<float>(state, nullptr, true, true, true);
}

void FineStillPerSample(benchmark::State& state) {
    runEngine<float>(state, nullptr, false, false, true);
}

void FineAutomated(benchmark::State& state) {
    Changes changes = automation(static_cast<int32>(state.range(0)), 16);
    runEngine<float>(state, &changes, true, false, true);
}

void FineAutomatedSparse(benchmark::State& state) {
    const int32 n = static_cast<int32>(state.range(0));
    Changes changes = automation(n, std::min(n, 256));
    runEngine<float>(state, &changes, true, false, true);
}

void FineStill64(benchmark::State& state) {
    runEngine<double>(state, nullptr, true, false, true);
}

} // namespace

BENCHMARK(Copy)->Arg(32)->Arg(64)->Arg(256)->Arg(1024)->ComputeStatistics("min", fastest);
BENCHMARK(Still)->Arg(32)->Arg(64)->Arg(256)->Arg(1024)->ComputeStatistics("min", fastest);
BENCHMARK(StillInPlace)->Arg(32)->Arg(64)->Arg(256)->Arg(1024)->ComputeStatistics("min", fastest);
BENCHMARK(StillPerSample)->Arg(32)->Arg(64)->Arg(256)->Arg(1024)->ComputeStatistics("min", fastest);
BENCHMARK(Automated)->Arg(32)->Arg(64)->Arg(256)->Arg(1024)->ComputeStatistics("min", fastest);
BENCHMARK(AutomatedSparse)
    ->Arg(32)
    ->Arg(64)
    ->Arg(256)
    ->Arg(1024)
    ->ComputeStatistics("min", fastest);
BENCHMARK(Still64)->Arg(32)->Arg(64)->Arg(256)->Arg(1024)->ComputeStatistics("min", fastest);
BENCHMARK(FineStill)->Arg(32)->Arg(64)->Arg(256)->Arg(1024)->ComputeStatistics("min", fastest);
BENCHMARK(FineStillInPlace)->Arg(64)->Arg(1024)->ComputeStatistics("min", fastest);
BENCHMARK(FineStillPerSample)->Arg(64)->Arg(1024)->ComputeStatistics("min", fastest);
BENCHMARK(FineAutomated)->Arg(32)->Arg(64)->Arg(256)->Arg(1024)->ComputeStatistics("min", fastest);
BENCHMARK(FineAutomatedSparse)->Arg(64)->Arg(1024)->ComputeStatistics("min", fastest);
BENCHMARK(FineStill64)->Arg(64)->Arg(1024)->ComputeStatistics("min", fastest);

int main(int argc, char** argv) {
    {
        tivrandel::RealtimeProcessor engine({192000, 2, {}});
        std::printf("engine memory at 192 kHz stereo: %zu bytes (of which the shared sinc table "
                    "%zu)\n",
                    engine.memoryBytes(), tivrandel::SincTable::bytes());
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
