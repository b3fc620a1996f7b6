#pragma once

#include <cstddef>
#include <vector>

namespace kelvane::vst {

// A four-channel image of floats in 0..1, row by row, four samples a pixel.
struct FloatImage {
    int width = 0;
    int height = 0;
    std::vector<float> samples;
};

// passes times: a box blur of radius r along x, then along y. Each output sample is the mean of
// the 2r + 1 input samples centred on it, counting samples outside the image as zero (so the
// borders darken). A negative radius counts as 0, a negative number of passes as none. Any
// radius costs the same: the sums come from running totals.
void boxBlur(FloatImage& image, int radius, int passes);

} // namespace kelvane::vst
