// run() is the LV2 audio path: it allocates nothing and takes no lock on any of its paths.

#include "lv2fixture.h"

#include "support/allocationcounter.h"

#include <gtest/gtest.h>

namespace {

long allocationsIn(kelvane::lv2::Plugin& plugin, std::uint32_t samples) {
    testhost::AllocationCounter counter;
    plugin.run(samples);
    counter.stop();
    return counter.total();
}

TEST(Lv2Realtime, RunAllocatesNothingOnAnyPath) {
    lv2test::Instance lv2;
    ASSERT_TRUE(lv2.plugin);
    kelvane::lv2::Plugin& plugin = *lv2.plugin;
    std::vector<float> in[2] = {std::vector<float>(10000, 0.25f), std::vector<float>(10000, -0.5f)};
    std::vector<float> out[2] = {std::vector<float>(10000), std::vector<float>(10000)};

    EXPECT_EQ(allocationsIn(plugin, 256), 0) << "before activation";
    lv2.controls = {1.0f, 100.0f, -40.0f, 1.0f};
    plugin.activate();
    EXPECT_EQ(allocationsIn(plugin, 256), 0) << "ports not connected";
    plugin.connectPort(0, in[0].data());
    plugin.connectPort(1, in[1].data());
    plugin.connectPort(2, out[0].data());
    plugin.connectPort(3, out[1].data());
    EXPECT_EQ(allocationsIn(plugin, 512), 0) << "first run";
    for (float pan : {-100.0f, 20.0f, 100.0f}) {
        lv2.controls = {pan > 0.0f ? 1.0f : 0.0f, pan, -pan, pan > 0.0f ? 0.0f : 1.0f};
        EXPECT_EQ(allocationsIn(plugin, 512), 0) << "changed controls";
    }
    EXPECT_EQ(allocationsIn(plugin, 10000), 0) << "a run in pieces";
    EXPECT_EQ(allocationsIn(plugin, 1), 0) << "one sample";
    lv2.controls[1] = 0.0f;
    EXPECT_EQ(allocationsIn(plugin, 0), 0) << "an empty run";
    // In place, as LV2 allows.
    plugin.connectPort(2, in[0].data());
    plugin.connectPort(3, in[1].data());
    EXPECT_EQ(allocationsIn(plugin, 4096), 0) << "in place";
    plugin.connectPort(1, nullptr);
    EXPECT_EQ(allocationsIn(plugin, 128), 0) << "an input gone";
    plugin.deactivate();
}

} // namespace
