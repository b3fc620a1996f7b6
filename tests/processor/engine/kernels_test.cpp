// Each vector kernel against its scalar twin, bit for bit, over the values where a packed
// operation could part from the scalar one: NaNs of both signs and other payloads, signed
// zeros, denormals (with and without flush-to-zero), infinities, the 0.5 switch threshold and
// the ends of the clamp, and every count around the vector width.

#include "processor/engine/kernels.h"

#include "platform/flushtozero.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>
#include <utility>
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

// Coefficients are 100 / rate rounded to float, at most 1: never zero or denormal. (With a
// denormal one, flush-to-zero would part a product 1 x c that the compiler folds to c from
// the packed product.)
const float coefficients[] = {static_cast<float>(100.0 / 48000), 1.0f,
                              static_cast<float>(100.0 / 2147483647.0),
                              static_cast<float>(100.0 / 44100)};

TEST(Kernels, RampInputsMatchTheirTwin) {
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
        for (float c : coefficients) {
            const kernels::Lanes coefficient = {c, 0.5f * c, c, 1.0f};
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
                    kernels::Lanes a[16] = {};
                    kernels::Lanes b[16] = {};
                    kernels::scalar::rampInputs(scalarValue, increment, count, coefficient, a);
                    kernels::rampInputs(vectorValue, increment, count, coefficient, b);
                    for (int32 j = 0; j < 4; ++j) {
                        ASSERT_EQ(bitsOf(scalarValue[j]), bitsOf(vectorValue[j]))
                            << count << " " << s;
                    }
                    for (int32 k = 0; k < 16; ++k) {
                        for (int32 j = 0; j < 4; ++j) {
                            ASSERT_EQ(bitsOf(a[k][j]), bitsOf(b[k][j]))
                                << count << " " << j << " " << k;
                        }
                    }
                }
            }
        }
    });
}

// Every edge value, reached without an increment, in each lane of every coefficient.
TEST(Kernels, RampInputsTakeEveryEdgeValueLikeTheirTwin) {
    const std::vector<float> edges = edgeFloats();
    inBothModes([&] {
        for (float c : coefficients) {
            const kernels::Lanes coefficient = {c, 0.5f * c, c, 1.0f};
            for (std::size_t e = 0; e < edges.size(); ++e) {
                double a[4];
                double b[4];
                const double zero[4] = {0.0, -0.0, 0.0, 0.0};
                for (std::size_t j = 0; j < 4; ++j) {
                    a[j] = b[j] = static_cast<double>(edges[(e + 5 * j) % edges.size()]);
                }
                kernels::Lanes x[5] = {};
                kernels::Lanes y[5] = {};
                kernels::scalar::rampInputs(a, zero, 5, coefficient, x);
                kernels::rampInputs(b, zero, 5, coefficient, y);
                for (int32 k = 0; k < 5; ++k) {
                    for (int32 j = 0; j < 4; ++j) {
                        ASSERT_EQ(bitsOf(x[k][j]), bitsOf(y[k][j])) << e << " " << k << " " << j;
                    }
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
                    // Undelayed and in place: one buffer for all three.
                    std::vector<float> d(a.size());
                    std::copy(delayed.begin(), delayed.begin() + count, d.begin());
                    std::vector<float> e(d);
                    kernels::scalar::mixForward(d.data(), d.data(), d.data(), bypass, gain, count);
                    kernels::mixForward(e.data(), e.data(), e.data(), bypass, gain, count);
                    for (int32 m = 0; m < count; ++m) {
                        const float dryTerm = bypass * dry[m];
                        const float wetTerm = gain * delayed[m];
                        ASSERT_TRUE(sameMix(a[m], b[m], dryTerm, wetTerm)) << count << " " << m;
                        ASSERT_TRUE(sameMix(a[m], c[m], dryTerm, wetTerm)) << count << " " << m;
                        ASSERT_TRUE(sameMix(d[m], e[m], bypass * delayed[m], wetTerm))
                            << count << " " << m;
                    }
                }
            }
        }
    });
}

// Every count around the vector width, written down to the line's first slot (under
// AddressSanitizer a write past it would fail).
TEST(Kernels, StoreReversedMatchesItsTwin) {
    const std::vector<float> edges = edgeFloats();
    for (int32 count = 0; count <= 21; ++count) {
        std::vector<float> x(static_cast<std::size_t>(count));
        for (std::size_t k = 0; k < x.size(); ++k) {
            x[k] = edges[(k * 3 + 1) % edges.size()];
        }
        std::vector<float> a(x.size() + 2, 9.0f);
        std::vector<float> b(a);
        const std::ptrdiff_t top = count > 0 ? count - 1 : 0;
        kernels::scalar::storeReversed(a.data() + top, x.data(), count);
        kernels::storeReversed(b.data() + top, x.data(), count);
        for (std::size_t k = 0; k < a.size(); ++k) {
            ASSERT_EQ(bitsOf(a[k]), bitsOf(b[k])) << count << " " << k;
        }
    }
}

// The instruction sets that this machine runs: each is held to the twin.
std::vector<kernels::Isa> isasHere() {
    std::vector<kernels::Isa> isas = {kernels::Isa::sse2};
    if (kernels::bestIsa() == kernels::Isa::avx) {
        isas.push_back(kernels::Isa::avx);
    }
    return isas;
}

// Where the outputs go: buffers of their own, over the inputs, or crossed over them.
enum class Arrangement { apart, inPlace, crossed };

template <typename Sample>
struct StereoOutcome {
    std::vector<Sample> buffers[4]; // both inputs, both outputs, as the run left them
    std::vector<float> lines[2];
    kernels::StereoState state;
};

template <typename Sample>
struct StereoRun {
    const kernels::Lanes* inputs;
    kernels::StereoConstants constants;
    kernels::StereoState state;
    std::vector<Sample> audio[2];
    std::vector<float> line; // both lines start from it; empty for none
    Arrangement arrangement;

    // Through the vector kernel of isa, or through the twin without one; top is the index of
    // the run's first write.
    StereoOutcome<Sample> operator()(const kernels::Isa* isa, int32 count, int32 top) const {
        StereoOutcome<Sample> o{{audio[0], audio[1], std::vector<Sample>(audio[0].size()),
                                 std::vector<Sample>(audio[0].size())},
                                {line, line},
                                state};
        Sample* out0 = o.buffers[2].data();
        Sample* out1 = o.buffers[3].data();
        if (arrangement == Arrangement::inPlace) {
            out0 = o.buffers[0].data();
            out1 = o.buffers[1].data();
        } else if (arrangement == Arrangement::crossed) {
            out0 = o.buffers[1].data();
            out1 = o.buffers[0].data();
        }
        float* top0 = line.empty() ? nullptr : o.lines[0].data() + top;
        float* top1 = line.empty() ? nullptr : o.lines[1].data() + top;
        if (isa != nullptr) {
            kernels::stereoRun(*isa, o.state, constants, inputs, o.buffers[0].data(),
                               o.buffers[1].data(), out0, out1, top0, top1, count);
        } else {
            kernels::scalar::stereoRun(o.state, constants, inputs, o.buffers[0].data(),
                                       o.buffers[1].data(), out0, out1, top0, top1, count);
        }
        return o;
    }
};

template <typename Sample>
::testing::AssertionResult sameOutcome(const StereoOutcome<Sample>& a,
                                       const StereoOutcome<Sample>& b) {
    for (int k = 0; k < 4; ++k) {
        for (std::size_t m = 0; m < a.buffers[k].size(); ++m) {
            if (bitsOf(a.buffers[k][m]) != bitsOf(b.buffers[k][m])) {
                return ::testing::AssertionFailure() << "buffer " << k << " sample " << m;
            }
        }
    }
    for (int j = 0; j < 2; ++j) {
        for (std::size_t m = 0; m < a.lines[j].size(); ++m) {
            if (bitsOf(a.lines[j][m]) != bitsOf(b.lines[j][m])) {
                return ::testing::AssertionFailure() << "line " << j << " slot " << m;
            }
        }
    }
    for (int j = 0; j < 4; ++j) {
        if (bitsOf(a.state.smoothed[j]) != bitsOf(b.state.smoothed[j])) {
            return ::testing::AssertionFailure() << "smoothed " << j;
        }
    }
    if (a.state.delay0 != b.state.delay0 || a.state.delay1 != b.state.delay1 ||
        bitsOf(a.state.y0) != bitsOf(b.state.y0) || bitsOf(a.state.y1) != bitsOf(b.state.y1)) {
        return ::testing::AssertionFailure() << "last delays or outputs";
    }
    return ::testing::AssertionSuccess();
}

// Audio with signed zeros, denormals, the largest floats and, for 64-bit samples, values that
// round on the way to float or leave its range; no NaN (whose payload through a sum of two is
// the compiler's choice).
template <typename Sample>
std::vector<Sample> testAudio(std::size_t n, std::size_t phase) {
    const float big = std::numeric_limits<float>::max();
    std::vector<Sample> values = {Sample(0.25),
                                  Sample(-0.0),
                                  Sample(0.0),
                                  Sample(-0.75),
                                  Sample(std::numeric_limits<float>::denorm_min()),
                                  Sample(-std::numeric_limits<float>::min() / 3.0f),
                                  Sample(big),
                                  Sample(-big),
                                  Sample(1.0),
                                  Sample(0.3)};
    if constexpr (std::is_same_v<Sample, double>) {
        values.push_back(0.1);
        values.push_back(1.0 + 0x1p-30);
        values.push_back(1e-45);
        values.push_back(3.5e38);
    }
    std::vector<Sample> audio(n);
    for (std::size_t m = 0; m < n; ++m) {
        audio[m] = values[(m * 7 + phase) % values.size()];
    }
    return audio;
}

template <typename Sample>
void checkStereoRuns(kernels::Isa isa) {
    // Smoother inputs that step straight to scripted values (keep 0) and ones that glide (the
    // coefficient at 48 kHz): delays of zero, in between and at the lines' capacity, on either
    // side; level pans at and inside the ends; bypass on, off and between; swap on and off.
    const float bypass[] = {0.0f, 1.0f, 0.5f, 0.25f, 1e-30f};
    const float timePan[] = {-1.0f, 1.0f, -0.0f, 0.0f, 0.7f, -0.3f, 1e-3f, 0.999f};
    const float levelPan[] = {-1.0f, 1.0f, 0.0f, 0.3f, -0.7f, 1e-8f};
    const int32 maxCount = 67;
    kernels::Lanes scripted[maxCount];
    kernels::Lanes gliding[maxCount];
    const float c = static_cast<float>(100.0 / 48000);
    for (int32 m = 0; m < maxCount; ++m) {
        const float swap = (m / 3) % 2 == 0 ? 0.0f : 1.0f;
        scripted[m][0] = bypass[m % 5];
        scripted[m][1] = timePan[(m * 3) % 8];
        scripted[m][2] = levelPan[(m * 5 + 1) % 6];
        scripted[m][3] = swap;
        gliding[m][0] = (m / 9) % 2 == 0 ? c : 0.0f;
        gliding[m][1] = ((m / 17) % 2 == 0 ? 1.0f : -1.0f) * c;
        gliding[m][2] = -c;
        gliding[m][3] = swap;
    }
    for (const bool glide : {false, true}) {
        const float k = glide ? 1.0f - c : 0.0f;
        // At 96 kHz full pan asks for 76 samples of a 42-sample line: the bound applies.
        for (const auto& [rate, capacity] : {std::pair{48000, 42}, {96000, 42}, {192000, 168}}) {
            for (const bool withLines : {true, false}) {
                for (const Arrangement arrangement :
                     {Arrangement::apart, Arrangement::inPlace, Arrangement::crossed}) {
                    StereoRun<Sample> run{
                        glide ? gliding : scripted,
                        {{k, k, k, 0.0f}, static_cast<float>(rate), static_cast<float>(capacity)},
                        {{glide ? 0.5f : 0.0f, glide ? -0.25f : 0.0f, 0.1f, 0.0f},
                         3,
                         0,
                         0.5f,
                         -0.5f},
                        {testAudio<Sample>(maxCount, 0), testAudio<Sample>(maxCount, 3)},
                        {},
                        arrangement};
                    if (withLines) {
                        const std::vector<float> edges = edgeFloats();
                        run.line.resize(3 * static_cast<std::size_t>(capacity));
                        for (std::size_t m = 0; m < run.line.size(); ++m) {
                            const float x = edges[(m * 5) % edges.size()];
                            run.line[m] = std::isnan(x) || std::isinf(x) ? 0.125f : x;
                        }
                    }
                    for (int32 count = 0; count <= maxCount; ++count) {
                        // Runs from where a new line starts, and runs that end on the line's
                        // first slot (under AddressSanitizer a write below it would fail).
                        for (const int32 top : {2 * capacity - 2, std::max(count - 1, 0)}) {
                            ASSERT_TRUE(
                                sameOutcome(run(nullptr, count, top), run(&isa, count, top)))
                                << "rate " << rate << ", glide " << glide << ", lines " << withLines
                                << ", arrangement " << static_cast<int>(arrangement) << ", count "
                                << count << ", top " << top;
                        }
                    }
                }
            }
        }
    }
}

TEST(Kernels, StereoRunMatchesItsTwinOnEveryInstructionSetHere) {
    for (const kernels::Isa isa : isasHere()) {
        SCOPED_TRACE(isa == kernels::Isa::avx ? "AVX" : "SSE2");
        inBothModes([&] {
            checkStereoRuns<float>(isa);
            checkStereoRuns<double>(isa);
        });
    }
}

} // namespace
