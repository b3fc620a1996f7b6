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

} // namespace

namespace {

// Blocks appended in bulk read back, at every delay, as the same samples pushed one at a time:
// blocks shorter than, equal to and longer than the capacity, across many copies to the top.
TEST(DelayLine, AppendReadsLikeSinglePushes) {
    const int lengths[] = {0, 1, 6, 7, 8, 13, 14, 15, 100, 3, 21, 1000, 2, 29};
    for (int capacity : {1, 2, 7}) {
        for (int delay = 0; delay <= capacity; ++delay) {
            DelayLine bulk(capacity);
            DelayLine single(capacity);
            bulk.setDelay(delay);
            single.setDelay(delay);
            float next = 1.0f;
            for (int length : lengths) {
                std::vector<float> block(static_cast<std::size_t>(length));
                for (float& x : block) {
                    x = next++;
                }
                bulk.append(block.data(), length);
                for (float x : block) {
                    single.push(x);
                }
                // One push reads what delay pushes ago left behind, in both lines.
                ASSERT_EQ(bulk.push(next), single.push(next))
                    << capacity << " " << delay << " " << length;
                ++next;
                ASSERT_EQ(bulk.writePos(), single.writePos()) << capacity << " " << length;
            }
        }
    }
}

} // namespace
