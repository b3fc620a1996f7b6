#include "processor/engine/realtimeprocessor.h"

#include "enginefixture.h"

#include "platform/flushtozero.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using enginetest::bits;
using enginetest::Buffers;
using enginetest::config;
using enginetest::runBlock;
using tivrandel::RealtimeProcessor;

// A deterministic signal with sign changes, zeros and varied magnitudes.
struct Signal {
    std::uint32_t state = 12345;
    double next() {
        state = state * 1664525u + 1013904223u;
        const std::uint32_t r = state >> 8;
        if ((r & 63) == 0) {
            return (r & 64) ? -0.0 : 0.0;
        }
        return (static_cast<double>(r) / 16777216.0 - 0.5) * 1.7;
    }
};

// One phase of a session: a block of automation (or a posted state), then long still
// stretches in blocks of varied length, in which the smoothers settle and the bulk path
// engages. The next phase's automation then reads out what the delay lines hold.
void automate(int phase, int n, testhost::ParameterChanges& changes, RealtimeProcessor& bulk,
              RealtimeProcessor& reference) {
    switch (phase % 6) {
    case 0:
        changes.add(1, 0, 0.9).add(1, n / 2, 0.1); // sweep the delay across the lines
        break;
    case 1:
        changes.add(3, n / 3, 1.0).add(2, n - 1, 0.8);
        break;
    case 2:
        changes.add(0, 0, 1.0).add(1, n / 4, 0.6);
        break;
    case 3:
        changes.add(0, n / 2, 0.0).add(3, 0, 0.0).add(1, n + 100, 1.0); // beyond the block
        break;
    case 4: {
        tivrandel::ProcessorState state{{0.0f, 0.2f, 0.5f, 1.0f}};
        bulk.postState(state);
        reference.postState(state);
        break;
    }
    default:
        changes.add(1, 3, 0.5).add(2, 0, 0.5).add(3, 1, 0.0);
        break;
    }
}

// Where the engine writes its outputs: separate buffers, over its inputs, or crossed over them
// (left output into the right input's buffer), which the bulk path must survive as well.
enum class Pairing { Separate, InPlace, Crossed };

template <typename Sample>
void compareOverSession(int sampleRate, Pairing pairing) {
    kelvane::platform::FlushToZeroScope ftz; // as the processor runs the engine
    RealtimeProcessor bulk(config(sampleRate, 2, 0.0f, 0.9f, 0.3f, 0.0f));
    RealtimeProcessor reference(config(sampleRate, 2, 0.0f, 0.9f, 0.3f, 0.0f));
    reference.setSteadyStatePath(false);
    Signal signal;
    const int lengths[] = {7, 1024, 4096, 33, 256, 8192, 1, 500, 4096, 4096, 129, 2048, 8192, 8192};
    int block = 0;
    for (int phase = 0; phase < 7; ++phase) {
        int stillSamples = 0;
        for (bool first = true; stillSamples < 3 * sampleRate / 2; first = false, ++block) {
            const int n = lengths[block % 14];
            testhost::ParameterChanges changes;
            if (first) {
                automate(phase, n, changes, bulk, reference);
            } else {
                stillSamples += n;
            }
            Buffers<Sample> a(2, n);
            for (int i = 0; i < n; ++i) {
                a.in[0][i] = static_cast<Sample>(signal.next());
                a.in[1][i] = static_cast<Sample>(signal.next());
            }
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
    // The comparison covers the bulk path, in a good share of the samples.
    EXPECT_GT(bulk.steadyStateSamples(), static_cast<std::uint64_t>(2 * sampleRate));
    EXPECT_EQ(reference.steadyStateSamples(), 0u);
}

TEST(SteadyStatePath, SameSamplesAsPerSample32) {
    compareOverSession<float>(48000, Pairing::Separate);
    compareOverSession<float>(44100, Pairing::InPlace);
    compareOverSession<float>(48000, Pairing::Crossed);
}

TEST(SteadyStatePath, SameSamplesAsPerSample64) {
    compareOverSession<double>(48000, Pairing::InPlace);
    compareOverSession<double>(96000, Pairing::Separate);
    compareOverSession<double>(44100, Pairing::Crossed);
}

TEST(SteadyStatePath, SameSamplesWithoutDelayLines) {
    compareOverSession<float>(1000, Pairing::Separate);
}

TEST(SteadyStatePath, SameSamplesForPassThrough) {
    RealtimeProcessor bulk(config(48000, 3));
    RealtimeProcessor reference(config(48000, 3));
    reference.setSteadyStatePath(false);
    Buffers<double> a(3, 1000);
    Signal signal;
    for (auto& channel : a.in) {
        for (double& x : channel) {
            x = signal.next();
        }
    }
    Buffers<double> b = a;
    for (int j = 0; j < 3; ++j) {
        b.inPtr[j] = b.in[j].data();
        b.outPtr[j] = b.out[j].data();
    }
    runBlock(bulk, nullptr, a);
    runBlock(reference, nullptr, b);
    EXPECT_EQ(a.out, b.out);
    EXPECT_GT(bulk.steadyStateSamples(), 0u);
}

} // namespace
