// The engine with the fine delay: where it reads, what is late and by how much, its bulk runs
// against its sample-by-sample path, and switching it on and off, which must leave the
// whole-sample path exactly as it would have been.

#include "processor/engine/realtimeprocessor.h"

#include "enginefixture.h"

#include "platform/flushtozero.h"
#include "processor/engine/sinctable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using enginetest::bits;
using enginetest::Buffers;
using enginetest::runBlock;
using tivrandel::Parameters;
using tivrandel::RealtimeProcessor;
using tivrandel::SincTable;

constexpr int late = SincTable::lookAhead;

tivrandel::RealtimeProcessorConfig fineConfig(int rate, int channels, bool fine,
                                              float bypass = 0.0f, float timePan = 0.5f,
                                              float levelPan = 0.5f, float swap = 0.0f) {
    tivrandel::RealtimeProcessorConfig c =
        enginetest::config(rate, channels, bypass, timePan, levelPan, swap);
    c.state.values[Parameters::FineDelay] = fine ? 1.0f : 0.0f;
    return c;
}

// A deterministic signal with sign changes and varied magnitudes.
struct Signal {
    std::uint32_t state = 777;
    double next() {
        state = state * 1664525u + 1013904223u;
        return (static_cast<double>(state >> 8) / 16777216.0 - 0.5) * 1.6;
    }
};

template <typename Sample>
void fill(Buffers<Sample>& b, Signal& signal) {
    for (auto& channel : b.in) {
        for (Sample& x : channel) {
            x = static_cast<Sample>(signal.next());
        }
    }
}

// Each channel, in its own width, as it would leave float lines: rounded to float.
template <typename Sample>
Sample throughFloat(Sample x) {
    return static_cast<Sample>(static_cast<float>(x));
}

// Everything the engine outputs is late by the same samples: both ears at the centre, the dry
// signal of the bypass, and channel counts it passes through, in 32 and 64 bits.
template <typename Sample>
void expectAllLate(int channels, float bypass) {
    RealtimeProcessor engine(fineConfig(48000, channels, true, bypass, 0.5f, 0.5f, 0.0f));
    EXPECT_TRUE(engine.onFinePath());
    Signal signal;
    Buffers<Sample> b(channels, 300);
    fill(b, signal);
    kelvane::platform::FlushToZeroScope ftz;
    runBlock(engine, nullptr, b);
    for (int j = 0; j < channels; ++j) {
        for (int i = 0; i < 300; ++i) {
            const Sample expected = i < late ? Sample(0) : throughFloat(b.in[j][i - late]);
            ASSERT_EQ(b.out[j][i], expected) << channels << " channels, " << j << ", " << i;
        }
    }
}

TEST(FinePath, EverythingItOutputsIsLateByTheLatency) {
    expectAllLate<float>(2, 0.0f);
    expectAllLate<double>(2, 0.0f);
    expectAllLate<float>(2, 1.0f);
    expectAllLate<double>(2, 1.0f);
    expectAllLate<float>(1, 0.0f);
    expectAllLate<double>(3, 0.0f);
}

// An impulse through a pan of 5.5 samples: the right ear is the impulse at the latency, the
// left one the kernel for half a sample around 5.5 samples behind that; a negative pan mirrors it.
TEST(FinePath, TheEarAwayFromTheSourceReadsBetweenSamples) {
    const float pan = 5.5f / 38.4f;
    for (float position : {pan, -pan}) {
        RealtimeProcessor engine(fineConfig(48000, 2, true, 0.0f, 0.5f * (position + 1.0f)));
        Buffers<float> b(2, 200);
        b.in[0][100] = 1.0f;
        b.in[1][100] = 1.0f;
        runBlock(engine, nullptr, b);
        const int away = position > 0.0f ? 0 : 1;
        double exact[SincTable::taps];
        SincTable::exactKernel(0.5, exact);
        for (int i = 0; i < 200; ++i) {
            EXPECT_EQ(b.out[1 - away][i], i == 100 + late ? 1.0f : 0.0f) << i;
            // Tap q reads 5 + 8 - q samples behind the latency.
            const int q = 100 + late + 5 + 8 - i;
            const double expected = q >= 0 && q < SincTable::taps ? exact[q] : 0.0;
            EXPECT_NEAR(b.out[away][i], expected, 3e-6) << i;
        }
    }
}

// One phase of a session: a block of automation (or a posted state), then still stretches in
// which the bulk path engages.
void automate(int phase, int n, testhost::ParameterChanges& changes, RealtimeProcessor& a,
              RealtimeProcessor& b) {
    switch (phase % 5) {
    case 0:
        changes.add(1, 0, 0.9).add(1, n / 2, 0.1); // across the centre
        break;
    case 1:
        changes.add(3, n / 3, 1.0).add(2, n - 1, 0.8);
        break;
    case 2:
        changes.add(0, 0, 1.0).add(1, n / 4, 0.6);
        break;
    case 3: {
        tivrandel::ProcessorState state{{0.0f, 0.2f, 0.5f, 1.0f, 1.0f}};
        a.postState(state);
        b.postState(state);
        break;
    }
    default:
        changes.add(0, n / 2, 0.0).add(3, 0, 0.0).add(1, 3, 0.5); // at the centre
        break;
    }
}

enum class Pairing { Separate, InPlace, Crossed };

// The bulk path against the sample-by-sample one (and, with narrow set, the SSE2 kernels against
// the widest), bit for bit.
template <typename Sample>
void compareOverSession(int rate, Pairing pairing, bool narrow) {
    kelvane::platform::FlushToZeroScope ftz;
    RealtimeProcessor bulk(fineConfig(rate, 2, true, 0.0f, 0.9f, 0.3f));
    RealtimeProcessor reference(fineConfig(rate, 2, true, 0.0f, 0.9f, 0.3f));
    reference.setSteadyStatePath(false);
    reference.setWideKernels(!narrow);
    Signal signal;
    const int lengths[] = {7, 1024, 4096, 33, 256, 8192, 1, 500, 4096, 129, 2048, 8192};
    int block = 0;
    for (int phase = 0; phase < 6; ++phase) {
        int still = 0;
        for (bool first = true; still < rate; first = false, ++block) {
            const int n = lengths[block % 12];
            testhost::ParameterChanges changes;
            if (first) {
                automate(phase, n, changes, bulk, reference);
            } else {
                still += n;
            }
            Buffers<Sample> a(2, n);
            fill(a, signal);
            Buffers<Sample> b = a;
            b.inPtr = {b.in[0].data(), b.in[1].data()};
            b.outPtr = {b.out[0].data(), b.out[1].data()};
            if (pairing == Pairing::InPlace) {
                a.outPtr = a.inPtr;
            } else if (pairing == Pairing::Crossed) {
                a.outPtr = {a.inPtr[1], a.inPtr[0]};
            }
            runBlock(bulk, &changes, a);
            runBlock(reference, &changes, b);
            for (int j = 0; j < 2; ++j) {
                const auto& got = pairing == Pairing::Separate  ? a.out[j]
                                  : pairing == Pairing::InPlace ? a.in[j]
                                                                : a.in[1 - j];
                for (int i = 0; i < n; ++i) {
                    ASSERT_EQ(bits(got[i]), bits(b.out[j][i]))
                        << "phase " << phase << " block " << block << " channel " << j << " sample "
                        << i;
                }
            }
        }
    }
    EXPECT_GT(bulk.steadyStateSamples(), static_cast<std::uint64_t>(2 * rate));
    EXPECT_EQ(reference.steadyStateSamples(), 0u);
    EXPECT_TRUE(bulk.onFinePath());
}

TEST(FinePath, SteadyRunsGiveTheSameSamplesAsSampleBySample) {
    compareOverSession<float>(48000, Pairing::Separate, false);
    compareOverSession<float>(44100, Pairing::InPlace, true);
    compareOverSession<float>(96000, Pairing::Crossed, false);
    compareOverSession<double>(48000, Pairing::InPlace, false);
    compareOverSession<double>(192000, Pairing::Separate, true);
}

// The samples the fine lines must hold before the fine path can be faded in.
int reach(int rate) {
    return late + static_cast<int>(0.0008f * static_cast<float>(rate)) + SincTable::taps / 2;
}

// Two engines fed alike, one of them switched by the blocks' points.
struct SwitchedPair {
    SwitchedPair(int rate, bool fineAtStart, float timePan)
        : plain(fineConfig(rate, 2, fineAtStart, 0.0f, timePan, 0.4f)),
          switched(fineConfig(rate, 2, fineAtStart, 0.0f, timePan, 0.4f)) {}

    // A block of n samples through both; a point for the fine delay to the switched one if
    // asked. Returns the first sample at which they differ (n if none).
    int block(int n, int finePoint = -1, double value = 0.0) {
        Buffers<float> a(2, n);
        fill(a, signal);
        Buffers<float> b = a;
        b.inPtr = {b.in[0].data(), b.in[1].data()};
        b.outPtr = {b.out[0].data(), b.out[1].data()};
        testhost::ParameterChanges changes;
        if (finePoint >= 0) {
            changes.add(Parameters::FineDelay, finePoint, value);
        }
        runBlock(plain, nullptr, a);
        runBlock(switched, &changes, b);
        for (int i = 0; i < n; ++i) {
            if (bits(a.out[0][i]) != bits(b.out[0][i]) || bits(a.out[1][i]) != bits(b.out[1][i])) {
                return i;
            }
        }
        return n;
    }

    kelvane::platform::FlushToZeroScope ftz;
    Signal signal;
    RealtimeProcessor plain;
    RealtimeProcessor switched;
};

// Switched on by a point anywhere in a block, the fine path takes over from the block's start:
// the whole-sample path alone until its lines are full (the look-ahead, 0.8 ms and the kernel's
// reach), then a 10 ms cross-fade, then the fine path alone, the same samples as an engine built
// with it on.
TEST(FinePath, SwitchingOnFadesOverAfterTheLinesFill) {
    for (int rate : {48000, 192000}) {
        SwitchedPair off(rate, false, 0.8f);
        SwitchedPair on(rate, true, 0.8f);
        EXPECT_EQ(off.block(1000), 1000);
        on.block(1000);
        // The first samples of the fade move its share too little to change a float.
        const int first = off.block(512, 300, 1.0);
        on.block(512);
        EXPECT_GE(first, reach(rate)) << rate;
        EXPECT_LT(first, reach(rate) + 16) << rate;
        EXPECT_FALSE(off.switched.onFinePath());
        // Once faded over, it is the engine built on, sample for sample.
        for (int k = 0; k < 10; ++k) {
            off.block(512);
            on.block(512);
        }
        EXPECT_TRUE(off.switched.onFinePath());
        Buffers<float> a(2, 777);
        fill(a, off.signal);
        Buffers<float> b = a;
        b.inPtr = {b.in[0].data(), b.in[1].data()};
        b.outPtr = {b.out[0].data(), b.out[1].data()};
        runBlock(off.switched, nullptr, a);
        runBlock(on.switched, nullptr, b);
        EXPECT_EQ(a.out, b.out) << rate;
    }
}

// On and off again, also with the off coming in the middle of the fade: once the fade back is
// over, the output is what the engine that was never switched gives, bit for bit.
TEST(FinePath, SwitchingBackLeavesTheWholeSamplePathAsItWas) {
    for (int onFor : {5000, 200, 20}) {
        SwitchedPair pair(48000, false, 0.3f);
        pair.block(600);
        const int first = pair.block(onFor, 10, 1.0);
        if (onFor > reach(48000)) {
            EXPECT_GE(first, reach(48000)) << onFor;
            EXPECT_LT(first, reach(48000) + 16) << onFor;
        } else {
            EXPECT_EQ(first, onFor); // switched off again before the fade moved
        }
        pair.block(64, 0, 0.0);
        pair.block(4096);
        const std::uint64_t bulk = pair.switched.steadyStateSamples();
        EXPECT_EQ(pair.block(4096), 4096) << onFor;
        EXPECT_EQ(pair.block(4096), 4096) << onFor;
        EXPECT_GT(pair.switched.steadyStateSamples(), bulk); // in bulk runs too
    }
}

// A posted state switches too, with the same fade; the block's own points come after it.
TEST(FinePath, APostedStateSwitchesAndTheBlocksPointsComeAfterIt) {
    SwitchedPair pair(48000, false, 0.7f);
    pair.block(600);
    tivrandel::ProcessorState state{{0.0f, 0.7f, 0.4f, 0.0f, 1.0f}};
    pair.switched.postState(state);
    EXPECT_LT(pair.block(2000), 2000);
    for (int k = 0; k < 4; ++k) {
        pair.block(512);
    }
    EXPECT_TRUE(pair.switched.onFinePath());

    SwitchedPair overruled(48000, false, 0.7f);
    overruled.switched.postState(state);
    EXPECT_EQ(overruled.block(3000, 5, 0.2), 3000);
    EXPECT_FALSE(overruled.switched.onFinePath());
}

// Where the engine has no delay lines the time pan does nothing, and the fine delay neither.
TEST(FinePath, StaysOffWhereTheTimePanDoesNothing) {
    for (int rate : {1000, 0}) {
        RealtimeProcessor fine(fineConfig(rate, 2, true, 0.0f, 1.0f, 0.5f));
        RealtimeProcessor plain(fineConfig(rate, 2, false, 0.0f, 1.0f, 0.5f));
        EXPECT_FALSE(fine.onFinePath());
        EXPECT_EQ(fine.memoryBytes(), plain.memoryBytes());
        Signal signal;
        Buffers<float> a(2, 100);
        fill(a, signal);
        Buffers<float> b = a;
        b.inPtr = {b.in[0].data(), b.in[1].data()};
        b.outPtr = {b.out[0].data(), b.out[1].data()};
        runBlock(fine, nullptr, a);
        runBlock(plain, nullptr, b);
        EXPECT_EQ(a.out, b.out);
    }
}

} // namespace
