// The effect's audio entries must not allocate or lock.

#include "support/allocationcounter.h"
#include "vst2/vst2host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>

namespace {

using namespace vst2host;

template <typename Body>
long allocationsIn(Body&& body) {
    testhost::AllocationCounter counter;
    body();
    counter.stop();
    return counter.total();
}

TEST(Vst2Realtime, CountingIsLive) {
    // Volatile, so that the compiler cannot elide the pair.
    EXPECT_GE(allocationsIn([] {
                  int* volatile object = new int(1);
                  delete object;
              }),
              1);
}

TEST(Vst2Realtime, AudioEntriesAllocateNothing) {
    RecordingFactory factory;
    Effect effect(&factory);
    ASSERT_TRUE(effect);
    AEffect* raw = effect.operator->();
    raw->dispatcher(raw, effSetProcessPrecision, 0, kVstProcessPrecision64, nullptr, 0.0f);
    // Blocks three times the announced size go through in pieces.
    effect.start(48000.0f, 256);

    auto in32 = noise<float>(768, 1);
    auto out32 = in32;
    auto in64 = noise<double>(768, 2);
    auto out64 = in64;
    float* inputs32[2] = {in32[0].data(), in32[1].data()};
    float* outputs32[2] = {out32[0].data(), out32[1].data()};
    double* inputs64[2] = {in64[0].data(), in64[1].data()};
    double* outputs64[2] = {out64[0].data(), out64[1].data()};

    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(allocationsIn([&] {
                      for (int index = 0; index < raw->numParams; ++index) {
                          raw->setParameter(raw, index, 0.25f * static_cast<float>(round));
                          (void)raw->getParameter(raw, index);
                      }
                      raw->processReplacing(raw, inputs32, outputs32, 768);
                      raw->processReplacing(raw, inputs32, inputs32, 100); // in place
                      raw->processDoubleReplacing(raw, inputs64, outputs64, 768);
                      raw->process(raw, inputs32, outputs32, 768);
                  }),
                  0)
            << "round " << round;
    }

    raw->dispatcher(raw, effMainsChanged, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(allocationsIn([&] { raw->processReplacing(raw, inputs32, outputs32, 768); }), 0)
        << "suspended";
}

TEST(Vst2Realtime, AHugeAnnouncedBlockSizeTakesBoundedMemory) {
    for (VstIntPtr announced : {VstIntPtr(1) << 28, VstIntPtr(2147483647)}) {
        SCOPED_TRACE(announced);
        RecordingFactory factory;
        Effect effect(&factory);
        ASSERT_TRUE(effect);
        effect.dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
        effect.dispatch(effSetBlockSize, 0, announced);
        testhost::AllocationCounter counter;
        effect.dispatch(effMainsChanged, 0, 1);
        counter.stop();
        EXPECT_LT(testhost::AllocationCounter::largest(), std::size_t(1) << 20);

        // Blocks longer than any piece, through the replacing and the accumulating entry; at the
        // default settings the effect passes its input through.
        auto input = noise<float>(20000, 4);
        auto output = input;
        std::vector<std::vector<float>> sums(2, std::vector<float>(20000, 0.0f));
        float* inputs[2] = {input[0].data(), input[1].data()};
        float* outputs[2] = {output[0].data(), output[1].data()};
        float* sumOutputs[2] = {sums[0].data(), sums[1].data()};
        AEffect* raw = effect.operator->();
        EXPECT_EQ(allocationsIn([&] {
                      raw->processReplacing(raw, inputs, outputs, 20000);
                      raw->process(raw, inputs, sumOutputs, 20000);
                  }),
                  0);
        EXPECT_EQ(output, input);
        EXPECT_EQ(sums, input);
    }
}

// Random blocks through the three entries in turn, whatever width was announced, with host
// values set between them: every block bit for bit what the VST 3 processor renders in the
// entry's width from the same values (the 64-bit inputs exact floats, as the 32-bit ones), and
// nothing allocated or locked on the way.
TEST(Vst2Realtime, BlocksThroughEveryEntryInTurnMatchTheVst3RendersAndAllocateNothing) {
    enum Entry { Replacing, DoubleReplacing, Accumulating };
    for (VstIntPtr announced : {kVstProcessPrecision32, kVstProcessPrecision64}) {
        SCOPED_TRACE(announced == kVstProcessPrecision64 ? "announced 64-bit" : "announced 32-bit");
        RecordingFactory factory;
        Effect effect(&factory);
        ASSERT_TRUE(effect);
        AEffect* raw = effect.operator->();
        ASSERT_EQ(effect.dispatch(effSetProcessPrecision, 0, announced), 1);
        effect.start(44100.0f, 512);
        Reference<float> reference(44100.0);
        std::mt19937 random(static_cast<std::uint32_t>(announced) + 11u);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        long allocations = 0;
        int entries[3] = {};
        for (unsigned block = 0; block < 240; ++block) {
            // Some blocks follow host values, some of them for the same parameter twice.
            std::vector<std::pair<int, float>> sets;
            if (random() % 3 == 0) {
                for (auto k = 1 + random() % 3; k > 0; --k) {
                    sets.emplace_back(
                        static_cast<int>(random() % static_cast<unsigned>(raw->numParams)),
                        unit(random));
                }
            }
            Values changes;
            for (const auto& set : sets) {
                const auto id = static_cast<Steinberg::Vst::ParamID>(set.first);
                auto same = std::find_if(changes.begin(), changes.end(),
                                         [&](const auto& change) { return change.first == id; });
                if (same != changes.end()) {
                    same->second = set.second;
                } else {
                    changes.emplace_back(id, set.second);
                }
            }
            const int frames = 1 + static_cast<int>(random() % 1400);
            const auto entry = static_cast<Entry>(random() % 3);
            ++entries[entry];
            auto input = noise<float>(frames, 500 + block);
            auto output = noise<float>(frames, 900 + block); // what the accumulating entry adds to
            std::vector<std::vector<double>> input64(2), output64(2);
            for (int c = 0; c < 2; ++c) {
                input64[c].assign(input[c].begin(), input[c].end());
                output64[c].assign(static_cast<size_t>(frames), 0.0);
            }
            const auto prior = output;
            float* in32[2] = {input[0].data(), input[1].data()};
            float* out32[2] = {output[0].data(), output[1].data()};
            double* in64[2] = {input64[0].data(), input64[1].data()};
            double* out64[2] = {output64[0].data(), output64[1].data()};

            allocations += allocationsIn([&] {
                for (const auto& set : sets) {
                    raw->setParameter(raw, set.first, set.second);
                }
                switch (entry) {
                case Replacing:
                    raw->processReplacing(raw, in32, out32, frames);
                    break;
                case DoubleReplacing:
                    raw->processDoubleReplacing(raw, in64, out64, frames);
                    break;
                case Accumulating:
                    raw->process(raw, in32, out32, frames);
                    break;
                }
            });

            if (entry == DoubleReplacing) {
                ASSERT_EQ(output64, reference.process(input64, changes)) << "block " << block;
                continue;
            }
            auto expected = reference.process(input, changes);
            if (entry == Accumulating) {
                for (int c = 0; c < 2; ++c) {
                    for (int i = 0; i < frames; ++i) {
                        expected[c][i] = prior[c][i] + expected[c][i];
                    }
                }
            }
            ASSERT_EQ(output, expected) << "block " << block << ", entry " << entry;
        }
        EXPECT_EQ(allocations, 0);
        for (int count : entries) {
            EXPECT_GT(count, 40);
        }
    }
}

} // namespace
