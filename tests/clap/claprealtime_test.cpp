// The adapter's audio entries allocate nothing and take no lock, also on a block full of events.

#include "clap/claphost.h"

#include "support/allocationcounter.h"
#include "wrappers/clap/clapplugin.h"

#include "module/classids.h"
#include "module/factory.h"

#include <gtest/gtest.h>

namespace {

using namespace claphost;

const clap_plugin_descriptor_t descriptor = {
    CLAP_VERSION_INIT, "test.id", "Test", "", "", "", "", "1", "", nullptr};

template <typename Body>
long allocationsIn(Body&& body) {
    testhost::AllocationCounter counter;
    body();
    counter.stop();
    return counter.total();
}

TEST(ClapRealtime, ProcessAndFlushAllocateNothing) {
    Host host;
    Steinberg::IPtr<Steinberg::IPluginFactory> factory =
        Steinberg::owned(tivrandel::createFactory());
    Steinberg::TUID cid;
    tivrandel::processorClassId().toTUID(cid);
    const clap_plugin_t* plugin =
        kelvane::wrappers::clap::createPlugin(&descriptor, host.clap(), factory, cid);
    ASSERT_TRUE(plugin && plugin->init(plugin));
    const auto* params = extension<clap_plugin_params_t>(plugin, CLAP_EXT_PARAMS);
    auto* adapter = static_cast<kelvane::wrappers::clap::Plugin*>(plugin->plugin_data);
    constexpr uint32_t frames = 512;
    ASSERT_TRUE(plugin->activate(plugin, 48000.0, 1, frames));

    // A block full of events: every parameter at every sample, twice at some.
    InputEvents full;
    for (uint32_t t = 0; t < frames; ++t) {
        for (clap_id id = 0; id < 4; ++id) {
            full.addValue(t, id, (t + id) % 2);
            if (t % 16 == 0)
                full.addValue(t, id, 0.5);
        }
    }
    full.addValue(frames + 10, 1, 0.3); // past the end
    InputEvents few;
    few.addValue(7, 2, 0.1);
    OutputEvents out;
    out.recorded.reserve(4096);

    std::vector<float> in32[2] = {std::vector<float>(frames, 0.5f),
                                  std::vector<float>(frames, -0.5f)};
    std::vector<float> out32[2] = {std::vector<float>(frames), std::vector<float>(frames)};
    std::vector<double> in64[2] = {std::vector<double>(frames, 0.5),
                                   std::vector<double>(frames, 0.1)};
    std::vector<double> out64[2] = {std::vector<double>(frames), std::vector<double>(frames)};
    float* i32[2] = {in32[0].data(), in32[1].data()};
    float* o32[2] = {out32[0].data(), out32[1].data()};
    double* i64[2] = {in64[0].data(), in64[1].data()};
    double* o64[2] = {out64[0].data(), out64[1].data()};
    clap_audio_buffer_t inBuffer32{i32, nullptr, 2, 0, 0};
    clap_audio_buffer_t outBuffer32{o32, nullptr, 2, 0, 0};
    clap_audio_buffer_t inBuffer64{nullptr, i64, 2, 0, 0};
    clap_audio_buffer_t outBuffer64{nullptr, o64, 2, 0, 0};
    // Editor gestures waiting in the queue, as the main thread leaves them.
    adapter->beginEdit(1);
    adapter->performEdit(1, 0.3);
    adapter->endEdit(1);

    ASSERT_TRUE(plugin->start_processing(plugin));
    const auto block = [&](bool wide, const InputEvents& events, uint32_t count) {
        clap_process_t process{0,
                               count,
                               nullptr,
                               wide ? &inBuffer64 : &inBuffer32,
                               wide ? &outBuffer64 : &outBuffer32,
                               1,
                               1,
                               events.list(),
                               out.list()};
        EXPECT_EQ(plugin->process(plugin, &process), CLAP_PROCESS_CONTINUE);
    };
    // Blocks of either sample size in any order, from the first block of an activation on.
    for (int activation = 0; activation < 2; ++activation) {
        if (activation > 0) {
            plugin->stop_processing(plugin);
            plugin->deactivate(plugin);
            ASSERT_TRUE(plugin->activate(plugin, 48000.0, 1, frames));
            ASSERT_TRUE(plugin->start_processing(plugin));
        }
        for (int round = 0; round < 3; ++round) {
            const bool wide = round % 2 == 0; // 64-bit first after an activation
            EXPECT_EQ(allocationsIn([&] {
                          block(wide, full, frames);
                          block(!wide, few, frames);
                          params->flush(plugin, few.list(), out.list());
                          block(wide, few, 0);
                          block(!wide, full, frames);
                      }),
                      0)
                << "activation " << activation << " round " << round;
        }
    }
    EXPECT_EQ(out.recorded.size(), 3u);
    plugin->stop_processing(plugin);
    plugin->deactivate(plugin);
    plugin->destroy(plugin);
}

} // namespace
