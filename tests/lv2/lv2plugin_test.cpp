// The LV2 adapter renders what the VST3 processor renders, takes control values as steps at
// the start of a run, and survives what LV2 hosts may do: odd rates, unconnected ports,
// empty runs and values outside the ports.

#include "lv2fixture.h"

#include "parameters/parameters.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {

using lv2test::Controls;
using lv2test::Instance;
using lv2test::Stereo;
using lv2test::Vst3Reference;
using tivrandel::Parameters;

void expectSameBits(const Stereo& actual, const Stereo& expected) {
    for (int c = 0; c < 2; ++c) {
        ASSERT_EQ(actual[c].size(), expected[c].size());
        EXPECT_EQ(
            std::memcmp(actual[c].data(), expected[c].data(), actual[c].size() * sizeof(float)), 0)
            << "channel " << c;
    }
}

Stereo slice(const Stereo& signal, std::size_t from, std::size_t count) {
    return {std::vector<float>(signal[0].begin() + from, signal[0].begin() + from + count),
            std::vector<float>(signal[1].begin() + from, signal[1].begin() + from + count)};
}

TEST(Lv2Plugin, RefusesRatesTheProcessorRefuses) {
    for (double rate : {0.0, -48000.0, 0.5, std::nan(""), std::numeric_limits<double>::infinity(),
                        4294967296.0}) {
        EXPECT_EQ(kelvane::lv2::Plugin::create(lv2test::productClass(), rate, nullptr), nullptr)
            << rate;
    }
    for (double rate : {1.0, 22050.0, 44100.0, 96000.0, 768000.0}) {
        EXPECT_NE(kelvane::lv2::Plugin::create(lv2test::productClass(), rate, nullptr), nullptr)
            << rate;
    }
}

TEST(Lv2Plugin, RendersTheVst3OutputBitForBitWhateverTheRunLength) {
    const Stereo input = lv2test::noise(9000);
    struct Case {
        Controls controls;
        double timePan, levelPan, swap, bypass;
    };
    const Case cases[] = {
        {{1.0f, -100.0f, 0.0f, 0.0f}, 0.0, 0.5, 0.0, 0.0},
        {{1.0f, 100.0f, -30.0f, 1.0f}, 1.0, 0.35, 1.0, 0.0},
        {{1.0f, 50.0f, 50.0f, 0.0f}, 0.75, 0.75, 0.0, 0.0},
        {{1.0f, 0.0f, 0.0f, 0.0f}, 0.5, 0.5, 0.0, 0.0},
        {{0.0f, 100.0f, 100.0f, 1.0f}, 1.0, 1.0, 1.0, 1.0},
    };
    for (const Case& c : cases) {
        Vst3Reference reference(48000.0, {{Parameters::Bypass, c.bypass},
                                          {Parameters::TimePan, c.timePan},
                                          {Parameters::LevelPan, c.levelPan},
                                          {Parameters::SwapChannels, c.swap}});
        const Stereo expected = reference.process(input);
        // Runs shorter and longer than the adapter's pieces.
        for (std::size_t runLength : {std::size_t(1000), std::size_t(9000)}) {
            Instance lv2;
            ASSERT_TRUE(lv2.plugin);
            lv2.controls = c.controls;
            lv2.plugin->activate();
            SCOPED_TRACE("time pan " + std::to_string(c.controls[1]) + ", runs of " +
                         std::to_string(runLength));
            expectSameBits(lv2.run(input, runLength), expected);
        }
    }
}

TEST(Lv2Plugin, AControlChangeIsAStepAtTheFirstSampleOfTheRun) {
    const Stereo input = lv2test::noise(1200, 7);
    Vst3Reference reference(48000.0, {});
    Stereo expected = reference.process(slice(input, 0, 500));
    const Stereo second = reference.process(
        slice(input, 500, 700), {{Parameters::TimePan, 0.9}, {Parameters::Bypass, 1.0}});

    Instance lv2;
    lv2.plugin->activate();
    const Stereo first = lv2.run(slice(input, 0, 500), 500);
    lv2.controls[1] = 80.0f; // (80 + 100) / 200 = 0.9
    lv2.controls[0] = 0.0f;  // bypass on
    const Stereo after = lv2.run(slice(input, 500, 700), 700);
    expectSameBits(first, expected);
    expectSameBits(after, second);
    // The glide of the step is there: the output is neither the old nor the new steady state.
    EXPECT_NE(after[0][100], input[0][600]);
}

TEST(Lv2Plugin, AStepGlidesOnAcrossRunsAsInVst3) {
    // A port left at its value after a step: the smoothers glide on over the following runs
    // as they do over the following VST3 blocks.
    const Stereo input = lv2test::noise(2000, 3);
    Vst3Reference reference(48000.0, {});
    Stereo expected[4];
    expected[0] = reference.process(slice(input, 0, 500), {{Parameters::LevelPan, 1.0}});
    for (int k = 1; k < 4; ++k) {
        expected[k] = reference.process(slice(input, 500 * k, 500));
    }
    Instance lv2;
    lv2.plugin->activate();
    lv2.controls[2] = 100.0f;
    for (int k = 0; k < 4; ++k) {
        expectSameBits(lv2.run(slice(input, 500 * k, 500), 500), expected[k]);
    }
}

TEST(Lv2Plugin, ValuesAtActivationAreTakenWithoutGlideAndSurviveAnotherActivation) {
    const Stereo input = lv2test::noise(600, 5);
    Vst3Reference reference(48000.0, {{Parameters::TimePan, 0.0}});
    const Stereo expected = reference.process(input);
    Instance lv2;
    lv2.controls[1] = -100.0f;
    lv2.plugin->activate();
    expectSameBits(lv2.run(input, 600), expected);
    lv2.plugin->deactivate();
    lv2.plugin->activate();
    // Freshly set up at the same values: delay lines empty again, nothing glides.
    expectSameBits(lv2.run(input, 600), expected);
}

TEST(Lv2Plugin, NanAndOutOfRangeControlsAreHeldAtThePortsEnds) {
    const Stereo input = lv2test::noise(800, 11);
    Vst3Reference reference(48000.0, {{Parameters::TimePan, 1.0}, {Parameters::LevelPan, 0.0}});
    const Stereo expected = reference.process(input);
    Instance lv2;
    lv2.controls[1] = std::numeric_limits<float>::quiet_NaN();
    lv2.controls[2] = -1e9f;
    lv2.controls[3] = -5.0f;
    lv2.plugin->activate();
    expectSameBits(lv2.run(input, 800), expected);
}

TEST(Lv2Plugin, UnconnectedPortsEmptyRunsAndRunsBeforeActivationAreHarmless) {
    auto plugin = kelvane::lv2::Plugin::create(lv2test::productClass(), 44100.0, nullptr);
    ASSERT_TRUE(plugin);
    std::vector<float> out(64, 3.0f);
    // Before activation: silence on the outputs there are.
    plugin->connectPort(2, out.data());
    plugin->run(64);
    EXPECT_EQ(out, std::vector<float>(64, 0.0f));
    plugin->activate();
    // No inputs and no control ports: silence, no crash.
    std::fill(out.begin(), out.end(), 3.0f);
    plugin->run(64);
    EXPECT_EQ(out, std::vector<float>(64, 0.0f));
    plugin->run(0);
    // Ports beyond the last are ignored.
    float spare = 0.0f;
    plugin->connectPort(8, &spare);
    plugin->connectPort(1000, &spare);
    plugin->run(64);
    plugin->deactivate();
    plugin->deactivate();
}

TEST(Lv2Plugin, AnEmptyRunStillHandsTheValuesOn) {
    const Stereo input = lv2test::noise(300, 13);
    Vst3Reference reference(48000.0, {});
    // A VST3 flush: changes in a block without samples, then audio.
    testhost::ProcessDataBuilder flush(Steinberg::Vst::kSample32, 2, 0);
    flush.changes().add(Parameters::SwapChannels, 0, 1.0);
    reference.processor->process(flush.data());
    const Stereo expected = reference.process(input);

    Instance lv2;
    lv2.plugin->activate();
    lv2.controls[3] = 1.0f;
    lv2.plugin->run(0);
    expectSameBits(lv2.run(input, 300), expected);
}

// The latency port comes after every control input, and holds in every run (an empty one
// included) what the VST3 processor reports for the values that run hands on.
TEST(Lv2Plugin, TheLatencyPortFollowsTheFineDelayInEveryRun) {
    const kelvane::lv2::PortLayout layout = tivrandel::lv2::portLayout();
    const std::uint32_t latencyPort = kelvane::lv2::latencyPort(layout);
    EXPECT_EQ(latencyPort, kelvane::lv2::firstControlPort + std::uint32_t(Parameters::count));
    std::uint32_t finePort = 0;
    for (std::size_t i = 0; i < layout.controlCount; ++i) {
        if (layout.controls[i].id == Parameters::FineDelay) {
            finePort = kelvane::lv2::firstControlPort + static_cast<std::uint32_t>(i);
        }
    }
    ASSERT_EQ(finePort, latencyPort - 1) << "the fine delay's port is the last control";

    for (const double rate : {44100.0, 48000.0, 96000.0}) {
        testhost::HostedProcessor reference;
        ASSERT_EQ(reference.setup(rate), Steinberg::kResultOk);
        ASSERT_EQ(reference->setParameterValue(Parameters::FineDelay, 1.0), Steinberg::kResultOk);
        const auto fine = static_cast<float>(reference->getLatencySamples());
        ASSERT_GT(fine, 0.0f);
        EXPECT_LE(fine, static_cast<float>(layout.latencyMaximum));

        Instance lv2(rate);
        float fineDelay = 1.0f;
        float latency = -1.0f;
        lv2.plugin->connectPort(finePort, &fineDelay);
        lv2.plugin->connectPort(latencyPort, &latency);
        // On from the activation, and reported by a run of no samples.
        lv2.plugin->activate();
        lv2.plugin->run(0);
        EXPECT_EQ(latency, fine) << rate;
        fineDelay = 0.0f;
        latency = -1.0f;
        lv2.run(lv2test::noise(64), 64);
        EXPECT_EQ(latency, 0.0f) << rate;
        fineDelay = 1.0f;
        lv2.plugin->run(0);
        EXPECT_EQ(latency, fine) << rate;
        lv2.plugin->deactivate();
        fineDelay = 0.0f;
        lv2.plugin->activate();
        lv2.run(lv2test::noise(16), 16);
        EXPECT_EQ(latency, 0.0f) << rate;
    }
}

// A map that gives each URI the next number.
struct UridMap {
    std::vector<std::string> uris;
    static LV2_URID map(LV2_URID_Map_Handle handle, const char* uri) {
        auto& self = *static_cast<UridMap*>(handle);
        for (std::size_t i = 0; i < self.uris.size(); ++i) {
            if (self.uris[i] == uri) {
                return static_cast<LV2_URID>(i + 1);
            }
        }
        self.uris.emplace_back(uri);
        return static_cast<LV2_URID>(self.uris.size());
    }
};

TEST(Lv2Plugin, TakesTheHostsLargestBlockFromItsOptions) {
    UridMap uridMap;
    LV2_URID_Map map{&uridMap, &UridMap::map};
    const std::int32_t largest = 333;
    const std::int32_t nominal = 128;
    const LV2_Options_Option options[] = {
        {LV2_OPTIONS_INSTANCE, 0, UridMap::map(&uridMap, LV2_BUF_SIZE__nominalBlockLength),
         sizeof(std::int32_t), UridMap::map(&uridMap, LV2_ATOM__Int), &nominal},
        {LV2_OPTIONS_INSTANCE, 0, UridMap::map(&uridMap, LV2_BUF_SIZE__maxBlockLength),
         sizeof(std::int32_t), UridMap::map(&uridMap, LV2_ATOM__Int), &largest},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    const LV2_Feature mapFeature{LV2_URID__map, &map};
    const LV2_Feature optionsFeature{LV2_OPTIONS__options,
                                     const_cast<LV2_Options_Option*>(options)};
    const LV2_Feature* features[] = {&mapFeature, &optionsFeature, nullptr};
    EXPECT_EQ(kelvane::lv2::maxBlockOption(features), 333);
    // Without the map the options cannot be read; without options there are none.
    const LV2_Feature* onlyOptions[] = {&optionsFeature, nullptr};
    EXPECT_EQ(kelvane::lv2::maxBlockOption(onlyOptions), 0);
    EXPECT_EQ(kelvane::lv2::maxBlockOption(nullptr), 0);

    // Longer runs go through in pieces of that size and still give the VST3 output.
    Instance lv2(48000.0, features);
    ASSERT_TRUE(lv2.plugin);
    EXPECT_EQ(lv2.plugin->maxBlock(), 333);
    lv2.controls[1] = 100.0f;
    lv2.plugin->activate();
    const Stereo input = lv2test::noise(1000, 17);
    Vst3Reference reference(48000.0, {{Parameters::TimePan, 1.0}});
    expectSameBits(lv2.run(input, 1000), reference.process(input));
}

} // namespace
