#include "processor/engine/enginemath.h"
#include "processor/engine/smoother.h"
#include "framework/valuemailbox.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using tivrandel::OnePoleSmoother;
using kelvane::vst::ValueMailbox;

TEST(Clamp01, MinThenMaxSoNaNIsOne) {
    EXPECT_EQ(tivrandel::clamp01(std::numeric_limits<float>::quiet_NaN()), 1.0f);
    EXPECT_EQ(tivrandel::clamp01(-0.5f), 0.0f);
    EXPECT_EQ(tivrandel::clamp01(7.0f), 1.0f);
    EXPECT_EQ(tivrandel::clamp01(0.25f), 0.25f);
    EXPECT_FALSE(std::signbit(tivrandel::clamp01(-0.0f)));
}

TEST(ValueMailbox, KeepsTheLatestValueUntilTaken) {
    ValueMailbox box;
    float value = -1.0f;
    EXPECT_FALSE(box.take(value));
    EXPECT_EQ(value, -1.0f);
    box.store(0.25f);
    box.store(0.75f);
    ASSERT_TRUE(box.take(value));
    EXPECT_EQ(value, 0.75f);
    EXPECT_FALSE(box.take(value));
    // A NaN is indistinguishable from the empty mark.
    box.store(std::numeric_limits<float>::quiet_NaN());
    EXPECT_FALSE(box.take(value));
    box.store(-0.0f);
    ASSERT_TRUE(box.take(value));
    EXPECT_TRUE(std::signbit(value));
}

TEST(OnePoleSmoother, CoefficientIsHundredOverTheRate) {
    EXPECT_EQ(OnePoleSmoother::coefficientFor(48000), static_cast<float>(100.0 / 48000));
    EXPECT_EQ(OnePoleSmoother::coefficientFor(44100), static_cast<float>(100.0 / 44100));
    EXPECT_EQ(OnePoleSmoother::coefficientFor(100), 1.0f);
    // Rates no host sends: a jump to the target rather than an infinite or runaway filter.
    EXPECT_EQ(OnePoleSmoother::coefficientFor(0), 1.0f);
    EXPECT_EQ(OnePoleSmoother::coefficientFor(-48000), 1.0f);
    EXPECT_EQ(OnePoleSmoother::coefficientFor(1), 1.0f);
}

TEST(OnePoleSmoother, ClosesAFractionOfTheDistanceAndSettles) {
    const float c = OnePoleSmoother::coefficientFor(48000);
    OnePoleSmoother smoother(0.0f, c);
    EXPECT_EQ(smoother.step(1.0f), 1.0f * c + (1.0f - c) * 0.0f);
    int steps = 1;
    while (!smoother.settledAt(1.0f) && steps < 100000) {
        smoother.step(1.0f);
        ++steps;
    }
    ASSERT_LT(steps, 100000);
    const float settled = smoother.value();
    // Rounding of (1 - c) x stops it a few ulps short of the target.
    EXPECT_NEAR(settled, 1.0f, 1e-4f);
    smoother.step(1.0f);
    EXPECT_EQ(smoother.value(), settled);
    EXPECT_FALSE(smoother.settledAt(0.0f));

    OnePoleSmoother jump(0.0f, OnePoleSmoother::coefficientFor(0));
    EXPECT_EQ(jump.step(-1.0f), -1.0f);
    EXPECT_TRUE(jump.settledAt(-1.0f));
}

} // namespace
