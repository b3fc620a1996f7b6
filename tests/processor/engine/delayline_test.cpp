#include "processor/engine/delayline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using tivrandel::DelayLine;

TEST(DelayLine, CapacityTwoSequenceCopiesOnTheFourthPush) {
    DelayLine line(2);
    EXPECT_EQ(line.writePos(), 3);
    EXPECT_EQ(line.delay(), 2);
    const float in[] = {1.0f, 2.0f, 3.0f, 4.0f, 5.0f};
    const float expected[] = {0.0f, 0.0f, 1.0f, 2.0f, 3.0f};
    const int positions[] = {2, 1, 0, 3, 2};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(line.push(in[i]), expected[i]) << i;
        EXPECT_EQ(line.writePos(), positions[i]) << i;
    }
}

TEST(DelayLine, EveryDelayUpToCapacityOverManyWraps) {
    for (int delay = 0; delay <= 7; ++delay) {
        DelayLine line(7);
        line.setDelay(delay);
        for (int i = 0; i < 100; ++i) {
            const float expected = i >= delay ? static_cast<float>(i - delay) : 0.0f;
            ASSERT_EQ(line.push(static_cast<float>(i)), expected) << delay << " " << i;
        }
    }
}

TEST(DelayLine, DelayIsKeptWithinCapacityAndZeroIsAWire) {
    DelayLine line(4);
    line.setDelay(9);
    EXPECT_EQ(line.delay(), 4);
    line.setDelay(-3);
    EXPECT_EQ(line.delay(), 0);
    EXPECT_EQ(line.push(0.5f), 0.5f);

    DelayLine wire(0);
    EXPECT_EQ(wire.capacity(), 0);
    wire.setDelay(5);
    EXPECT_EQ(wire.delay(), 0);
    EXPECT_EQ(wire.push(0.25f), 0.25f);
    EXPECT_EQ(wire.bytes(), 0u);

    DelayLine negative(-10); // what a nonsensical sample rate would ask for
    EXPECT_EQ(negative.capacity(), 0);
    EXPECT_EQ(negative.push(1.5f), 1.5f);
}

// Bulk runs of any length, interleaved with single pushes, leave the line exactly as pushing
// one sample at a time does.
TEST(DelayLine, BulkRunsMatchSinglePushes) {
    DelayLine single(5);
    DelayLine bulk(5);
    single.setDelay(3);
    bulk.setDelay(3);
    float next = 1.0f;
    const int runs[] = {1, 4, 9, 2, 10, 3, 0, 7, 11, 1};
    for (int length : runs) {
        int done = 0;
        while (done < length) {
            const int room = bulk.prepareRun();
            const int count = std::min(room, length - done);
            float* top = bulk.top() - 1;
            for (int k = 0; k < count; ++k) {
                top[-k] = next;
                const float expected = single.push(next);
                ASSERT_EQ(top[3 - k], expected);
                next += 1.0f;
            }
            bulk.finishRun(count);
            done += count;
        }
        ASSERT_EQ(bulk.writePos(), single.writePos());
    }
    // Identical contents: every delay reads the same history.
    for (int delay = 0; delay <= 5; ++delay) {
        DelayLine a = single;
        DelayLine b = bulk;
        a.setDelay(delay);
        b.setDelay(delay);
        EXPECT_EQ(a.push(-1.0f), b.push(-1.0f)) << delay;
    }
}

} // namespace
