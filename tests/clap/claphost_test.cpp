// Tivrandel.clap through the CLAP ABI only: its one export, the factory, the plug-in and its
// extensions, against the VST3 processor and controller of the same sources.

#include "clap/claphost.h"
#include "clap/vst3state.h"

#include "host/hostedprocessor.h"
#include "host/parameterchanges.h"
#include "host/streams.h"
#include "module/classids.h"
#include "module/factory.h"
#include "module/version.h"

#include "clap/ext/audio-ports.h"
#include "clap/ext/latency.h"

#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "public.sdk/source/common/memorystream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace claphost;
using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr const char* pluginId = "com.kelvane.tivrandel";

// One plug-in made, initialized and destroyed at the end.
struct Instance {
    explicit Instance(const Module& module, Host& host) {
        plugin = module.factory()->create_plugin(module.factory(), host.clap(), pluginId);
        initialized = plugin && plugin->init(plugin);
    }
    ~Instance() {
        if (plugin)
            plugin->destroy(plugin);
    }
    const clap_plugin_t* operator->() const { return plugin; }
    const clap_plugin_t* plugin = nullptr;
    bool initialized = false;
};

const clap_plugin_params_t* params(const clap_plugin_t* plugin) {
    return extension<clap_plugin_params_t>(plugin, CLAP_EXT_PARAMS);
}

std::vector<std::uint8_t> save(const clap_plugin_t* plugin) {
    OutputStream out;
    const auto* state = extension<clap_plugin_state_t>(plugin, CLAP_EXT_STATE);
    EXPECT_TRUE(state && state->save(plugin, out.stream()));
    return out.bytes;
}

bool load(const clap_plugin_t* plugin, const std::vector<std::uint8_t>& bytes) {
    InputStream in(bytes);
    return extension<clap_plugin_state_t>(plugin, CLAP_EXT_STATE)->load(plugin, in.stream());
}

std::string utf8(const String128 text) {
    std::string result;
    for (int i = 0; i < 128 && text[i]; ++i) {
        result += static_cast<char>(text[i]); // the controller's texts are ASCII
    }
    return result;
}

// The VST3 controller of the module's own factory.
struct Vst3Controller {
    Vst3Controller() {
        factory = owned(tivrandel::createFactory());
        TUID cid;
        tivrandel::controllerClassId().toTUID(cid);
        IEditController* made = nullptr;
        factory->createInstance(cid, IEditController::iid, reinterpret_cast<void**>(&made));
        controller = owned(made);
        controller->initialize(&context);
    }
    ~Vst3Controller() { controller->terminate(); }
    HostApplication context;
    IPtr<IPluginFactory> factory;
    IPtr<IEditController> controller;
};

class ClapHost : public ::testing::Test {
protected:
    Module module{modulePath()};
    Host host;
};

TEST_F(ClapHost, EntryFactoryAndDescriptor) {
    ASSERT_TRUE(module.loaded()) << modulePath();
    EXPECT_TRUE(clap_version_is_compatible(module.entry()->clap_version));
    EXPECT_EQ(module.entry()->get_factory("clap.unknown-factory"), nullptr);
    const clap_plugin_factory_t* factory = module.factory();
    ASSERT_EQ(factory->get_plugin_count(factory), 1u);
    EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
    const clap_plugin_descriptor_t* descriptor = factory->get_plugin_descriptor(factory, 0);
    ASSERT_NE(descriptor, nullptr);
    EXPECT_STREQ(descriptor->id, pluginId);
    EXPECT_STREQ(descriptor->name, "Tivrandel");
    EXPECT_STREQ(descriptor->vendor, "Kelvane");
    EXPECT_STREQ(descriptor->version, TIVRANDEL_VERSION);
    EXPECT_STREQ(descriptor->url, "https://kelvane.example");
    std::vector<std::string> features;
    for (const char** feature = descriptor->features; *feature; ++feature) {
        features.push_back(*feature);
    }
    EXPECT_EQ(features, (std::vector<std::string>{"audio-effect", "stereo", "utility", "mixing"}));
    EXPECT_EQ(factory->create_plugin(factory, host.clap(), "com.kelvane.other"), nullptr);
    EXPECT_EQ(factory->create_plugin(factory, nullptr, pluginId), nullptr);
}

TEST_F(ClapHost, ThreadingOrderFromInitToDestroy) {
    ASSERT_TRUE(module.loaded());
    {
        // Made and destroyed without init.
        const clap_plugin_t* plugin =
            module.factory()->create_plugin(module.factory(), host.clap(), pluginId);
        ASSERT_NE(plugin, nullptr);
        plugin->destroy(plugin);
    }
    Instance plugin(module, host);
    ASSERT_TRUE(plugin.initialized);
    EXPECT_FALSE(plugin->start_processing(plugin.plugin)); // not active
    EXPECT_FALSE(plugin->activate(plugin.plugin, 48000.0, 1, 0));
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(plugin->activate(plugin.plugin, 48000.0 + round * 48000.0, 1, 256));
        EXPECT_FALSE(plugin->activate(plugin.plugin, 48000.0, 1, 256)); // already active
        ASSERT_TRUE(plugin->start_processing(plugin.plugin));
        std::vector<float> left(256, 0.25f), right(256, -0.5f);
        float* channels[2] = {left.data(), right.data()};
        clap_audio_buffer_t in{channels, nullptr, 2, 0, 0};
        clap_audio_buffer_t out{channels, nullptr, 2, 0, 0};
        InputEvents events;
        OutputEvents outEvents;
        clap_process_t process{0, 256, nullptr, &in, &out, 1, 1, events.list(), outEvents.list()};
        EXPECT_EQ(plugin->process(plugin.plugin, &process), CLAP_PROCESS_CONTINUE);
        process.frames_count = 257; // more than announced
        EXPECT_EQ(plugin->process(plugin.plugin, &process), CLAP_PROCESS_ERROR);
        process.frames_count = 16;
        process.audio_inputs_count = 0;
        EXPECT_EQ(plugin->process(plugin.plugin, &process), CLAP_PROCESS_ERROR);
        plugin->reset(plugin.plugin);
        plugin->stop_processing(plugin.plugin);
        plugin->deactivate(plugin.plugin);
    }
    // Destroyed while active: it winds down itself.
    ASSERT_TRUE(plugin->activate(plugin.plugin, 44100.0, 1, 64));
    ASSERT_TRUE(plugin->start_processing(plugin.plugin));
}

TEST_F(ClapHost, AudioPortsLatencyTailAndRender) {
    ASSERT_TRUE(module.loaded());
    Instance plugin(module, host);
    ASSERT_TRUE(plugin.initialized);
    const auto* ports = extension<clap_plugin_audio_ports_t>(plugin.plugin, CLAP_EXT_AUDIO_PORTS);
    ASSERT_NE(ports, nullptr);
    for (bool input : {true, false}) {
        ASSERT_EQ(ports->count(plugin.plugin, input), 1u);
        clap_audio_port_info_t info{};
        ASSERT_TRUE(ports->get(plugin.plugin, 0, input, &info));
        EXPECT_EQ(info.channel_count, 2u);
        EXPECT_STREQ(info.port_type, CLAP_PORT_STEREO);
        EXPECT_TRUE(info.flags & CLAP_AUDIO_PORT_IS_MAIN);
        EXPECT_TRUE(info.flags & CLAP_AUDIO_PORT_SUPPORTS_64BITS);
        EXPECT_EQ(info.in_place_pair, 0u);
        EXPECT_FALSE(ports->get(plugin.plugin, 1, input, &info));
    }
    const auto* latency = extension<clap_plugin_latency_t>(plugin.plugin, CLAP_EXT_LATENCY);
    const auto* tail = extension<clap_plugin_tail_t>(plugin.plugin, CLAP_EXT_TAIL);
    const auto* render = extension<clap_plugin_render_t>(plugin.plugin, CLAP_EXT_RENDER);
    ASSERT_TRUE(latency && tail && render);
    ASSERT_TRUE(plugin->activate(plugin.plugin, 96000.0, 1, 512));
    EXPECT_EQ(latency->get(plugin.plugin), 0u);
    // The VST3 processor's tail at the same rate.
    testhost::HostedProcessor processor;
    ASSERT_EQ(processor.setup(96000.0), kResultOk);
    EXPECT_EQ(tail->get(plugin.plugin), processor->getTailSamples());
    plugin->deactivate(plugin.plugin);
    EXPECT_FALSE(render->has_hard_realtime_requirement(plugin.plugin));
    EXPECT_TRUE(render->set(plugin.plugin, CLAP_RENDER_OFFLINE));
    EXPECT_TRUE(render->set(plugin.plugin, CLAP_RENDER_REALTIME));
    EXPECT_FALSE(render->set(plugin.plugin, 7));
    EXPECT_EQ(plugin->get_extension(plugin.plugin, "clap.unknown"), nullptr);
    EXPECT_EQ(plugin->get_extension(plugin.plugin, "clap.note-ports"), nullptr);
}

TEST_F(ClapHost, ParametersAreTheVst3Ones) {
    ASSERT_TRUE(module.loaded());
    Instance plugin(module, host);
    ASSERT_TRUE(plugin.initialized);
    Vst3Controller vst3;
    const auto* p = params(plugin.plugin);
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->count(plugin.plugin), static_cast<uint32_t>(vst3.controller->getParameterCount()));
    ASSERT_EQ(p->count(plugin.plugin), 5u);
    for (uint32_t i = 0; i < 5; ++i) {
        clap_param_info_t info{};
        ASSERT_TRUE(p->get_info(plugin.plugin, i, &info));
        ParameterInfo expected{};
        ASSERT_EQ(vst3.controller->getParameterInfo(static_cast<int32>(i), expected), kResultOk);
        EXPECT_EQ(info.id, expected.id);
        EXPECT_EQ(utf8(expected.title), info.name);
        const bool stepped = expected.stepCount > 0;
        EXPECT_EQ((info.flags & CLAP_PARAM_IS_STEPPED) != 0, stepped);
        EXPECT_EQ((info.flags & CLAP_PARAM_IS_BYPASS) != 0, info.id == 0);
        EXPECT_EQ((info.flags & CLAP_PARAM_IS_AUTOMATABLE) != 0,
                  (expected.flags & ParameterInfo::kCanAutomate) != 0);
        EXPECT_EQ(info.min_value, 0.0);
        EXPECT_EQ(info.max_value, stepped ? expected.stepCount : 1.0);
        const double scale = stepped ? expected.stepCount : 1.0;
        EXPECT_EQ(info.default_value, expected.defaultNormalizedValue * scale);
        double value = -1;
        ASSERT_TRUE(p->get_value(plugin.plugin, info.id, &value));
        EXPECT_EQ(value, info.default_value);
    }
    clap_param_info_t info{};
    EXPECT_FALSE(p->get_info(plugin.plugin, 5, &info));
    double value = 0;
    EXPECT_FALSE(p->get_value(plugin.plugin, 9, &value));
}

TEST_F(ClapHost, TextsRoundTripThroughTheController) {
    ASSERT_TRUE(module.loaded());
    Instance plugin(module, host);
    ASSERT_TRUE(plugin.initialized);
    Vst3Controller vst3;
    const auto* p = params(plugin.plugin);
    for (uint32_t i = 0; i < 5; ++i) {
        clap_param_info_t info{};
        ASSERT_TRUE(p->get_info(plugin.plugin, i, &info));
        const bool stepped = info.flags & CLAP_PARAM_IS_STEPPED;
        std::vector<double> values;
        if (stepped) {
            values = {0.0, info.max_value};
        } else {
            for (int k = 0; k <= 20; ++k)
                values.push_back(k / 20.0);
            values.push_back(0.123456);
        }
        for (double v : values) {
            char text[256] = {};
            ASSERT_TRUE(p->value_to_text(plugin.plugin, info.id, v, text, sizeof(text)));
            String128 wide{};
            ASSERT_EQ(vst3.controller->getParamStringByValue(info.id, v / info.max_value, wide),
                      kResultOk);
            EXPECT_EQ(std::string(text), utf8(wide)) << "parameter " << info.id;
            // Whatever the controller makes of its own text, the plug-in answers the same.
            ParamValue direct = -1;
            const bool parsed =
                vst3.controller->getParamValueByString(info.id, wide, direct) == kResultOk;
            double back = -1;
            ASSERT_EQ(p->text_to_value(plugin.plugin, info.id, text, &back), parsed) << text;
            if (parsed) {
                EXPECT_DOUBLE_EQ(back, stepped ? std::round(direct * info.max_value) : direct);
                // And the text of what it read is the controller's text of it.
                char again[256] = {};
                ASSERT_TRUE(p->value_to_text(plugin.plugin, info.id, back, again, sizeof(again)));
                String128 wideAgain{};
                ASSERT_EQ(vst3.controller->getParamStringByValue(info.id, direct, wideAgain),
                          kResultOk);
                EXPECT_EQ(std::string(again), utf8(wideAgain));
            }
        }
        // A short buffer gets a cut, terminated text.
        char tiny[3] = {'x', 'x', 'x'};
        ASSERT_TRUE(p->value_to_text(plugin.plugin, info.id, 0.0, tiny, sizeof(tiny)));
        EXPECT_LT(std::strlen(tiny), sizeof(tiny));
    }
    char text[64];
    EXPECT_FALSE(p->value_to_text(plugin.plugin, 77, 0.5, text, sizeof(text)));
    double value = 0;
    EXPECT_FALSE(p->text_to_value(plugin.plugin, 77, "1", &value));
    EXPECT_FALSE(p->text_to_value(plugin.plugin, 1, "not a value at all", &value) &&
                 !std::isfinite(value));
}

TEST_F(ClapHost, StateIsTheVst3ProcessorsBlob) {
    ASSERT_TRUE(module.loaded());
    Instance plugin(module, host);
    Instance other(module, host);
    ASSERT_TRUE(plugin.initialized && other.initialized);

    testhost::HostedProcessor processor;
    IPtr<MemoryStream> blob = owned(new MemoryStream());
    ASSERT_EQ(processor->getState(blob), kResultOk);
    const std::vector<std::uint8_t> vst3Default(
        reinterpret_cast<const std::uint8_t*>(blob->getData()),
        reinterpret_cast<const std::uint8_t*>(blob->getData()) + blob->getSize());
    EXPECT_EQ(save(plugin.plugin), vst3Default);

    // Values set by a flush while inactive are in the saved state.
    InputEvents events;
    events.addValue(0, 1, 0.75);
    events.addValue(0, 3, 1.0);
    OutputEvents out;
    params(plugin.plugin)->flush(plugin.plugin, events.list(), out.list());
    ASSERT_TRUE(plugin->activate(plugin.plugin, 48000.0, 1, 64));
    ASSERT_TRUE(plugin->start_processing(plugin.plugin));
    std::vector<float> left(64), right(64);
    float* channels[2] = {left.data(), right.data()};
    clap_audio_buffer_t in{channels, nullptr, 2, 0, 0};
    clap_audio_buffer_t audioOut{channels, nullptr, 2, 0, 0};
    InputEvents none;
    clap_process_t process{0, 64, nullptr, &in, &audioOut, 1, 1, none.list(), out.list()};
    ASSERT_EQ(plugin->process(plugin.plugin, &process), CLAP_PROCESS_CONTINUE);
    const std::vector<std::uint8_t> edited = save(plugin.plugin);
    EXPECT_NE(edited, vst3Default);

    // The blob moves between formats: the VST3 processor takes it and writes it back the same.
    IPtr<MemoryStream> moved = owned(new MemoryStream());
    int32 written = 0;
    moved->write(const_cast<std::uint8_t*>(edited.data()), static_cast<int32>(edited.size()),
                 &written);
    moved->seek(0, IBStream::kIBSeekSet, nullptr);
    ASSERT_EQ(processor->setState(moved), kResultOk);
    IPtr<MemoryStream> back = owned(new MemoryStream());
    ASSERT_EQ(processor->getState(back), kResultOk);
    EXPECT_EQ(std::vector<std::uint8_t>(reinterpret_cast<const std::uint8_t*>(back->getData()),
                                        reinterpret_cast<const std::uint8_t*>(back->getData()) +
                                            back->getSize()),
              edited);

    host.rescans = 0;
    ASSERT_TRUE(load(other.plugin, edited));
    EXPECT_GE(host.rescans, 1);
    EXPECT_EQ(save(other.plugin), edited);
    double value = 0;
    ASSERT_TRUE(params(other.plugin)->get_value(other.plugin, 1, &value));
    EXPECT_EQ(static_cast<float>(value), 0.75f);
    ASSERT_TRUE(params(other.plugin)->get_value(other.plugin, 3, &value));
    EXPECT_EQ(value, 1.0);

    // Refusals change nothing.
    EXPECT_FALSE(load(other.plugin, {}));
    EXPECT_FALSE(load(other.plugin, {'{', 'x'}));
    std::vector<std::uint8_t> cut(edited.begin(), edited.begin() + edited.size() / 2);
    EXPECT_FALSE(load(other.plugin, cut));
    InputStream failing(edited);
    failing.failing = true;
    EXPECT_FALSE(extension<clap_plugin_state_t>(other.plugin, CLAP_EXT_STATE)
                     ->load(other.plugin, failing.stream()));
    EXPECT_EQ(save(other.plugin), edited);
    ASSERT_TRUE(params(other.plugin)->get_value(other.plugin, 1, &value));
    EXPECT_EQ(static_cast<float>(value), 0.75f);
}

// --- Audio ------------------------------------------------------------------------------------

struct Event {
    uint32_t time;
    clap_id id;
    double value; // CLAP value: normalized, or the step of a stepped parameter
};

// The VST3 processor rendering the points that the CLAP events stand for.
class Vst3Render {
public:
    // Set up after loading `loaded` (when given), whose engine then starts at its values.
    Vst3Render(double rate, int32 maxBlock, bool wideSamples,
               const std::vector<std::uint8_t>& loaded = {})
        : wide(wideSamples), setup{kRealtime, wide ? kSample64 : kSample32, maxBlock, rate} {
        if (!loaded.empty()) {
            EXPECT_EQ(
                processor->setState(testhost::streamOf(std::string(loaded.begin(), loaded.end()))),
                kResultOk);
        }
        start();
        previous = {0.0, 0.5, 0.5, 0.0};
    }
    ~Vst3Render() { stop(); }
    // As a host deactivates and activates again: a new engine from the latest values.
    void restart() {
        stop();
        start();
    }

    template <typename Sample>
    void process(std::vector<Sample>* in, std::vector<Sample>* out, int32 frames,
                 const std::vector<Event>& events) {
        testhost::ParameterChanges changes;
        std::vector<std::vector<std::pair<int32, double>>> points(4);
        for (const Event& event : events) {
            if (event.id > 3)
                continue;
            auto& list = points[event.id];
            const double value = event.id == 0 || event.id == 3 ? event.value : event.value;
            const auto t = static_cast<int32>(event.time);
            if (!list.empty() && list.back().first == t) {
                list.back().second = value; // the last event at a sample counts
            } else {
                if (t > 0 && (list.empty() || list.back().first != t - 1))
                    list.push_back({t - 1, previous[event.id]});
                list.push_back({t, value});
            }
            previous[event.id] = value;
        }
        for (ParamID id = 0; id < 4; ++id) {
            for (const auto& [offset, value] : points[id])
                changes.add(id, offset, value);
        }
        Sample* inputs[2] = {in[0].data(), in[1].data()};
        Sample* outputs[2] = {out[0].data(), out[1].data()};
        AudioBusBuffers inputBus{};
        AudioBusBuffers outputBus{};
        inputBus.numChannels = outputBus.numChannels = 2;
        if constexpr (sizeof(Sample) == 8) {
            inputBus.channelBuffers64 = inputs;
            outputBus.channelBuffers64 = outputs;
        } else {
            inputBus.channelBuffers32 = inputs;
            outputBus.channelBuffers32 = outputs;
        }
        ProcessData data;
        data.processMode = kRealtime;
        data.symbolicSampleSize = wide ? kSample64 : kSample32;
        data.numSamples = frames;
        data.numInputs = data.numOutputs = 1;
        data.inputs = &inputBus;
        data.outputs = &outputBus;
        data.inputParameterChanges = &changes;
        ASSERT_EQ(processor->process(data), kResultOk);
    }

private:
    void start() {
        EXPECT_EQ(processor->setupProcessing(setup), kResultOk);
        processor->setActive(true);
        processor->setProcessing(true);
    }
    void stop() {
        processor->setProcessing(false);
        processor->setActive(false);
    }

    testhost::HostedProcessor processor;
    bool wide;
    ProcessSetup setup;
    std::vector<double> previous;
};

// Up to seven events of a block of frames samples (none when empty), at random samples (several
// at some), in time order.
std::vector<Event> randomEvents(std::mt19937& random, uint32_t frames, bool empty) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<Event> events;
    const int count = empty ? 0 : static_cast<int>(random() % 8);
    for (int k = 0; k < count; ++k) {
        const auto id = static_cast<clap_id>(random() % 4);
        const bool stepped = id == 0 || id == 3;
        uint32_t time = random() % 5 == 0 ? 0 : static_cast<uint32_t>(random() % frames);
        if (!events.empty() && random() % 4 == 0)
            time = events.back().time; // several at one sample
        events.push_back({time, id, stepped ? double(random() % 2) : unit(random)});
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& a, const Event& b) { return a.time < b.time; });
    return events;
}

template <typename Sample>
void renderBoth(const Module& module, Host& host, uint32_t seed, bool inPlace) {
    constexpr bool wide = sizeof(Sample) == 8;
    constexpr uint32_t maxBlock = 512;
    Instance plugin(module, host);
    ASSERT_TRUE(plugin.initialized);
    ASSERT_TRUE(plugin->activate(plugin.plugin, 44100.0, 1, maxBlock));
    ASSERT_TRUE(plugin->start_processing(plugin.plugin));
    // Whatever width the activation was set up for, the first block is played in its own.
    const int restarts = host.restartRequests.load();
    Vst3Render vst3(44100.0, maxBlock, wide);

    std::mt19937 random(seed);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    for (int block = 0; block < 120; ++block) {
        const auto frames = static_cast<uint32_t>(1 + random() % maxBlock);
        std::vector<Sample> input[2], clapOut[2], vst3Out[2];
        for (auto& channel : input) {
            channel.resize(frames);
            for (auto& sample : channel)
                sample = static_cast<Sample>(noise(random));
        }
        const std::vector<Event> events = randomEvents(random, frames, block % 7 == 3);
        InputEvents clapEvents;
        for (const Event& event : events)
            clapEvents.addValue(event.time, event.id, event.value);
        OutputEvents out;

        for (int c = 0; c < 2; ++c) {
            clapOut[c] = inPlace ? input[c] : std::vector<Sample>(frames, Sample(9));
            vst3Out[c].assign(frames, Sample(0));
        }
        Sample* clapIn[2] = {inPlace ? clapOut[0].data() : input[0].data(),
                             inPlace ? clapOut[1].data() : input[1].data()};
        Sample* clapOutputs[2] = {clapOut[0].data(), clapOut[1].data()};
        clap_audio_buffer_t inBuffer{};
        clap_audio_buffer_t outBuffer{};
        inBuffer.channel_count = outBuffer.channel_count = 2;
        if constexpr (wide) {
            inBuffer.data64 = clapIn;
            outBuffer.data64 = clapOutputs;
        } else {
            inBuffer.data32 = clapIn;
            outBuffer.data32 = clapOutputs;
        }
        clap_process_t process{block, frames, nullptr,           &inBuffer, &outBuffer,
                               1,     1,      clapEvents.list(), out.list()};
        ASSERT_EQ(plugin->process(plugin.plugin, &process), CLAP_PROCESS_CONTINUE);
        vst3.process(input, vst3Out, static_cast<int32>(frames), events);
        for (int c = 0; c < 2; ++c) {
            ASSERT_EQ(std::memcmp(clapOut[c].data(), vst3Out[c].data(), frames * sizeof(Sample)), 0)
                << "block " << block << " channel " << c << " seed " << seed;
        }
    }
    EXPECT_EQ(host.restartRequests.load(), restarts);
}

TEST_F(ClapHost, RandomBlocksWithEventsRenderTheVst3PointsBitForBit) {
    ASSERT_TRUE(module.loaded());
    renderBoth<float>(module, host, 1, false);
    renderBoth<float>(module, host, 2, true);
    renderBoth<double>(module, host, 3, false);
    renderBoth<double>(module, host, 4, true);
}

// One stereo block through the CLAP ABI in the width of Sample: in place or not.
template <typename Sample>
clap_process_status playClap(const clap_plugin_t* plugin, std::vector<Sample> (&input)[2],
                             std::vector<Sample> (&output)[2], bool inPlace,
                             const InputEvents& events) {
    const auto frames = static_cast<uint32_t>(input[0].size());
    for (int c = 0; c < 2; ++c)
        output[c] = inPlace ? input[c] : std::vector<Sample>(frames, Sample(9));
    Sample* inputs[2] = {inPlace ? output[0].data() : input[0].data(),
                         inPlace ? output[1].data() : input[1].data()};
    Sample* outputs[2] = {output[0].data(), output[1].data()};
    clap_audio_buffer_t inBuffer{};
    clap_audio_buffer_t outBuffer{};
    inBuffer.channel_count = outBuffer.channel_count = 2;
    if constexpr (sizeof(Sample) == 8) {
        inBuffer.data64 = inputs;
        outBuffer.data64 = outputs;
    } else {
        inBuffer.data32 = inputs;
        outBuffer.data32 = outputs;
    }
    OutputEvents out;
    clap_process_t process{-1, frames, nullptr,       &inBuffer, &outBuffer,
                           1,  1,      events.list(), out.list()};
    return plugin->process(plugin, &process);
}

TEST_F(ClapHost, BlocksOfEitherWidthRenderAsTheVst3ProcessorInThatWidth) {
    ASSERT_TRUE(module.loaded());
    constexpr uint32_t maxBlock = 512;
    Instance plugin(module, host);
    ASSERT_TRUE(plugin.initialized);
    const int restarts = host.restartRequests.load();
    // Both VST3 renders take every block; with inputs that are floats their engines hold the
    // same delayed samples and values, so each answers for the blocks of its width.
    Vst3Render narrow(44100.0, maxBlock, false);
    Vst3Render wide(44100.0, maxBlock, true);
    std::mt19937 random(5);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    for (int activation = 0; activation < 4; ++activation) {
        ASSERT_TRUE(plugin->activate(plugin.plugin, 44100.0, 1, maxBlock));
        ASSERT_TRUE(plugin->start_processing(plugin.plugin));
        if (activation > 0) {
            narrow.restart();
            wide.restart();
        }
        for (int block = 0; block < 50; ++block) {
            // The first block of each activation alternates, the others are drawn.
            const bool is64 = block == 0 ? activation % 2 == 1 : random() % 2 == 0;
            const bool inPlace = random() % 2 == 0;
            const auto frames = static_cast<uint32_t>(1 + random() % maxBlock);
            std::vector<float> input32[2], output32[2], vst3Out32[2];
            std::vector<double> input64[2], output64[2], vst3Out64[2];
            for (int c = 0; c < 2; ++c) {
                input32[c].resize(frames);
                for (float& sample : input32[c])
                    sample = noise(random);
                input64[c].assign(input32[c].begin(), input32[c].end());
                vst3Out32[c].assign(frames, 0.0f);
                vst3Out64[c].assign(frames, 0.0);
            }
            const std::vector<Event> events = randomEvents(random, frames, block % 9 == 4);
            InputEvents clapEvents;
            for (const Event& event : events)
                clapEvents.addValue(event.time, event.id, event.value);
            ASSERT_EQ(is64 ? playClap(plugin.plugin, input64, output64, inPlace, clapEvents)
                           : playClap(plugin.plugin, input32, output32, inPlace, clapEvents),
                      CLAP_PROCESS_CONTINUE)
                << "activation " << activation << " block " << block;
            narrow.process(input32, vst3Out32, static_cast<int32>(frames), events);
            wide.process(input64, vst3Out64, static_cast<int32>(frames), events);
            for (int c = 0; c < 2; ++c) {
                if (is64) {
                    ASSERT_EQ(std::memcmp(output64[c].data(), vst3Out64[c].data(),
                                          frames * sizeof(double)),
                              0)
                        << "activation " << activation << " block " << block << " channel " << c;
                } else {
                    ASSERT_EQ(std::memcmp(output32[c].data(), vst3Out32[c].data(),
                                          frames * sizeof(float)),
                              0)
                        << "activation " << activation << " block " << block << " channel " << c;
                }
            }
        }
        plugin->stop_processing(plugin.plugin);
        plugin->deactivate(plugin.plugin);
    }
    EXPECT_EQ(host.restartRequests.load(), restarts);
}

TEST_F(ClapHost, EventsItDoesNotUseAndBadEventsAreHarmless) {
    ASSERT_TRUE(module.loaded());
    Instance plugin(module, host);
    Instance reference(module, host);
    ASSERT_TRUE(plugin.initialized && reference.initialized);
    for (const auto* p : {plugin.plugin, reference.plugin}) {
        ASSERT_TRUE(p->activate(p, 48000.0, 1, 128));
        ASSERT_TRUE(p->start_processing(p));
    }
    auto run = [&](const clap_plugin_t* p, const InputEvents& events) {
        std::vector<float> left(128), right(128);
        for (int i = 0; i < 128; ++i) {
            left[i] = std::sin(static_cast<float>(i) * 0.1f);
            right[i] = std::cos(static_cast<float>(i) * 0.07f);
        }
        float* channels[2] = {left.data(), right.data()};
        clap_audio_buffer_t in{channels, nullptr, 2, 0, 0};
        clap_audio_buffer_t out{channels, nullptr, 2, 0, 0};
        OutputEvents outEvents;
        clap_process_t process{0, 128, nullptr, &in, &out, 1, 1, events.list(), outEvents.list()};
        EXPECT_EQ(p->process(p, &process), CLAP_PROCESS_CONTINUE);
        return left;
    };
    InputEvents used;
    used.addValue(10, 1, 0.9);
    InputEvents noisy;
    noisy.addValue(3, 42, 0.1); // unknown id
    clap_event_param_mod_t modulation{};
    modulation.header = {sizeof(modulation), 4, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_MOD, 0};
    modulation.param_id = 1;
    modulation.amount = 0.5;
    noisy.addRaw(modulation.header, sizeof(modulation)); // a type it does not use
    clap_event_param_value_t foreign{};
    foreign.header = {sizeof(foreign), 5, 7, CLAP_EVENT_PARAM_VALUE, 0}; // another space
    foreign.param_id = 1;
    foreign.value = 0.1;
    noisy.addRaw(foreign.header, sizeof(foreign));
    clap_event_param_value_t shortEvent{};
    shortEvent.header = {8, 6, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    noisy.addRaw(shortEvent.header, sizeof(shortEvent)); // claims to be shorter than it is
    noisy.addValue(10, 1, 0.9);
    noisy.addValue(11, 2, std::nan("")); // not a value
    EXPECT_EQ(run(plugin.plugin, noisy), run(reference.plugin, used));

    // Out of order and past the block's end: processed, nothing read out of bounds.
    InputEvents bad;
    bad.addValue(100, 2, 0.2);
    bad.addValue(5, 2, 0.8);
    bad.addValue(4000, 1, 0.1);
    bad.addValue(0xFFFFFFFFu, 3, 1.0);
    const auto output = run(plugin.plugin, bad);
    for (float sample : output)
        EXPECT_TRUE(std::isfinite(sample));
    run(plugin.plugin, InputEvents());
    // Inactive, a process answers an error and leaves the buffers alone.
    plugin->stop_processing(plugin.plugin);
    plugin->deactivate(plugin.plugin);
}

// A host's list that claims four billion events and holds one: past it, get answers null.
struct ClaimingEvents {
    ClaimingEvents(clap_id id, double value) {
        event.header = {sizeof(event), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
        event.param_id = id;
        event.note_id = event.port_index = event.channel = event.key = -1;
        event.value = value;
        list.ctx = this;
        list.size = [](const clap_input_events_t*) { return 0xFFFFFFFFu; };
        list.get = [](const clap_input_events_t* l, uint32_t index) -> const clap_event_header_t* {
            auto* self = static_cast<ClaimingEvents*>(l->ctx);
            ++self->asked;
            return index == 0 ? &self->event.header : nullptr;
        };
    }
    clap_event_param_value_t event{};
    clap_input_events_t list{};
    std::uint64_t asked = 0;
};

TEST_F(ClapHost, ListsAreReadNoFurtherThanABlockCanUse) {
    ASSERT_TRUE(module.loaded());
    Instance plugin(module, host);
    ASSERT_TRUE(plugin.initialized);
    constexpr uint32_t frames = 256;
    ASSERT_TRUE(plugin->activate(plugin.plugin, 48000.0, 1, frames));
    ASSERT_TRUE(plugin->start_processing(plugin.plugin));
    std::vector<float> left(frames), right(frames);
    float* channels[2] = {left.data(), right.data()};
    clap_audio_buffer_t in{channels, nullptr, 2, 0, 0};
    clap_audio_buffer_t out{channels, nullptr, 2, 0, 0};
    OutputEvents outEvents;
    const auto* p = params(plugin.plugin);
    double value = 0;

    ClaimingEvents claiming(1, 0.875);
    clap_process_t process{0, frames, nullptr, &in, &out, 1, 1, &claiming.list, outEvents.list()};
    ASSERT_EQ(plugin->process(plugin.plugin, &process), CLAP_PROCESS_CONTINUE);
    // A few events for each sample and a few more, and the one it holds is taken.
    EXPECT_GE(claiming.asked, 1u);
    EXPECT_LE(claiming.asked, 16u * frames + 4096u);
    plugin->on_main_thread(plugin.plugin);
    ASSERT_TRUE(p->get_value(plugin.plugin, 1, &value));
    EXPECT_EQ(value, 0.875);

    // An honest list as full as a block gets, every parameter at every sample and twice at
    // some, is read to its end.
    InputEvents full;
    double last[4] = {};
    for (uint32_t t = 0; t < frames; ++t) {
        for (clap_id id = 0; id < 4; ++id) {
            const bool stepped = id == 0 || id == 3;
            for (int twice = 0; twice < (t % 16 == 0 ? 2 : 1); ++twice) {
                last[id] = stepped ? double((t + id + twice) % 2) : (t + id + twice) / 1024.0;
                full.addValue(t, id, last[id]);
            }
        }
    }
    process.in_events = full.list();
    ASSERT_EQ(plugin->process(plugin.plugin, &process), CLAP_PROCESS_CONTINUE);
    plugin->on_main_thread(plugin.plugin);
    for (clap_id id = 0; id < 4; ++id) {
        ASSERT_TRUE(p->get_value(plugin.plugin, id, &value));
        EXPECT_EQ(value, last[id]) << "parameter " << id;
    }

    // A flush has no block: a fixed bound of the same order.
    plugin->stop_processing(plugin.plugin);
    plugin->deactivate(plugin.plugin);
    ClaimingEvents flushed(2, 0.125);
    p->flush(plugin.plugin, &flushed.list, outEvents.list());
    EXPECT_GE(flushed.asked, 1u);
    EXPECT_LE(flushed.asked, 1u << 17);
    ASSERT_TRUE(p->get_value(plugin.plugin, 2, &value));
    EXPECT_EQ(value, 0.125);
}

TEST_F(ClapHost, AStreamAnsweringMoreThanAskedFailsTheLoad) {
    ASSERT_TRUE(module.loaded());
    Instance plugin(module, host);
    Instance source(module, host);
    ASSERT_TRUE(plugin.initialized && source.initialized);
    // A state of other values than the plug-in's.
    InputEvents events;
    events.addValue(0, 2, 0.0625);
    params(source.plugin)->flush(source.plugin, events.list(), nullptr);
    ASSERT_TRUE(source->activate(source.plugin, 48000.0, 1, 16));
    ASSERT_TRUE(source->start_processing(source.plugin));
    std::vector<float> left(16), right(16);
    float* channels[2] = {left.data(), right.data()};
    clap_audio_buffer_t in{channels, nullptr, 2, 0, 0};
    clap_audio_buffer_t out{channels, nullptr, 2, 0, 0};
    InputEvents none;
    clap_process_t process{0, 16, nullptr, &in, &out, 1, 1, none.list(), nullptr};
    ASSERT_EQ(source->process(source.plugin, &process), CLAP_PROCESS_CONTINUE);
    const std::vector<std::uint8_t> other = save(source.plugin);

    const std::vector<std::uint8_t> before = save(plugin.plugin);
    ASSERT_NE(other, before);
    const auto* state = extension<clap_plugin_state_t>(plugin.plugin, CLAP_EXT_STATE);
    for (std::uint64_t overstated : {1ull, 1ull << 20, 1ull << 40}) {
        InputStream lying(other);
        lying.overstated = overstated;
        EXPECT_FALSE(state->load(plugin.plugin, lying.stream())) << overstated;
    }
    EXPECT_EQ(save(plugin.plugin), before);
    double value = 0;
    ASSERT_TRUE(params(plugin.plugin)->get_value(plugin.plugin, 2, &value));
    EXPECT_EQ(value, 0.5);
    EXPECT_TRUE(load(plugin.plugin, other));
}

// --- Values set outside the host's blocks ---------------------------------------------------

// The values as a host's flush, outside any block (the switches' steps are their values here).
void flush(const clap_plugin_t* plugin, const Values& values) {
    InputEvents events;
    for (const auto& [id, value] : values)
        events.addValue(0, id, value);
    params(plugin)->flush(plugin, events.list(), nullptr);
}

// A block of a tone on both channels, and room for what comes out.
void tone(std::vector<float> (&input)[2], std::vector<float> (&output)[2], uint32_t frames) {
    for (int c = 0; c < 2; ++c) {
        input[c].resize(frames);
        for (uint32_t i = 0; i < frames; ++i)
            input[c][i] = std::sin(static_cast<float>(i) * (c == 0 ? 0.05f : 0.07f));
        output[c].assign(frames, 0.0f);
    }
}

// A 32-bit block of the tone, and what came out (both channels); no events.
std::vector<float> playTone(const clap_plugin_t* plugin, uint32_t frames) {
    std::vector<float> input[2], output[2];
    tone(input, output, frames);
    EXPECT_EQ(playClap(plugin, input, output, false, InputEvents()), CLAP_PROCESS_CONTINUE);
    output[0].insert(output[0].end(), output[1].begin(), output[1].end());
    return output[0];
}

// The same through the VST3 processor: events as CLAP steps.
std::vector<float> playTone(Vst3Render& vst3, uint32_t frames, const std::vector<Event>& events) {
    std::vector<float> input[2], output[2];
    tone(input, output, frames);
    vst3.process(input, output, static_cast<int32>(frames), events);
    output[0].insert(output[0].end(), output[1].begin(), output[1].end());
    return output[0];
}

void run(const clap_plugin_t* plugin, bool activate, bool start) {
    if (activate) {
        ASSERT_TRUE(plugin->activate(plugin, 48000.0, 1, 256));
    }
    if (start) {
        ASSERT_TRUE(plugin->start_processing(plugin));
    }
}

void halt(const clap_plugin_t* plugin, bool stop, bool deactivate) {
    if (stop)
        plugin->stop_processing(plugin);
    if (deactivate)
        plugin->deactivate(plugin);
}

TEST_F(ClapHost, ValuesFlushedOutsideBlocksAreInTheNextSave) {
    ASSERT_TRUE(module.loaded());
    const Values first = {{0, 1.0}, {1, 0.1}, {2, 0.3}, {3, 1.0}};
    const Values second = {{1, 0.875}, {3, 0.0}};
    const std::vector<std::uint8_t> afterFirst = vst3StateAfter({first});
    const std::vector<std::uint8_t> afterBoth = vst3StateAfter({first, second});
    ASSERT_NE(afterFirst, afterBoth);
    {
        SCOPED_TRACE("before the first activation");
        Instance plugin(module, host);
        flush(plugin.plugin, first);
        EXPECT_EQ(save(plugin.plugin), afterFirst);
        flush(plugin.plugin, second);
        EXPECT_EQ(save(plugin.plugin), afterBoth);
        run(plugin.plugin, true, true);
        playTone(plugin.plugin, 64);
        EXPECT_EQ(save(plugin.plugin), afterBoth);
    }
    {
        SCOPED_TRACE("between deactivate and activate");
        Instance plugin(module, host);
        run(plugin.plugin, true, true);
        playTone(plugin.plugin, 64);
        halt(plugin.plugin, true, true);
        flush(plugin.plugin, first);
        EXPECT_EQ(save(plugin.plugin), afterFirst);
        run(plugin.plugin, true, true);
        playTone(plugin.plugin, 64);
        EXPECT_EQ(save(plugin.plugin), afterFirst);
    }
    {
        SCOPED_TRACE("active, not processing");
        Instance plugin(module, host);
        run(plugin.plugin, true, false);
        flush(plugin.plugin, first);
        EXPECT_EQ(save(plugin.plugin), afterFirst);
        run(plugin.plugin, false, true);
        playTone(plugin.plugin, 64);
        halt(plugin.plugin, true, false);
        flush(plugin.plugin, second);
        EXPECT_EQ(save(plugin.plugin), afterBoth);
        run(plugin.plugin, false, true);
        playTone(plugin.plugin, 64);
        EXPECT_EQ(save(plugin.plugin), afterBoth);
    }
    {
        SCOPED_TRACE("processing, between two blocks");
        Instance plugin(module, host);
        run(plugin.plugin, true, true);
        playTone(plugin.plugin, 64);
        flush(plugin.plugin, first);
        EXPECT_EQ(save(plugin.plugin), afterFirst);
        playTone(plugin.plugin, 64);
        EXPECT_EQ(save(plugin.plugin), afterFirst);
    }
}

TEST_F(ClapHost, AStateLoadedThenValuesSetSavesBothTheLaterPerParameter) {
    ASSERT_TRUE(module.loaded());
    const std::vector<std::uint8_t> loaded = vst3StateAfter({{{1, 0.25}, {2, 0.75}}});
    const Values later = {{2, 0.125}, {3, 1.0}};
    const std::vector<std::uint8_t> expected = vst3StateAfter({later}, loaded);
    {
        SCOPED_TRACE("fresh");
        Instance plugin(module, host);
        ASSERT_TRUE(load(plugin.plugin, loaded));
        flush(plugin.plugin, later);
        EXPECT_EQ(save(plugin.plugin), expected);
        run(plugin.plugin, true, true);
        playTone(plugin.plugin, 64);
        EXPECT_EQ(save(plugin.plugin), expected);
    }
    {
        SCOPED_TRACE("after a deactivation");
        Instance plugin(module, host);
        run(plugin.plugin, true, true);
        playTone(plugin.plugin, 64);
        halt(plugin.plugin, true, true);
        ASSERT_TRUE(load(plugin.plugin, loaded));
        flush(plugin.plugin, later);
        EXPECT_EQ(save(plugin.plugin), expected);
    }
    {
        SCOPED_TRACE("values, then the load");
        Instance plugin(module, host);
        flush(plugin.plugin, later);
        ASSERT_TRUE(load(plugin.plugin, loaded));
        EXPECT_EQ(save(plugin.plugin), loaded);
        run(plugin.plugin, true, true);
        playTone(plugin.plugin, 64);
        EXPECT_EQ(save(plugin.plugin), loaded);
    }
}

TEST_F(ClapHost, AValueSetWhileInactiveIsWhereTheEngineStarts) {
    ASSERT_TRUE(module.loaded());
    constexpr uint32_t frames = 256;
    // The time pan at its right end: the left channel delayed by 38 samples at 48 kHz.
    const Values right = {{1, 1.0}};
    // A VST3 processor set up after loading the value starts there.
    Vst3Render startsThere(48000.0, frames, false, vst3StateAfter({right}));
    const std::vector<float> expected = playTone(startsThere, frames, {});
    {
        SCOPED_TRACE("before the first activation");
        Instance plugin(module, host);
        flush(plugin.plugin, right);
        run(plugin.plugin, true, true);
        EXPECT_EQ(playTone(plugin.plugin, frames), expected);
    }
    {
        SCOPED_TRACE("between deactivate and activate");
        Instance plugin(module, host);
        run(plugin.plugin, true, true);
        playTone(plugin.plugin, frames);
        halt(plugin.plugin, true, true);
        flush(plugin.plugin, right);
        run(plugin.plugin, true, true);
        EXPECT_EQ(playTone(plugin.plugin, frames), expected);
    }
    {
        // Active, the engine runs on: the value is a point at the next block's start.
        SCOPED_TRACE("active, not processing");
        Instance plugin(module, host);
        run(plugin.plugin, true, false);
        flush(plugin.plugin, right);
        run(plugin.plugin, false, true);
        Vst3Render glides(48000.0, frames, false);
        const std::vector<float> glided = playTone(glides, frames, {{0, 1, 1.0}});
        EXPECT_NE(glided, expected);
        EXPECT_EQ(playTone(plugin.plugin, frames), glided);
    }
}

TEST_F(ClapHost, FlushWhileInactiveReachesValuesAndTheNextBlock) {
    ASSERT_TRUE(module.loaded());
    Instance plugin(module, host);
    ASSERT_TRUE(plugin.initialized);
    InputEvents events;
    events.addValue(0, 2, 0.25);
    events.addValue(0, 0, 1.0);
    params(plugin.plugin)->flush(plugin.plugin, events.list(), nullptr);
    double value = 0;
    ASSERT_TRUE(params(plugin.plugin)->get_value(plugin.plugin, 2, &value));
    EXPECT_EQ(value, 0.25);
    ASSERT_TRUE(params(plugin.plugin)->get_value(plugin.plugin, 0, &value));
    EXPECT_EQ(value, 1.0);
    char text[64];
    ASSERT_TRUE(params(plugin.plugin)->value_to_text(plugin.plugin, 0, 1.0, text, sizeof(text)));

    // Processing: values from events reach get_value, and the main thread is called back.
    ASSERT_TRUE(plugin->activate(plugin.plugin, 48000.0, 1, 32));
    ASSERT_TRUE(plugin->start_processing(plugin.plugin));
    std::vector<float> left(32), right(32);
    float* channels[2] = {left.data(), right.data()};
    clap_audio_buffer_t in{channels, nullptr, 2, 0, 0};
    clap_audio_buffer_t out{channels, nullptr, 2, 0, 0};
    InputEvents blockEvents;
    blockEvents.addValue(3, 1, 0.125);
    OutputEvents outEvents;
    clap_process_t process{0, 32, nullptr, &in, &out, 1, 1, blockEvents.list(), outEvents.list()};
    host.callbackRequests = 0;
    ASSERT_EQ(plugin->process(plugin.plugin, &process), CLAP_PROCESS_CONTINUE);
    EXPECT_GE(host.callbackRequests.load(), 1);
    plugin->on_main_thread(plugin.plugin);
    ASSERT_TRUE(params(plugin.plugin)->get_value(plugin.plugin, 1, &value));
    EXPECT_EQ(value, 0.125);
    // A flush while processing, as the host's audio thread would make it between blocks.
    InputEvents flushed;
    flushed.addValue(0, 1, 0.5);
    host.callbackRequests = 0;
    params(plugin.plugin)->flush(plugin.plugin, flushed.list(), outEvents.list());
    EXPECT_GE(host.callbackRequests.load(), 1);
    ASSERT_TRUE(params(plugin.plugin)->get_value(plugin.plugin, 1, &value));
    EXPECT_EQ(value, 0.5);
    EXPECT_TRUE(outEvents.recorded.empty()); // no gestures without an editor
}

// The fine delay's latency, answered as CLAP lets it change: at once while inactive, with
// latency.changed; while active the activation's value holds and a restart is asked for, and
// the new value is told once deactivated. Every route a value takes: a flush, a block's event
// (taken in on the main thread), a state load.
class ClapLatency : public ClapHost {
protected:
    void SetUp() override {
        ASSERT_TRUE(module.loaded());
        testhost::HostedProcessor reference;
        ASSERT_EQ(reference.setup(48000.0), kResultOk);
        ASSERT_EQ(reference->setParameterValue(fineDelay, 1.0), kResultOk);
        fine = reference->getLatencySamples();
        ASSERT_GT(fine, 0u);
        fineOn = stateWithFine(1.0);
        fineOff = stateWithFine(0.0);
    }
    static std::vector<std::uint8_t> stateWithFine(double value) {
        testhost::HostedProcessor processor;
        processor->setParameterValue(fineDelay, value);
        IPtr<MemoryStream> blob = owned(new MemoryStream());
        EXPECT_EQ(processor->getState(blob), kResultOk);
        const auto* begin = reinterpret_cast<const std::uint8_t*>(blob->getData());
        return std::vector<std::uint8_t>(begin, begin + blob->getSize());
    }
    void activate(const clap_plugin_t* plugin) {
        ASSERT_TRUE(plugin->activate(plugin, 48000.0, 1, 64));
        host.pluginActive = true;
        ASSERT_TRUE(plugin->start_processing(plugin));
    }
    void deactivate(const clap_plugin_t* plugin) {
        plugin->stop_processing(plugin);
        host.pluginActive = false;
        plugin->deactivate(plugin);
    }
    static void flushFine(const clap_plugin_t* plugin, double value) {
        InputEvents events;
        events.addValue(0, fineDelay, value);
        OutputEvents out;
        params(plugin)->flush(plugin, events.list(), out.list());
    }
    // A block whose event switches the fine delay, then the main-thread callback it asks for.
    void blockSwitchingFine(const clap_plugin_t* plugin, double value) {
        std::vector<float> left(64), right(64);
        float* channels[2] = {left.data(), right.data()};
        clap_audio_buffer_t in{channels, nullptr, 2, 0, 0};
        clap_audio_buffer_t out{channels, nullptr, 2, 0, 0};
        InputEvents events;
        events.addValue(10, fineDelay, value);
        OutputEvents outEvents;
        clap_process_t process{0, 64, nullptr, &in, &out, 1, 1, events.list(), outEvents.list()};
        const int callbacks = host.callbackRequests.load();
        ASSERT_EQ(plugin->process(plugin, &process), CLAP_PROCESS_CONTINUE);
        ASSERT_GT(host.callbackRequests.load(), callbacks);
        plugin->on_main_thread(plugin);
    }

    static constexpr clap_id fineDelay = 4;
    std::uint32_t fine = 0;
    std::vector<std::uint8_t> fineOn, fineOff;
};

TEST_F(ClapLatency, AFlushWhileInactiveIsAnsweredAtOnceAndTold) {
    Instance plugin(module, host);
    ASSERT_TRUE(plugin.initialized);
    const auto* latency = extension<clap_plugin_latency_t>(plugin.plugin, CLAP_EXT_LATENCY);
    EXPECT_EQ(latency->get(plugin.plugin), 0u);
    flushFine(plugin.plugin, 1.0);
    EXPECT_EQ(latency->get(plugin.plugin), fine);
    EXPECT_EQ(host.latencyChanges, 1);
    flushFine(plugin.plugin, 1.0); // no change, nothing told
    EXPECT_EQ(host.latencyChanges, 1);
    activate(plugin.plugin);
    EXPECT_EQ(latency->get(plugin.plugin), fine);
    deactivate(plugin.plugin);
    flushFine(plugin.plugin, 0.0);
    EXPECT_EQ(latency->get(plugin.plugin), 0u);
    EXPECT_EQ(host.latencyChanges, 2);
    EXPECT_EQ(host.restartRequests.load(), 0);
    EXPECT_EQ(host.latencyChangesWhileActive, 0);
}

TEST_F(ClapLatency, WhileActiveTheActivationsValueHoldsAndARestartIsAskedFor) {
    Instance plugin(module, host);
    ASSERT_TRUE(plugin.initialized);
    const auto* latency = extension<clap_plugin_latency_t>(plugin.plugin, CLAP_EXT_LATENCY);
    activate(plugin.plugin);
    EXPECT_EQ(latency->get(plugin.plugin), 0u);

    // From a block (the host's automation of it) and from a flush on the audio thread alike.
    blockSwitchingFine(plugin.plugin, 1.0);
    EXPECT_EQ(host.restartRequests.load(), 1);
    EXPECT_EQ(latency->get(plugin.plugin), 0u);
    flushFine(plugin.plugin, 1.0);
    plugin->on_main_thread(plugin.plugin);
    EXPECT_EQ(host.restartRequests.load(), 1) << "one request an activation";
    EXPECT_EQ(latency->get(plugin.plugin), 0u);

    // Deactivated, the new value is answered and told.
    deactivate(plugin.plugin);
    EXPECT_EQ(host.latencyChanges, 1);
    EXPECT_EQ(latency->get(plugin.plugin), fine);
    activate(plugin.plugin);
    EXPECT_EQ(latency->get(plugin.plugin), fine);

    // A switch there and back within one activation needs no new latency when it ends.
    blockSwitchingFine(plugin.plugin, 0.0);
    EXPECT_EQ(host.restartRequests.load(), 2);
    blockSwitchingFine(plugin.plugin, 1.0);
    deactivate(plugin.plugin);
    EXPECT_EQ(host.latencyChanges, 1);
    EXPECT_EQ(latency->get(plugin.plugin), fine);
    EXPECT_EQ(host.latencyChangesWhileActive, 0);
}

TEST_F(ClapLatency, AStateLoadMovesTheLatencyAsAnyValueDoes) {
    Instance plugin(module, host);
    ASSERT_TRUE(plugin.initialized);
    const auto* latency = extension<clap_plugin_latency_t>(plugin.plugin, CLAP_EXT_LATENCY);
    ASSERT_TRUE(load(plugin.plugin, fineOn));
    EXPECT_EQ(latency->get(plugin.plugin), fine);
    EXPECT_EQ(host.latencyChanges, 1);

    activate(plugin.plugin);
    ASSERT_TRUE(load(plugin.plugin, fineOff));
    EXPECT_EQ(host.restartRequests.load(), 1);
    EXPECT_EQ(latency->get(plugin.plugin), fine);
    deactivate(plugin.plugin);
    EXPECT_EQ(latency->get(plugin.plugin), 0u);
    EXPECT_EQ(host.latencyChanges, 2);

    // A refused load moves nothing.
    EXPECT_FALSE(load(plugin.plugin, {1, 2, 3}));
    EXPECT_EQ(latency->get(plugin.plugin), 0u);
    EXPECT_EQ(host.latencyChanges, 2);
    EXPECT_EQ(host.latencyChangesWhileActive, 0);
}

} // namespace
