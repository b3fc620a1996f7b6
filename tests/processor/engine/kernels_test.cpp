// Each vector kernel against its scalar twin, bit for bit, over the values where a packed
// operation could part from the scalar one: NaNs of both signs and other payloads, signed
// zeros, denormals (with and without flush-to-zero), infinities, the 0.5 switch threshold and
// the ends of the clamp, and every count around the vector width.

#include "processor/engine/kernels.h"

#include "platform/flushtozero.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace {

namespace kernels = tivrandel::kernels;
using Steinberg::int32;

template <typename T>
auto bitsOf(T x) {
    using Bits = std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>;
    Bits b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

float floatFrom(std::uint32_t b) {
    float x;
    std::memcpy(&x, &b, sizeof x);
    return x;
}

std::vector<float> edgeFloats() {
    const float inf = std::numeric_limits<float>::infinity();
    const float tiny = std::numeric_limits<float>::denorm_min();
    return {0.0f,
            -0.0f,
            0.5f,
            std::nextafter(0.5f, 0.0f),
            std::nextafter(0.5f, 1.0f),
            1.0f,
            std::nextafter(1.0f, 0.0f),
            std::nextafter(1.0f, 2.0f),
            -1.0f,
            0.25f,
            0.75f,
            tiny,
            -tiny,
            std::numeric_limits<float>::min() / 3.0f,
            std::numeric_limits<float>::min(),
            std::numeric_limits<float>::max(),
            -std::numeric_limits<float>::max(),
            inf,
            -inf,
            std::numeric_limits<float>::quiet_NaN(),
            floatFrom(0xFFC00000u), // negative quiet NaN
            floatFrom(0x7FC12345u), // quiet NaN with a payload
            -3.5f,
            1e-30f};
}

// Runs the body with flush-to-zero off and on: the engine runs with it on, tests without.
template <typename Body>
void inBothModes(Body&& body) {
    body();
    kelvane::platform::FlushToZeroScope ftz;
    body();
}

TEST(Kernels, RampStepsMatchTheirTwin) {
    const double inf = std::numeric_limits<double>::infinity();
    const double halfUlp = 0.5 * (static_cast<double>(std::nextafter(0.5f, 1.0f)) - 0.5);
    // Starts and increments whose sums cross the float rounding midpoints, the switch threshold,
    // the denormal range of both types, and NaN and infinity.
    const double starts[] = {0.0,
                             -0.0,
                             0.5 - halfUlp,
                             0.5 + halfUlp,
                             1.0,
                             -1e-310,
                             1e-40,
                             0.123456789012345,
                             std::numeric_limits<double>::quiet_NaN(),
                             inf};
    const double increments[] = {0.0,        -0.0,     halfUlp, -halfUlp, 1e-3,
                                 -1.0 / 3.0, 4.9e-324, 1e-45,   1e300,    -inf};
    inBothModes([&] {
        for (int32 count = 0; count <= 13; ++count) {
            for (std::size_t s = 0; s < std::size(starts); ++s) {
                double scalarValue[4];
                double increment[4];
                for (int32 j = 0; j < 4; ++j) {
                    scalarValue[j] =
                        starts[(s + 3 * static_cast<std::size_t>(j)) % std::size(starts)];
                    increment[j] =
                        increments[(s + static_cast<std::size_t>(j)) % std::size(increments)];
                }
                double vectorValue[4];
                std::memcpy(vectorValue, scalarValue, sizeof vectorValue);
                float a[4][16] = {};
                float b[4][16] = {};
                kernels::scalar::rampSteps(scalarValue, increment, count, {a[0], a[1], a[2], a[3]});
                kernels::rampSteps(vectorValue, increment, count, {b[0], b[1], b[2], b[3]});
                for (int32 j = 0; j < 4; ++j) {
                    ASSERT_EQ(bitsOf(scalarValue[j]), bitsOf(vectorValue[j])) << count << " " << s;
                    for (int32 k = 0; k < 16; ++k) {
                        ASSERT_EQ(bitsOf(a[j][k]), bitsOf(b[j][k]))
                            << count << " " << j << " " << k;
                    }
                }
            }
        }
    });
}

TEST(Kernels, SmootherInputsMatchTheirTwin) {
    const std::vector<float> edges = edgeFloats();
    const int32 n = static_cast<int32>(edges.size());
    // Each edge value meets each parameter and a spread of coefficients, in runs that end
    // anywhere in a group of four.
    std::vector<float> bypass(edges.size() * 3);
    std::vector<float> time(bypass.size());
    std::vector<float> level(bypass.size());
    for (std::size_t k = 0; k < bypass.size(); ++k) {
        bypass[k] = edges[k % edges.size()];
        time[k] = edges[(k * 7 + 1) % edges.size()];
        level[k] = edges[(k * 5 + 2) % edges.size()];
    }
    // Coefficients are 100 / rate rounded to float, at most 1: never zero or denormal. (With a
    // denormal one, flush-to-zero would part a product 1 x c that the compiler folds to c from
    // the packed product.)
    const float coefficients[] = {static_cast<float>(100.0 / 48000), 1.0f,
                                  static_cast<float>(100.0 / 2147483647.0),
                                  static_cast<float>(100.0 / 44100)};
    inBothModes([&] {
        for (float c : coefficients) {
            for (int32 count = 0; count <= 3 * n; count += (count < 9 ? 1 : 7)) {
                std::vector<float> a(3 * bypass.size(), 7.0f);
                std::vector<float> b(a);
                const std::size_t m = bypass.size();
                kernels::scalar::smootherInputs(bypass.data(), time.data(), level.data(), count, c,
                                                0.5f * c, c, &a[0], &a[m], &a[2 * m]);
                kernels::smootherInputs(bypass.data(), time.data(), level.data(), count, c,
                                        0.5f * c, c, &b[0], &b[m], &b[2 * m]);
                for (std::size_t k = 0; k < a.size(); ++k) {
                    ASSERT_EQ(bitsOf(a[k]), bitsOf(b[k])) << count << " " << k;
                }
            }
        }
    });
}

TEST(Kernels, GainsMatchTheirTwin) {
    std::vector<float> levels = edgeFloats();
    for (float x = -1.0f; x <= 1.0f; x += 1.0f / 64.0f) {
        levels.push_back(x);
    }
    const std::vector<float> wets = edgeFloats();
    inBothModes([&] {
        for (float level : levels) {
            for (float wet : wets) {
                // With NaN on both sides of a product the payload is the compiler's choice
                // (it may swap the operands); the engine's level and wet are never NaN.
                if (std::isnan(level) && std::isnan(wet)) {
                    continue;
                }
                float a0 = 0.0f;
                float a1 = 0.0f;
                float b0 = 0.0f;
                float b1 = 0.0f;
                kernels::scalar::gains(level, wet, a0, a1);
                kernels::gains(level, wet, b0, b1);
                ASSERT_EQ(bitsOf(a0), bitsOf(b0)) << level << " " << wet;
                ASSERT_EQ(bitsOf(a1), bitsOf(b1)) << level << " " << wet;
            }
        }
    });
}

// A mix bypass x dry + gain x wet rounds alike in both, except that with NaN in both terms the
// sum's payload is the compiler's choice (it may swap an addition's operands): then any NaN.
::testing::AssertionResult sameMix(float scalar, float vector, float dryTerm, float wetTerm) {
    if (std::isnan(dryTerm) && std::isnan(wetTerm)) {
        return std::isnan(scalar) && std::isnan(vector) ? ::testing::AssertionSuccess()
                                                        : ::testing::AssertionFailure() << "no NaN";
    }
    if (bitsOf(scalar) == bitsOf(vector)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << bitsOf(scalar) << " != " << bitsOf(vector);
}

TEST(Kernels, MixFromLineMatchesItsTwinUpToTheLineEnds) {
    const std::vector<float> edges = edgeFloats();
    // A line of 3 x capacity samples read from its top end down to its first sample, as far
    // as a run can reach; under AddressSanitizer a read past either end would fail.
    const int32 capacity = 42;
    std::vector<float> line(3 * capacity);
    std::vector<float> dry(line.size());
    for (std::size_t k = 0; k < line.size(); ++k) {
        line[k] = edges[(k * 3) % edges.size()];
        dry[k] = edges[(k * 11 + 5) % edges.size()];
    }
    const int32 size = static_cast<int32>(line.size());
    inBothModes([&] {
        for (float bypass : {0.0f, 1.0f, 0.25f, std::numeric_limits<float>::denorm_min()}) {
            for (float gain : {1.0f, 0.0f, 1.41421354f, 0.3f}) {
                for (int32 count = 0; count <= size; count += (count < 9 ? 1 : 13)) {
                    const float* top = line.data() + count - 1; // the last read is line[0]
                    std::vector<float> a(dry.begin(), dry.begin() + count);
                    std::vector<float> b(a);
                    std::vector<float> c(a);
                    kernels::scalar::mixFromLine(a.data(), dry.data(), top, bypass, gain, count);
                    kernels::mixFromLine(b.data(), dry.data(), top, bypass, gain, count);
                    // In place: the output is the dry input itself.
                    kernels::mixFromLine(c.data(), c.data(), top, bypass, gain, count);
                    for (int32 m = 0; m < count; ++m) {
                        const float dryTerm = bypass * dry[m];
                        const float wetTerm = gain * top[-m];
                        ASSERT_TRUE(sameMix(a[m], b[m], dryTerm, wetTerm)) << count << " " << m;
                        ASSERT_TRUE(sameMix(a[m], c[m], dryTerm, wetTerm)) << count << " " << m;
                    }
                }
            }
        }
        // A run that starts at the top end of the line.
        std::vector<float> a(capacity);
        std::vector<float> b(capacity);
        const float* top = line.data() + size - 1;
        kernels::scalar::mixFromLine(a.data(), dry.data(), top, 0.5f, 0.5f, capacity);
        kernels::mixFromLine(b.data(), dry.data(), top, 0.5f, 0.5f, capacity);
        for (int32 m = 0; m < capacity; ++m) {
            EXPECT_TRUE(sameMix(a[m], b[m], 0.5f * dry[m], 0.5f * top[-m])) << m;
        }
    });
}

TEST(Kernels, MixForwardMatchesItsTwin) {
    const std::vector<float> edges = edgeFloats();
    std::vector<float> dry(100);
    std::vector<float> delayed(dry.size());
    for (std::size_t k = 0; k < dry.size(); ++k) {
        dry[k] = edges[(k * 5 + 3) % edges.size()];
        delayed[k] = edges[(k * 7) % edges.size()];
    }
    inBothModes([&] {
        for (float bypass : {0.0f, 1.0f, 0.25f, std::numeric_limits<float>::denorm_min()}) {
            for (float gain : {1.0f, 0.0f, 1.41421354f, 0.3f}) {
                for (int32 count = 0; count <= 100; count += (count < 17 ? 1 : 11)) {
                    std::vector<float> a(dry.begin(), dry.begin() + count);
                    std::vector<float> b(a);
                    std::vector<float> c(a);
                    kernels::scalar::mixForward(a.data(), dry.data(), delayed.data(), bypass, gain,
                                                count);
                    kernels::mixForward(b.data(), dry.data(), delayed.data(), bypass, gain, count);
                    kernels::mixForward(c.data(), c.data(), delayed.data(), bypass, gain, count);
                    for (int32 m = 0; m < count; ++m) {
                        const float dryTerm = bypass * dry[m];
                        const float wetTerm = gain * delayed[m];
                        ASSERT_TRUE(sameMix(a[m], b[m], dryTerm, wetTerm)) << count << " " << m;
                        ASSERT_TRUE(sameMix(a[m], c[m], dryTerm, wetTerm)) << count << " " << m;
                    }
                }
            }
        }
    });
}

} // namespace
