// Cost of a stereo block at 48 kHz through the CLAP adapter against the same block through the
// VST3 processor, with parameters still and with every parameter changing every 16 samples
// or every 256 (as CLAP steps, and as the VST3 points they stand for). Run from a Release build:
//     build/release/bench/clap_bench --benchmark_repetitions=9
//     --benchmark_report_aggregates_only=true

#include "fastest.h"

#include "module/classids.h"
#include "module/factory.h"
#include "processor/processor.h"
#include "wrappers/clap/clapplugin.h"
#include "wrappers/common/pointchanges.h"

#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

double valueAt(int offset, clap_id id) {
    const double v = 0.5 + 0.45 * std::sin(0.37 * offset + id);
    return id == 0 || id == 3 ? (v > 0.5 ? 1.0 : 0.0) : v;
}

struct Events {
    std::vector<clap_event_param_value_t> events;
    clap_input_events_t list{};
    Events(int frames, int spacing) {
        if (spacing > 0) {
            for (int t = spacing - 1; t < frames; t += spacing) {
                for (clap_id id = 0; id < 4; ++id) {
                    clap_event_param_value_t event{};
                    event.header = {sizeof(event), static_cast<uint32_t>(t),
                                    CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
                    event.param_id = id;
                    event.note_id = -1;
                    event.port_index = event.channel = event.key = -1;
                    event.value = valueAt(t, id);
                    events.push_back(event);
                }
            }
        }
        list.ctx = this;
        list.size = [](const clap_input_events_t* l) {
            return static_cast<uint32_t>(static_cast<const Events*>(l->ctx)->events.size());
        };
        list.get = [](const clap_input_events_t* l, uint32_t i) -> const clap_event_header_t* {
            return &static_cast<const Events*>(l->ctx)->events[i].header;
        };
    }
};

const clap_output_events_t noOutput = {
    nullptr, [](const clap_output_events_t*, const clap_event_header_t*) { return true; }};

void hostCallback(const clap_host_t*) {}
const void* hostExtension(const clap_host_t*, const char*) {
    return nullptr;
}

void ThroughClap(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    const int spacing = static_cast<int>(state.range(1));
    clap_host_t host{CLAP_VERSION_INIT, nullptr,       "bench",       "",           "", "1",
                     &hostExtension,    &hostCallback, &hostCallback, &hostCallback};
    const clap_plugin_descriptor_t descriptor = {
        CLAP_VERSION_INIT, "bench", "bench", "", "", "", "", "1", "", nullptr};
    IPtr<IPluginFactory> factory = owned(tivrandel::createFactory());
    TUID cid;
    tivrandel::processorClassId().toTUID(cid);
    const clap_plugin_t* plugin =
        kelvane::wrappers::clap::createPlugin(&descriptor, &host, factory, cid);
    plugin->init(plugin);
    plugin->activate(plugin, 48000.0, 1, static_cast<uint32_t>(frames));
    plugin->start_processing(plugin);
    std::vector<float> left(static_cast<size_t>(frames), 0.25f), right(left);
    float* channels[2] = {left.data(), right.data()};
    clap_audio_buffer_t in{channels, nullptr, 2, 0, 0};
    clap_audio_buffer_t out{channels, nullptr, 2, 0, 0};
    Events events(frames, spacing);
    clap_process_t process{
        0, static_cast<uint32_t>(frames), nullptr, &in, &out, 1, 1, &events.list, &noOutput};
    for (auto _ : state) {
        plugin->process(plugin, &process);
        benchmark::DoNotOptimize(left.data());
        benchmark::ClobberMemory();
    }
    plugin->destroy(plugin);
}

void ThroughVst3(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    const int spacing = static_cast<int>(state.range(1));
    HostApplication context;
    IPtr<tivrandel::Processor> processor = owned(new tivrandel::Processor);
    processor->initialize(&context);
    ProcessSetup setup{kRealtime, kSample32, frames, 48000.0};
    processor->setupProcessing(setup);
    processor->setActive(true);
    processor->setProcessing(true);
    // The points the CLAP steps stand for, made once as a host would hand them.
    kelvane::wrappers::PointChanges changes(4, 2 * frames + 2);
    if (spacing > 0) {
        for (clap_id id = 0; id < 4; ++id) {
            // Every block repeats the same events, so each starts from the last one's value.
            int last = spacing - 1;
            while (last + spacing < frames)
                last += spacing;
            double previous = valueAt(last, id);
            for (int t = spacing - 1; t < frames; t += spacing) {
                changes.addPoint(id, t - 1, previous);
                previous = valueAt(t, id);
                changes.addPoint(id, t, previous);
            }
        }
    }
    std::vector<float> left(static_cast<size_t>(frames), 0.25f), right(left);
    float* channels[2] = {left.data(), right.data()};
    AudioBusBuffers in{};
    AudioBusBuffers out{};
    in.numChannels = out.numChannels = 2;
    in.channelBuffers32 = channels;
    out.channelBuffers32 = channels;
    ProcessData data;
    data.processMode = kRealtime;
    data.symbolicSampleSize = kSample32;
    data.numSamples = frames;
    data.numInputs = data.numOutputs = 1;
    data.inputs = &in;
    data.outputs = &out;
    data.inputParameterChanges = &changes;
    for (auto _ : state) {
        processor->process(data);
        benchmark::DoNotOptimize(left.data());
        benchmark::ClobberMemory();
    }
    processor->setProcessing(false);
    processor->setActive(false);
    processor->terminate();
}

void blocks(benchmark::internal::Benchmark* b) {
    for (int frames : {256, 1024})
        for (int spacing : {0, 256, 16})
            b->Args({frames, spacing});
    // spacing 0: no events; otherwise one for each parameter every spacing samples.
    b->ArgNames({"frames", "spacing"});
    b->ComputeStatistics("min", fastest);
}

BENCHMARK(ThroughVst3)->Apply(blocks);
BENCHMARK(ThroughClap)->Apply(blocks);

} // namespace

BENCHMARK_MAIN();
