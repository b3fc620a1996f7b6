#include "processor/engine/parameterramp.h"

#include "host/parameterchanges.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using tivrandel::ParameterRamp;

void runBlock(ParameterRamp& ramp, Steinberg::Vst::IParamValueQueue* queue, int samples) {
    ramp.beginBlock(queue);
    for (int i = 0; i < samples; ++i) {
        ramp.advance();
    }
}

TEST(ParameterRamp, PointAfterABlockWithPointsIsMeasuredFromItsEnd) {
    ParameterRamp ramp;
    ramp.resetTo(0.25, nullptr);
    testhost::ParamValueQueue first(1);
    first.add(10, 0.2);
    runBlock(ramp, &first, 128);
    ASSERT_EQ(ramp.value(), 0.2);

    testhost::ParamValueQueue second(1);
    second.add(63, 0.8);
    ramp.beginBlock(&second);
    EXPECT_EQ(ramp.increment(), (0.8 - 0.2) / 64.0);
    for (int i = 0; i < 128; ++i) {
        ramp.advance();
        if (i < 63) {
            EXPECT_LT(ramp.value(), 0.8);
        } else {
            EXPECT_EQ(ramp.value(), 0.8) << i; // exactly the point's value, then held
        }
    }
}

TEST(ParameterRamp, BlocksWithoutPointsLengthenTheSpan) {
    ParameterRamp ramp;
    testhost::ParamValueQueue first(1);
    first.add(0, 0.2);
    runBlock(ramp, &first, 128);
    runBlock(ramp, nullptr, 128);
    EXPECT_EQ(ramp.value(), 0.2);

    testhost::ParamValueQueue third(1);
    third.add(63, 0.8);
    ramp.beginBlock(&third);
    EXPECT_EQ(ramp.lastPointOffset(), 63);
    EXPECT_EQ(ramp.increment(), (0.8 - 0.2) / (63 + 129));
    for (int i = 0; i < 64; ++i) {
        ramp.advance();
    }
    EXPECT_EQ(ramp.value(), 0.8);
}

TEST(ParameterRamp, PointAtOffsetZeroTakesEffectOnTheFirstSample) {
    ParameterRamp ramp;
    ramp.resetTo(0.0, nullptr);
    testhost::ParamValueQueue queue(0);
    queue.add(0, 1.0);
    ramp.beginBlock(&queue);
    ramp.advance();
    EXPECT_EQ(ramp.value(), 1.0);
}

TEST(ParameterRamp, SkipsRepeatedDecreasingAndUnreadablePoints) {
    ParameterRamp ramp;
    ramp.resetTo(0.0, nullptr);
    testhost::ParamValueQueue queue(2);
    queue.add(3, 0.3);
    queue.add(3, 0.9); // same offset: ignored
    queue.add(2, 0.9); // earlier offset: ignored
    queue.add(7, 0.5); // unreadable
    queue.add(9, 0.6);
    queue.failPoint(3);
    ramp.beginBlock(&queue);
    EXPECT_EQ(ramp.targetOffset(), 3);
    EXPECT_EQ(ramp.increment(), 0.3 / 4.0);
    for (int i = 0; i < 4; ++i) {
        ramp.advance();
    }
    EXPECT_EQ(ramp.value(), 0.3);
    EXPECT_EQ(ramp.targetOffset(), 9);
    EXPECT_EQ(ramp.increment(), (0.6 - 0.3) / 6.0);
    for (int i = 4; i < 16; ++i) {
        ramp.advance();
    }
    EXPECT_EQ(ramp.value(), 0.6);
    EXPECT_EQ(ramp.targetOffset(), ParameterRamp::noTarget);
}

TEST(ParameterRamp, PointBeyondTheBlockIsHeadedForThenAbandoned) {
    ParameterRamp ramp;
    ramp.resetTo(0.0, nullptr);
    testhost::ParamValueQueue queue(1);
    queue.add(99, 1.0);
    runBlock(ramp, &queue, 50);
    const double reached = ramp.value();
    EXPECT_GT(reached, 0.45);
    EXPECT_LT(reached, 0.55);
    runBlock(ramp, nullptr, 50);
    EXPECT_EQ(ramp.value(), reached);
    EXPECT_EQ(ramp.increment(), 0.0);
}

TEST(ParameterRamp, ResetReplacesTheValueAndKeepsTheBlockQueue) {
    ParameterRamp ramp;
    runBlock(ramp, nullptr, 10);
    testhost::ParamValueQueue queue(1);
    queue.add(4, 1.0);
    ramp.resetTo(0.5, &queue);
    EXPECT_EQ(ramp.value(), 0.5);
    // Measured from the end of the earlier block, 10 samples back from -1.
    EXPECT_EQ(ramp.increment(), 0.5 / (4 + 11));
}

TEST(ParameterRamp, FlatSkipMatchesAdvancing) {
    ParameterRamp stepped;
    ParameterRamp skipped;
    stepped.resetTo(-0.0, nullptr);
    skipped.resetTo(-0.0, nullptr);
    ASSERT_TRUE(skipped.flatFor(100));
    for (int i = 0; i < 100; ++i) {
        stepped.advance();
    }
    skipped.skipFlat(100);
    EXPECT_EQ(std::signbit(stepped.value()), std::signbit(skipped.value()));
    EXPECT_EQ(stepped.sampleIndex(), skipped.sampleIndex());

    testhost::ParamValueQueue queue(1);
    queue.add(20, 0.5);
    skipped.beginBlock(&queue);
    EXPECT_FALSE(skipped.flatFor(5));
    EXPECT_EQ(skipped.advancesBeforeTarget(), 20);
}

// A parameter left without automation for more than 2^31 samples (12 hours at 48 kHz) must
// still follow its next point instead of overflowing the span and skipping it.
TEST(ParameterRamp, LongStretchesWithoutPointsDoNotOverflow) {
    ParameterRamp ramp;
    ramp.resetTo(0.0, nullptr);
    for (int block = 0; block < 4; ++block) {
        ramp.skipFlat(1 << 30);
        ramp.beginBlock(nullptr);
    }
    EXPECT_EQ(ramp.lastPointOffset(), std::numeric_limits<Steinberg::int32>::min());
    testhost::ParamValueQueue queue(1);
    queue.add(10, 1.0);
    ramp.beginBlock(&queue);
    EXPECT_EQ(ramp.targetOffset(), 10);
    EXPECT_GT(ramp.increment(), 0.0);
    for (int i = 0; i < 11; ++i) {
        ramp.advance();
    }
    EXPECT_EQ(ramp.value(), 1.0);
}

} // namespace

namespace {

// A point behind the current sample is headed for but never reached within the block.
TEST(ParameterRamp, NegativeOffsetAfterARewindIsNeverReached) {
    ParameterRamp ramp;
    ramp.resetTo(0.0, nullptr);
    runBlock(ramp, nullptr, 64);
    testhost::ParamValueQueue queue(3);
    queue.add(-3, 1.0);
    ramp.beginBlock(&queue);
    EXPECT_EQ(ramp.targetOffset(), -3);
    EXPECT_EQ(ramp.increment(), 1.0 / 62.0);
    EXPECT_GT(ramp.advancesBeforeTarget(), 1 << 30);
    EXPECT_FALSE(ramp.flatFor(1));
    for (int i = 0; i < 100; ++i) {
        ramp.advance();
    }
    EXPECT_GT(ramp.value(), 1.5);
}

} // namespace
