// The adapter in the test's own process: what its editor's controller does reaches the host as
// gestures, values and dirty marks.

#include "clap/claphost.h"
#include "clap/vst3state.h"

#include "wrappers/clap/clapplugin.h"

#include "module/classids.h"
#include "module/factory.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace claphost;
using kelvane::wrappers::clap::Plugin;

const clap_plugin_descriptor_t descriptor = {
    CLAP_VERSION_INIT, "test.id", "Test", "", "", "", "", "1", "", nullptr};

struct Made {
    explicit Made(Host& host) {
        Steinberg::IPtr<Steinberg::IPluginFactory> factory =
            Steinberg::owned(tivrandel::createFactory());
        Steinberg::TUID cid;
        tivrandel::processorClassId().toTUID(cid);
        plugin = kelvane::wrappers::clap::createPlugin(&descriptor, host.clap(), factory, cid);
        EXPECT_TRUE(plugin && plugin->init(plugin));
    }
    ~Made() { plugin->destroy(plugin); }
    Plugin& adapter() const { return *static_cast<Plugin*>(plugin->plugin_data); }
    std::vector<std::uint8_t> save() const {
        OutputStream out;
        EXPECT_TRUE(
            extension<clap_plugin_state_t>(plugin, CLAP_EXT_STATE)->save(plugin, out.stream()));
        return out.bytes;
    }
    void edit(clap_id id, double value) const {
        adapter().beginEdit(id);
        adapter().performEdit(id, value);
        adapter().endEdit(id);
    }
    const clap_plugin_t* plugin = nullptr;
};

TEST(ClapGestures, EditorEditsReachTheHostThroughFlushAndProcess) {
    Host host;
    Made made(host);
    const auto* params = extension<clap_plugin_params_t>(made.plugin, CLAP_EXT_PARAMS);

    // As the controller calls its component handler while a knob turns.
    // The editor nests its gestures; the host sees one.
    made.adapter().beginEdit(1);
    made.adapter().beginEdit(1);
    made.adapter().performEdit(1, 0.75);
    made.adapter().performEdit(1, 0.8);
    made.adapter().endEdit(1);
    made.adapter().endEdit(1);
    made.adapter().endEdit(1); // unbalanced: ignored
    EXPECT_GE(host.flushRequests.load(), 3);
    EXPECT_GE(host.dirtyMarks, 1);
    double value = 0;
    ASSERT_TRUE(params->get_value(made.plugin, 1, &value));
    EXPECT_EQ(value, 0.8);

    OutputEvents out;
    params->flush(made.plugin, nullptr, out.list());
    ASSERT_EQ(out.recorded.size(), 4u);
    EXPECT_EQ(out.recorded[0].type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
    EXPECT_EQ(out.recorded[1].type, CLAP_EVENT_PARAM_VALUE);
    EXPECT_EQ(out.recorded[1].value, 0.75);
    EXPECT_EQ(out.recorded[2].value, 0.8);
    EXPECT_EQ(out.recorded[3].type, CLAP_EVENT_PARAM_GESTURE_END);
    EXPECT_EQ(out.recorded[3].id, 1u);

    // While processing, the next block carries them, and the stepped switch goes as its step.
    ASSERT_TRUE(made.plugin->activate(made.plugin, 48000.0, 1, 16));
    ASSERT_TRUE(made.plugin->start_processing(made.plugin));
    made.adapter().beginEdit(3);
    made.adapter().performEdit(3, 1.0);
    made.adapter().endEdit(3);
    std::vector<float> left(16), right(16);
    float* channels[2] = {left.data(), right.data()};
    clap_audio_buffer_t in{channels, nullptr, 2, 0, 0};
    clap_audio_buffer_t audio{channels, nullptr, 2, 0, 0};
    InputEvents none;
    OutputEvents blockOut;
    clap_process_t process{0, 16, nullptr, &in, &audio, 1, 1, none.list(), blockOut.list()};
    ASSERT_EQ(made.plugin->process(made.plugin, &process), CLAP_PROCESS_CONTINUE);
    ASSERT_EQ(blockOut.recorded.size(), 3u);
    EXPECT_EQ(blockOut.recorded[1].id, 3u);
    EXPECT_EQ(blockOut.recorded[1].value, 1.0);
    made.plugin->stop_processing(made.plugin);
    made.plugin->deactivate(made.plugin);

    // The processor has the edits: they are in the state.
    OutputStream saved;
    ASSERT_TRUE(extension<clap_plugin_state_t>(made.plugin, CLAP_EXT_STATE)
                    ->save(made.plugin, saved.stream()));
    Host otherHost;
    Made other(otherHost);
    InputStream in2(saved.bytes);
    ASSERT_TRUE(extension<clap_plugin_state_t>(other.plugin, CLAP_EXT_STATE)
                    ->load(other.plugin, in2.stream()));
    ASSERT_TRUE(extension<clap_plugin_params_t>(other.plugin, CLAP_EXT_PARAMS)
                    ->get_value(other.plugin, 3, &value));
    EXPECT_EQ(value, 1.0);
    ASSERT_TRUE(extension<clap_plugin_params_t>(other.plugin, CLAP_EXT_PARAMS)
                    ->get_value(other.plugin, 1, &value));
    EXPECT_EQ(static_cast<float>(value), 0.8f);

    // Unknown ids and values that are no values are not passed on.
    made.adapter().performEdit(99, 0.5);
    made.adapter().performEdit(2, std::nan(""));
    OutputEvents nothing;
    params->flush(made.plugin, nullptr, nothing.list());
    EXPECT_TRUE(nothing.recorded.empty());
}

// The next save holds an edit at once, whatever the plug-in does, as the VST3 processor's would
// after a block carrying it.
TEST(ClapGestures, AnEditIsInTheNextSaveAtOnce) {
    Host host;
    Made made(host);
    made.edit(1, 0.8);
    EXPECT_EQ(made.save(), vst3StateAfter({{{1, 0.8}}}));
    ASSERT_TRUE(made.plugin->activate(made.plugin, 48000.0, 1, 16));
    made.edit(2, 0.25);
    EXPECT_EQ(made.save(), vst3StateAfter({{{1, 0.8}, {2, 0.25}}}));
    ASSERT_TRUE(made.plugin->start_processing(made.plugin));
    made.edit(3, 1.0);
    EXPECT_EQ(made.save(), vst3StateAfter({{{1, 0.8}, {2, 0.25}, {3, 1.0}}}));
    made.plugin->stop_processing(made.plugin);
    made.plugin->deactivate(made.plugin);
}

// An edit in the editor moves the latency as CLAP allows: told at once while inactive, a restart
// while active, whose value holds until the deactivation.
TEST(ClapGestures, AnEditOfTheFineDelayIsToldAsClapAllows) {
    Host host;
    Made made(host);
    const auto* latency = extension<clap_plugin_latency_t>(made.plugin, CLAP_EXT_LATENCY);
    ASSERT_TRUE(latency);
    made.edit(4, 1.0);
    const std::uint32_t fine = latency->get(made.plugin);
    EXPECT_GT(fine, 0u);
    EXPECT_EQ(host.latencyChanges, 1);
    ASSERT_TRUE(made.plugin->activate(made.plugin, 48000.0, 1, 16));
    made.edit(4, 0.0);
    EXPECT_EQ(host.restartRequests.load(), 1);
    EXPECT_EQ(host.latencyChanges, 1);
    EXPECT_EQ(latency->get(made.plugin), fine);
    made.plugin->deactivate(made.plugin);
    EXPECT_EQ(host.latencyChanges, 2);
    EXPECT_EQ(latency->get(made.plugin), 0u);
}

} // namespace
