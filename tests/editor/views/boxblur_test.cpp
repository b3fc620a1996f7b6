#include "editor/views/boxblur.h"

#include <gtest/gtest.h>

namespace viewtest {
namespace {

using kelvane::vst::FloatImage;

// A width by 1 image with every channel of pixel x at levels[x].
FloatImage row(const std::vector<float>& levels) {
    FloatImage image;
    image.width = static_cast<int>(levels.size());
    image.height = 1;
    for (float level : levels) {
        image.samples.insert(image.samples.end(), 4, level);
    }
    return image;
}

TEST(BoxBlur, MeansOverTwoRPlusOneSamplesWithZerosOutsideAlongXThenY) {
    FloatImage image = row({1, 1, 1});
    kelvane::vst::boxBlur(image, 1, 1);
    // Along x the ends see one outside zero; along y every sample sees two.
    const float expected[] = {2.f / 9, 3.f / 9, 2.f / 9};
    for (int x = 0; x < 3; ++x) {
        for (int channel = 0; channel < 4; ++channel) {
            EXPECT_FLOAT_EQ(image.samples[std::size_t(x * 4 + channel)], expected[x]);
        }
    }
}

TEST(BoxBlur, PassesRepeatAndOddArgumentsAreSafe) {
    FloatImage twice = row({0, 0, 9, 0, 0});
    kelvane::vst::boxBlur(twice, 1, 2);
    // x: 3 3 3 at 1..3, y: /3 -> 1; second pass x: 1 2 3 2 1 -> /3, y: /3.
    EXPECT_FLOAT_EQ(twice.samples[0], 1.f / 9);
    EXPECT_FLOAT_EQ(twice.samples[8], 3.f / 9);

    FloatImage untouched = row({0.5f, 1});
    kelvane::vst::boxBlur(untouched, 3, 0);
    kelvane::vst::boxBlur(untouched, 3, -2);
    EXPECT_EQ(untouched.samples, row({0.5f, 1}).samples);
    kelvane::vst::boxBlur(untouched, -1, 1); // radius 0: along y each sample is its own mean
    EXPECT_EQ(untouched.samples, row({0.5f, 1}).samples);

    FloatImage wide = row({1, 1});
    kelvane::vst::boxBlur(wide, 1000000, 1);
    EXPECT_FLOAT_EQ(wide.samples[0], 2.f / 2000001 / 2000001);
}

} // namespace
} // namespace viewtest
