#include "editor/views/boxblur.h"

#include <algorithm>
#include <cstdint>

namespace kelvane::vst {

namespace {

// One line of count samples, stride floats apart.
void blurLine(float* line, std::ptrdiff_t stride, std::int64_t count, std::int64_t radius,
              std::vector<double>& totals) {
    totals.assign(static_cast<std::size_t>(count) + 1, 0.0);
    for (std::int64_t k = 0; k < count; ++k) {
        totals[static_cast<std::size_t>(k + 1)] =
            totals[static_cast<std::size_t>(k)] + static_cast<double>(line[k * stride]);
    }
    const double divisor = 2.0 * static_cast<double>(radius) + 1.0;
    for (std::int64_t i = 0; i < count; ++i) {
        const std::int64_t first = std::max<std::int64_t>(0, i - radius);
        const std::int64_t end = std::min<std::int64_t>(count, i + radius + 1);
        const double sum =
            totals[static_cast<std::size_t>(end)] - totals[static_cast<std::size_t>(first)];
        line[i * stride] = static_cast<float>(sum / divisor);
    }
}

} // namespace

void boxBlur(FloatImage& image, int radius, int passes) {
    const std::int64_t r = std::max(radius, 0);
    const std::int64_t width = image.width;
    const std::int64_t height = image.height;
    if (width <= 0 || height <= 0 || image.samples.size() < std::size_t(width * height * 4)) {
        return;
    }
    float* samples = image.samples.data();
    std::vector<double> totals;
    for (int pass = 0; pass < passes; ++pass) {
        for (std::int64_t y = 0; y < height; ++y) {
            for (std::int64_t channel = 0; channel < 4; ++channel) {
                blurLine(samples + (y * width) * 4 + channel, 4, width, r, totals);
            }
        }
        for (std::int64_t x = 0; x < width; ++x) {
            for (std::int64_t channel = 0; channel < 4; ++channel) {
                blurLine(samples + x * 4 + channel, width * 4, height, r, totals);
            }
        }
    }
}

} // namespace kelvane::vst
