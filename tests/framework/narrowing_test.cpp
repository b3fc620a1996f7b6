#include "framework/narrowing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(Narrowing, SaturatesToInfinity) {
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(kelvane::vst::narrowToFloat(1e300), inf);
    EXPECT_EQ(kelvane::vst::narrowToFloat(-1e300), -inf);
    EXPECT_EQ(kelvane::vst::narrowToFloat(0.1), 0.1f);
    EXPECT_TRUE(std::isnan(kelvane::vst::narrowToFloat(std::nan(""))));
}

} // namespace
