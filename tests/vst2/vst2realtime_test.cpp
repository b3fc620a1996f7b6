// The effect's audio entries must not allocate or lock.

#include "support/allocationcounter.h"
#include "vst2/vst2host.h"

#include <gtest/gtest.h>

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

} // namespace
