// The adapter's two threads at once: the audio thread processing blocks with events while the
// main thread turns the editor's knobs, reads values, saves and loads the state, and answers
// the adapter's callbacks. Run under ThreadSanitizer by the test script.

#include "clap/claphost.h"
#include "clap/vst3state.h"

#include "wrappers/clap/clapplugin.h"

#include "module/classids.h"
#include "module/factory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace {

using namespace claphost;

const clap_plugin_descriptor_t descriptor = {
    CLAP_VERSION_INIT, "test.id", "Test", "", "", "", "", "1", "", nullptr};

TEST(ClapConcurrency, AudioAndMainThreadAtOnce) {
    Host host;
    Steinberg::IPtr<Steinberg::IPluginFactory> factory =
        Steinberg::owned(tivrandel::createFactory());
    Steinberg::TUID cid;
    tivrandel::processorClassId().toTUID(cid);
    const clap_plugin_t* plugin =
        kelvane::wrappers::clap::createPlugin(&descriptor, host.clap(), factory, cid);
    ASSERT_TRUE(plugin && plugin->init(plugin));
    auto* adapter = static_cast<kelvane::wrappers::clap::Plugin*>(plugin->plugin_data);
    const auto* params = extension<clap_plugin_params_t>(plugin, CLAP_EXT_PARAMS);
    const auto* state = extension<clap_plugin_state_t>(plugin, CLAP_EXT_STATE);
    ASSERT_TRUE(plugin->activate(plugin, 48000.0, 1, 128));
    OutputStream saved;
    ASSERT_TRUE(state->save(plugin, saved.stream()));

    std::atomic<bool> stop{false};
    std::atomic<int> gestures{0};
    std::thread audio([&] {
        plugin->start_processing(plugin);
        std::vector<float> left(128, 0.1f), right(128, -0.1f);
        float* channels[2] = {left.data(), right.data()};
        clap_audio_buffer_t in{channels, nullptr, 2, 0, 0};
        clap_audio_buffer_t out{channels, nullptr, 2, 0, 0};
        InputEvents events;
        events.addValue(5, 1, 0.2);
        events.addValue(64, 2, 0.7);
        OutputEvents outEvents;
        outEvents.recorded.reserve(1 << 16);
        clap_process_t process{0, 128, nullptr, &in, &out, 1, 1, events.list(), outEvents.list()};
        for (int block = 0; block < 4000 && !stop.load(); ++block) {
            plugin->process(plugin, &process);
            if (block % 7 == 0)
                params->flush(plugin, events.list(), outEvents.list());
            for (const auto& event : outEvents.recorded)
                if (event.type == CLAP_EVENT_PARAM_GESTURE_BEGIN)
                    ++gestures;
            outEvents.recorded.clear();
        }
        plugin->stop_processing(plugin);
    });
    for (int round = 0; round < 300; ++round) {
        adapter->beginEdit(3);
        adapter->performEdit(3, round % 2);
        adapter->endEdit(3);
        double value = 0;
        params->get_value(plugin, 1, &value);
        char text[64];
        params->value_to_text(plugin, 2, 0.3, text, sizeof(text));
        plugin->on_main_thread(plugin);
        if (round % 50 == 0) {
            OutputStream out;
            state->save(plugin, out.stream());
            InputStream in(saved.bytes);
            state->load(plugin, in.stream());
        }
        std::this_thread::yield();
    }
    stop.store(true);
    audio.join();
    // What the audio thread did not take yet comes with the next flush: no gesture is lost.
    OutputEvents rest;
    params->flush(plugin, nullptr, rest.list());
    for (const auto& event : rest.recorded)
        if (event.type == CLAP_EVENT_PARAM_GESTURE_BEGIN)
            ++gestures;
    EXPECT_EQ(gestures.load(), 300);
    plugin->on_main_thread(plugin);
    plugin->deactivate(plugin);
    plugin->destroy(plugin);
}

// The host's audio thread flushes values while the plug-in is active but not processing, and
// between blocks, while the main thread saves: each save is the state of one of the flushed
// values (or of none yet).
TEST(ClapConcurrency, FlushesOutsideBlocksWhileTheMainThreadSaves) {
    Host host;
    Steinberg::IPtr<Steinberg::IPluginFactory> factory =
        Steinberg::owned(tivrandel::createFactory());
    Steinberg::TUID cid;
    tivrandel::processorClassId().toTUID(cid);
    const clap_plugin_t* plugin =
        kelvane::wrappers::clap::createPlugin(&descriptor, host.clap(), factory, cid);
    ASSERT_TRUE(plugin && plugin->init(plugin));
    const auto* params = extension<clap_plugin_params_t>(plugin, CLAP_EXT_PARAMS);
    const auto* state = extension<clap_plugin_state_t>(plugin, CLAP_EXT_STATE);
    const std::vector<std::vector<std::uint8_t>> possible = {
        vst3StateAfter({}), vst3StateAfter({{{1, 0.25}}}), vst3StateAfter({{{1, 0.75}}})};
    ASSERT_TRUE(plugin->activate(plugin, 48000.0, 1, 64));

    std::atomic<bool> stop{false};
    std::thread audio([&] {
        std::vector<float> left(64, 0.1f), right(64, -0.1f);
        float* channels[2] = {left.data(), right.data()};
        clap_audio_buffer_t in{channels, nullptr, 2, 0, 0};
        clap_audio_buffer_t out{channels, nullptr, 2, 0, 0};
        InputEvents values[2];
        values[0].addValue(0, 1, 0.25);
        values[1].addValue(0, 1, 0.75);
        InputEvents none;
        clap_process_t process{0, 64, nullptr, &in, &out, 1, 1, none.list(), nullptr};
        for (int block = 0; block < 4000 && !stop.load(); ++block) {
            const InputEvents& flushed = values[block % 2];
            if (block % 3 == 0) {
                params->flush(plugin, flushed.list(), nullptr);
                plugin->start_processing(plugin);
                plugin->process(plugin, &process);
                plugin->stop_processing(plugin);
            } else {
                plugin->start_processing(plugin);
                plugin->process(plugin, &process);
                params->flush(plugin, flushed.list(), nullptr);
                plugin->process(plugin, &process);
                plugin->stop_processing(plugin);
            }
        }
    });
    int unexpected = 0;
    for (int round = 0; round < 300; ++round) {
        OutputStream out;
        if (!state->save(plugin, out.stream()) ||
            std::find(possible.begin(), possible.end(), out.bytes) == possible.end())
            ++unexpected;
        plugin->on_main_thread(plugin);
        std::this_thread::yield();
    }
    stop.store(true);
    audio.join();
    EXPECT_EQ(unexpected, 0);
    plugin->on_main_thread(plugin);
    plugin->deactivate(plugin);
    plugin->destroy(plugin);
}

} // namespace
