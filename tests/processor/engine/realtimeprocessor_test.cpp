#include "processor/engine/realtimeprocessor.h"

#include "enginefixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using enginetest::Buffers;
using enginetest::config;
using enginetest::runBlock;
using tivrandel::RealtimeProcessor;

// Distinct, exactly representable samples on both channels.
template <typename Sample>
void fillRamp(Buffers<Sample>& b, int start = 0) {
    for (int i = 0; i < b.samples(); ++i) {
        b.in[0][i] = static_cast<Sample>(start + i + 1);
        b.in[1][i] = static_cast<Sample>(-(start + i + 1));
    }
}

// Left delayed by leftDelay, right by rightDelay, gains 1.
void expectDelays(int sampleRate, float timePan, int leftDelay, int rightDelay) {
    RealtimeProcessor engine(config(sampleRate, 2, 0.0f, timePan));
    Buffers<float> b(2, 256);
    fillRamp(b);
    runBlock(engine, nullptr, b);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(b.out[0][i], i >= leftDelay ? b.in[0][i - leftDelay] : 0.0f) << i;
        EXPECT_EQ(b.out[1][i], i >= rightDelay ? b.in[1][i - rightDelay] : 0.0f) << i;
    }
}

TEST(RealtimeProcessor, TimePanDelaysTheChannelAwayFromTheSource) {
    expectDelays(48000, 1.0f, 38, 0);
    expectDelays(44100, 1.0f, 35, 0);
    expectDelays(48000, 0.0f, 0, 38);
    expectDelays(96000, 1.0f, 76, 0);
    expectDelays(192000, 0.0f, 0, 153);
    expectDelays(48000, 0.5f, 0, 0);
}

TEST(RealtimeProcessor, LevelPanGains) {
    RealtimeProcessor right(config(48000, 2, 0.0f, 0.5f, 1.0f));
    Buffers<float> b(2, 64);
    fillRamp(b);
    runBlock(right, nullptr, b);
    const float sqrt2 = static_cast<float>(std::sqrt(2.0));
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(b.out[0][i], 0.0f);
        EXPECT_EQ(b.out[1][i], sqrt2 * b.in[1][i]);
    }
    RealtimeProcessor centre(config(48000, 2));
    runBlock(centre, nullptr, b);
    EXPECT_EQ(b.out[0], b.in[0]);
    EXPECT_EQ(b.out[1], b.in[1]);
}

TEST(RealtimeProcessor, SwapFeedsEachOutputFromTheOtherInputUnlessBypassed) {
    Buffers<float> b(2, 32);
    fillRamp(b);
    RealtimeProcessor swapped(config(48000, 2, 0.0f, 0.5f, 0.5f, 1.0f));
    runBlock(swapped, nullptr, b);
    EXPECT_EQ(b.out[0], b.in[1]);
    EXPECT_EQ(b.out[1], b.in[0]);

    RealtimeProcessor bypassed(config(48000, 2, 1.0f, 1.0f, 0.0f, 1.0f));
    runBlock(bypassed, nullptr, b);
    EXPECT_EQ(b.out[0], b.in[0]);
    EXPECT_EQ(b.out[1], b.in[1]);

    // NaN counts as 1 for a switch.
    RealtimeProcessor nanSwap(
        config(48000, 2, 0.0f, 0.5f, 0.5f, std::numeric_limits<float>::quiet_NaN()));
    runBlock(nanSwap, nullptr, b);
    EXPECT_EQ(b.out[0], b.in[1]);
}

TEST(RealtimeProcessor, SwapSwitchesAtTheSampleItsRampCrossesHalf) {
    RealtimeProcessor engine(config(48000, 2));
    Buffers<float> b(2, 16);
    fillRamp(b);
    testhost::ParameterChanges changes;
    changes.add(3, 0, 0.0).add(3, 10, 1.0); // 0.5 reached at sample 5
    runBlock(engine, &changes, b);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(b.out[0][i], i >= 5 ? b.in[1][i] : b.in[0][i]) << i;
    }
}

TEST(RealtimeProcessor, OneSampleBlockWithAPointAtOffsetZero) {
    RealtimeProcessor engine(config(48000, 2));
    Buffers<float> b(2, 1);
    fillRamp(b);
    testhost::ParameterChanges changes;
    changes.add(3, 0, 1.0);
    runBlock(engine, &changes, b);
    EXPECT_EQ(b.out[0][0], b.in[1][0]);
}

TEST(RealtimeProcessor, BypassFadesOverAboutTenMilliseconds) {
    RealtimeProcessor engine(config(48000, 2, 0.0f, 0.5f, 0.5f, 1.0f));
    Buffers<float> b(2, 4800);
    for (int i = 0; i < b.samples(); ++i) {
        b.in[0][i] = 1.0f; // swapped away: the left output carries only the dry share
        b.in[1][i] = 0.0f;
    }
    testhost::ParameterChanges changes;
    changes.add(0, 0, 1.0);
    runBlock(engine, &changes, b);
    const float c = static_cast<float>(100.0 / 48000);
    EXPECT_EQ(b.out[0][0], c);
    for (int i = 1; i < b.samples(); ++i) {
        ASSERT_GE(b.out[0][i], b.out[0][i - 1]);
    }
    EXPECT_NEAR(b.out[0][479], 1.0 - std::exp(-1.0), 0.01);
    EXPECT_GT(b.out[0][4799], 0.9999f);
}

TEST(RealtimeProcessor, ParameterChangesFillTheValueCells) {
    RealtimeProcessor engine(config(48000, 2));
    testhost::ParameterChanges changes;
    changes.add(1, 0, 0.1).add(1, 20, 0.3);
    changes.queue(1).add(5, 0.7); // a later queue for the same id replaces the earlier one
    changes.add(2, 3, 0.6);
    changes.queue(0).add(0, 1.0);
    changes.queue(0).add(4, 0.0);
    changes.queue(3);       // no points: ignored
    changes.add(7, 0, 0.5); // unknown id
    Buffers<float> none(2, 0);
    runBlock(engine, &changes, none);
    float value = 0.0f;
    ASSERT_TRUE(engine.takeLatestValue(1, value));
    EXPECT_EQ(value, 0.7f);
    ASSERT_TRUE(engine.takeLatestValue(2, value));
    EXPECT_EQ(value, 0.6f);
    EXPECT_FALSE(engine.takeLatestValue(1, value)); // emptied by the take
    EXPECT_FALSE(engine.takeLatestValue(3, value));
    EXPECT_FALSE(engine.takeLatestValue(7, value));
    EXPECT_FALSE(engine.takeLatestValue(-1, value));
    ASSERT_TRUE(engine.takeLatestValue(0, value));
    EXPECT_EQ(value, 0.0f);
}

TEST(RealtimeProcessor, UnreadableLastPointLeavesTheCellAlone) {
    RealtimeProcessor engine(config(48000, 2));
    testhost::ParameterChanges first;
    first.add(0, 0, 0.25);
    Buffers<float> none(2, 0);
    runBlock(engine, &first, none);
    testhost::ParameterChanges second;
    auto& q = second.queue(0);
    q.add(0, 0.5);
    q.add(9, 0.75);
    q.failPoint(1);
    runBlock(engine, &second, none);
    float value = 0.0f;
    ASSERT_TRUE(engine.takeLatestValue(0, value));
    EXPECT_EQ(value, 0.25f);
}

TEST(RealtimeProcessor, ZeroSampleCallTakesStateAndCellsButNotThePoints) {
    RealtimeProcessor engine(config(48000, 2));
    tivrandel::ProcessorState state;
    state.values[3] = 1.0f;
    engine.postState(state);
    testhost::ParameterChanges changes;
    changes.add(3, 0, 0.0);
    Buffers<float> none(2, 0);
    runBlock(engine, &changes, none);
    float value = 1.0f;
    ASSERT_TRUE(engine.takeLatestValue(3, value));
    EXPECT_EQ(value, 0.0f);

    Buffers<float> b(2, 8);
    fillRamp(b);
    runBlock(engine, nullptr, b);
    EXPECT_EQ(b.out[0], b.in[1]); // the posted swap is in force, the flushed point is not
}

TEST(RealtimeProcessor, OnlyTheLastOfTwoPostedStatesIsApplied) {
    RealtimeProcessor engine(config(48000, 2));
    tivrandel::ProcessorState swapped;
    swapped.values[3] = 1.0f;
    tivrandel::ProcessorState plain;
    engine.postState(swapped);
    engine.postState(plain);
    Buffers<float> b(2, 8);
    fillRamp(b);
    runBlock(engine, nullptr, b);
    EXPECT_EQ(b.out[0], b.in[0]);

    engine.postState(plain);
    engine.postState(swapped);
    runBlock(engine, nullptr, b);
    EXPECT_EQ(b.out[0], b.in[1]);
}

TEST(RealtimeProcessor, OtherChannelCountsPassThrough) {
    for (int channels : {1, 3, 6}) {
        RealtimeProcessor engine(config(48000, channels, 0.0f, 1.0f, 1.0f, 1.0f));
        EXPECT_EQ(engine.numChannels(), channels);
        Buffers<double> b(channels, 64);
        for (int j = 0; j < channels; ++j) {
            for (int i = 0; i < 64; ++i) {
                b.in[j][i] = 0.1 * (i + 1) + j;
            }
        }
        runBlock(engine, nullptr, b);
        for (int j = 0; j < channels; ++j) {
            for (int i = 0; i < 64; ++i) {
                EXPECT_EQ(b.out[j][i], static_cast<double>(static_cast<float>(b.in[j][i])));
            }
        }
        Buffers<float> f(channels, 16);
        for (int j = 0; j < channels; ++j) {
            f.in[j].assign(16, 0.3f + static_cast<float>(j));
        }
        runBlock(engine, nullptr, f);
        EXPECT_EQ(f.out, f.in);
    }
}

// A mono call on a stereo engine still moves the ramps and the smoothers.
TEST(RealtimeProcessor, PassThroughStillAdvancesTheControls) {
    RealtimeProcessor mono(config(48000, 2));
    RealtimeProcessor stereo(config(48000, 2));
    Buffers<float> first(2, 300);
    testhost::ParameterChanges changes;
    changes.add(2, 299, 1.0).add(0, 100, 1.0);
    runBlock(mono, &changes, first, 1);
    runBlock(stereo, &changes, first, 2);
    Buffers<float> a(2, 100);
    fillRamp(a);
    Buffers<float> b = a;
    b.inPtr = {b.in[0].data(), b.in[1].data()};
    b.outPtr = {b.out[0].data(), b.out[1].data()};
    runBlock(mono, nullptr, a);
    runBlock(stereo, nullptr, b);
    EXPECT_EQ(a.out, b.out);
    EXPECT_NE(a.out[0], a.in[0]);
}

TEST(RealtimeProcessor, SixtyFourBitPathRoundsThroughFloat) {
    RealtimeProcessor bypassed(config(48000, 2, 1.0f));
    Buffers<double> b(2, 16);
    for (int i = 0; i < 16; ++i) {
        b.in[0][i] = 0.1 * (i + 1);
        b.in[1][i] = -0.3 * (i + 1);
    }
    runBlock(bypassed, nullptr, b);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(b.out[0][i], static_cast<double>(static_cast<float>(b.in[0][i])));
    }
    // Delayed samples come out of float lines.
    RealtimeProcessor delayed(config(48000, 2, 0.0f, 1.0f));
    Buffers<double> d(2, 64);
    for (int i = 0; i < 64; ++i) {
        d.in[0][i] = 0.1 * (i + 1);
    }
    runBlock(delayed, nullptr, d);
    EXPECT_EQ(d.out[0][38], static_cast<double>(static_cast<float>(d.in[0][0])));
}

TEST(RealtimeProcessor, InPlaceBuffersWithSwap) {
    RealtimeProcessor separate(config(48000, 2, 0.0f, 0.8f, 0.3f, 1.0f));
    RealtimeProcessor inPlace(config(48000, 2, 0.0f, 0.8f, 0.3f, 1.0f));
    Buffers<float> a(2, 512);
    fillRamp(a);
    Buffers<float> b(2, 512);
    fillRamp(b);
    b.outPtr = b.inPtr;
    runBlock(separate, nullptr, a);
    runBlock(inPlace, nullptr, b);
    EXPECT_EQ(a.out, b.in);
}

// Rates no host sends must still give a working, safe engine.
TEST(RealtimeProcessor, NonPositiveSampleRatesAreSafe) {
    for (int rate : {0, -44100, 1, 50, 1136}) {
        RealtimeProcessor engine(config(rate, 2, 0.0f, 1.0f, 0.5f));
        EXPECT_LE(engine.memoryBytes(), sizeof(RealtimeProcessor) + 256);
        Buffers<float> b(2, 32);
        fillRamp(b);
        testhost::ParameterChanges changes;
        changes.add(0, 0, 1.0);
        runBlock(engine, &changes, b);
        // No delay at all; with rates up to 100 Hz the bypass jumps at once.
        EXPECT_EQ(b.out[1], b.in[1]) << rate;
        if (rate <= 100) {
            EXPECT_EQ(b.out[0], b.in[0]) << rate;
        }
    }
}

} // namespace

namespace {

// The chunked control loop must follow such a ramp sample by sample as well.
TEST(RealtimeProcessor, NegativePointOffsetKeepsTheRampMoving) {
    RealtimeProcessor engine(config(48000, 2));
    Buffers<float> b(2, 64);
    fillRamp(b);
    runBlock(engine, nullptr, b);
    testhost::ParameterChanges changes;
    changes.add(3, -3, 1.0); // 1/62 per sample from the end of the last block
    runBlock(engine, &changes, b);
    for (int i = 0; i < 64; ++i) {
        const double value = (i + 1) / 62.0;
        if (std::fabs(value - 0.5) > 1e-9) {
            EXPECT_EQ(b.out[0][i], value >= 0.5 ? b.in[1][i] : b.in[0][i]) << i;
        }
    }
}

} // namespace
