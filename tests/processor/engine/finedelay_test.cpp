// The pieces of the fine delay: the sinc table against its exact kernels and as a filter, the
// line that keeps its history across its copies, and the fine kernels against their twins.

#include "processor/engine/fineline.h"
#include "processor/engine/kernels.h"
#include "processor/engine/sinctable.h"

#include "platform/flushtozero.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace {

namespace kernels = tivrandel::kernels;
using Steinberg::int32;
using tivrandel::SincTable;

constexpr double pi = 3.14159265358979323846;

template <typename T>
auto bitsOf(T x) {
    using Bits = std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>;
    Bits b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

// The kernel the table gives for a fraction f of a sample.
std::vector<float> tableKernel(double f) {
    const float position = static_cast<float>(f) * SincTable::phases;
    const auto phase = static_cast<int32>(position);
    std::vector<float> kernel(SincTable::taps);
    kernels::scalar::fineKernel(SincTable::shared().row(phase),
                                position - static_cast<float>(phase), kernel.data());
    return kernel;
}

TEST(SincTable, AWholeSampleIsReadExactly) {
    const float* row = SincTable::shared().row(0);
    for (int32 q = 0; q < SincTable::taps; ++q) {
        EXPECT_EQ(row[q], q == 8 ? 1.0f : 0.0f) << q;
    }
    // The last phase steps to the next whole sample.
    const float* last = SincTable::shared().row(SincTable::phases - 1);
    for (int32 q = 0; q < SincTable::taps; ++q) {
        EXPECT_EQ(last[q] + last[SincTable::taps + q], q == 7 ? 1.0f : 0.0f) << q;
    }
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(row) % 64, 0u);
}

TEST(SincTable, RowsAreTheExactKernelsRounded) {
    for (int32 p = 0; p < SincTable::phases; p += 37) {
        double exact[SincTable::taps];
        SincTable::exactKernel(static_cast<double>(p) / SincTable::phases, exact);
        double sum = 0.0;
        // The same kernel mirrored reads the mirrored fraction.
        double mirrored[SincTable::taps];
        SincTable::exactKernel(1.0 - static_cast<double>(p) / SincTable::phases, mirrored);
        for (int32 q = 0; q < SincTable::taps; ++q) {
            EXPECT_EQ(SincTable::shared().row(p)[q], static_cast<float>(exact[q])) << p << " " << q;
            EXPECT_NEAR(exact[q], mirrored[SincTable::taps - 1 - q], 1e-15);
            sum += exact[q];
        }
        EXPECT_NEAR(sum, 1.0, 1e-15);
    }
    // Between phases, linear interpolation stays close to the exact kernel.
    for (double f : {0.1234567, 0.5, 0.77777, 0.99999}) {
        double exact[SincTable::taps];
        SincTable::exactKernel(f, exact);
        const std::vector<float> kernel = tableKernel(f);
        for (int32 q = 0; q < SincTable::taps; ++q) {
            EXPECT_NEAR(kernel[static_cast<std::size_t>(q)], exact[q], 2e-6) << f << " " << q;
        }
    }
}

// As a filter: at 44.1 kHz up to 16 kHz the level stays within 0.01 dB and the delay within
// 0.1 us of the fraction asked for, at every fraction.
TEST(SincTable, FlatAndOnTimeUpToSixteenKilohertzAt44k1) {
    constexpr double rate = 44100.0;
    double worstLevel = 0.0;
    double worstDelay = 0.0;
    for (int32 step = 0; step < 64; ++step) {
        const double f = (step + 0.37) / 64.0;
        const std::vector<float> kernel = tableKernel(f);
        for (double hz = 50.0; hz <= 16000.0; hz *= 1.05) {
            const double w = 2.0 * pi * hz / rate;
            std::complex<double> response = 0.0;
            for (int32 q = 0; q < SincTable::taps; ++q) {
                // Tap q reads 8 - q samples further back than the whole-sample delay.
                response += static_cast<double>(kernel[static_cast<std::size_t>(q)]) *
                            std::polar(1.0, -w * (8 - q));
            }
            worstLevel = std::max(worstLevel, std::abs(20.0 * std::log10(std::abs(response))));
            // The phase of the read against the fraction's own delay.
            const double delay = -std::arg(response * std::polar(1.0, w * f)) / w;
            worstDelay = std::max(worstDelay, std::abs(delay) / rate);
        }
    }
    std::printf("sinc table at 44.1 kHz, 50 Hz to 16 kHz: level within %.4f dB, delay within "
                "%.4f us\n",
                worstLevel, worstDelay * 1e6);
    EXPECT_LT(worstLevel, 0.01);
    EXPECT_LT(worstDelay, 0.1e-6);
}

TEST(FineLine, KeepsItsHistoryAcrossItsCopies) {
    tivrandel::FineLine line(5, 3);
    std::vector<float> written;
    float value = 1.0f;
    for (int run = 0; run < 20; ++run) {
        const int32 room = line.prepareRun();
        ASSERT_GE(room, 1);
        ASSERT_LE(room, 3);
        const int32 count = std::min(room, 1 + run % 3);
        std::vector<double> x;
        for (int32 k = 0; k < count; ++k) {
            x.push_back(value);
            value += 1.0f;
        }
        line.write(x.data(), count);
        for (int32 k = 0; k < count; ++k) {
            written.push_back(static_cast<float>(x[static_cast<std::size_t>(k)]));
            const std::size_t now = written.size() - 1;
            for (int32 back = 0; back <= line.history(); ++back) {
                const float expected =
                    now >= static_cast<std::size_t>(back) ? written[now - back] : 0.0f;
                ASSERT_EQ(line.next()[k - back], expected) << run << " " << k << " " << back;
            }
        }
        line.finishRun(count);
    }
}

// A signal with varied magnitudes and signs.
std::vector<float> noise(std::size_t n, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    std::vector<float> x(n);
    for (float& v : x) {
        v = uniform(generator);
    }
    return x;
}

std::vector<kernels::Isa> isas() {
    std::vector<kernels::Isa> all = {kernels::Isa::sse2};
    if (kernels::bestIsa() == kernels::Isa::avx) {
        all.push_back(kernels::Isa::avx);
    }
    return all;
}

TEST(FineKernels, DelayFromPanSplitsIntoWholeSamplesAndPhases) {
    const float rate = 48000.0f;
    const float maxDelay = 0.0008f * rate;
    // 0.8 ms at 48 kHz is 38.4 samples: a pan of 5.5 / 38.4 asks for 5.5 samples, either way.
    for (float pan : {5.5f / 38.4f, -5.5f / 38.4f}) {
        const kernels::FineDelay d = kernels::scalar::fineDelay(pan, rate, maxDelay);
        EXPECT_EQ(d.whole, 5);
        EXPECT_NEAR(static_cast<float>(d.phase) + d.between, 512.0f, 0.01f);
    }
    kernels::FineDelay d = kernels::scalar::fineDelay(-0.0f, rate, maxDelay);
    EXPECT_EQ(d.whole, 0);
    EXPECT_EQ(d.phase, 0);
    EXPECT_EQ(d.between, 0.0f);
    // Beyond full scale, and NaN, stay within the lines.
    for (float pan : {1.5f, -7.0f, std::numeric_limits<float>::quiet_NaN(),
                      std::numeric_limits<float>::infinity()}) {
        d = kernels::scalar::fineDelay(pan, rate, maxDelay);
        EXPECT_EQ(d.whole, 38) << pan;
        EXPECT_LT(d.phase, SincTable::phases) << pan;
    }
}

// Near the centre the delay follows a rounded |pan| that meets it, slope and all, at the rounding's
// edge, and falls short of it by no more than 0.46 us.
TEST(FineKernels, DelayIsRoundedOnlyNearTheCentre) {
    const float rate = 192000.0f;
    const float maxDelay = 0.0008f * rate;
    const auto seconds = [&](float pan) {
        const kernels::FineDelay d = kernels::scalar::fineDelay(pan, rate, maxDelay);
        return (d.whole + (d.phase + static_cast<double>(d.between)) / SincTable::phases) / rate;
    };
    const float r = kernels::fineCentreRounding;
    double worst = 0.0;
    double previous = 0.0;
    for (int k = 1; k <= 2000; ++k) {
        const float pan = r * static_cast<float>(k) / 1000.0f;
        const double exact = static_cast<double>(pan) * 0.0008;
        const double delay = seconds(pan);
        EXPECT_GE(delay, previous) << pan;
        EXPECT_LE(delay, exact + 1e-12) << pan;
        worst = std::max(worst, exact - delay);
        if (pan >= r) {
            EXPECT_NEAR(delay, exact, 1e-11) << pan;
        }
        previous = delay;
    }
    EXPECT_LT(worst, 0.47e-6);
    EXPECT_GT(worst, 0.4e-6);
}

TEST(FineKernels, FirMatchesItsTwinAndTheTap) {
    const std::vector<float> x = noise(200, 1);
    for (kernels::Isa isa : isas()) {
        for (double f : {0.0, 0.25, 0.613}) {
            const float position = static_cast<float>(f) * SincTable::phases;
            const auto phase = static_cast<int32>(position);
            const float between = position - static_cast<float>(phase);
            const float* row = SincTable::shared().row(phase);
            std::vector<float> kernel(SincTable::taps);
            kernels::scalar::fineKernel(row, between, kernel.data());
            for (int32 count : {0, 1, 3, 4, 7, 8, 9, 17, 100}) {
                std::vector<float> a(static_cast<std::size_t>(count) + 1, -5.0f);
                std::vector<float> b = a;
                kernels::scalar::fineFir(a.data(), x.data() + 3, kernel.data(), count);
                kernels::fineFir(isa, b.data(), x.data() + 3, kernel.data(), count);
                for (int32 m = 0; m < count; ++m) {
                    const float tap = kernels::scalar::fineTap(row, between, x.data() + 3 + m);
                    ASSERT_EQ(bitsOf(a[static_cast<std::size_t>(m)]), bitsOf(tap)) << m;
                    ASSERT_EQ(bitsOf(b[static_cast<std::size_t>(m)]), bitsOf(tap)) << m;
                }
                EXPECT_EQ(b[static_cast<std::size_t>(count)], -5.0f); // nothing past the end
            }
        }
    }
}

// The smoothers' inputs of a session that moves every control: time pan back and forth across
// the centre (and held exactly there), level pan, bypass and swap switching.
std::unique_ptr<kernels::Lanes[]> controlInputs(int32 n, float c) {
    std::unique_ptr<kernels::Lanes[]> inputs(new kernels::Lanes[static_cast<std::size_t>(n)]);
    for (int32 m = 0; m < n; ++m) {
        const float pan = m % 97 < 20 ? 0.0f : std::sin(0.05f * static_cast<float>(m));
        auto& in = inputs[static_cast<std::size_t>(m)];
        in[0] = (m / 50) % 3 == 0 ? c : 0.0f;
        in[1] = pan * c;
        in[2] = std::cos(0.031f * static_cast<float>(m)) * c;
        in[3] = (m / 23) % 2 == 0 ? 1.0f : 0.0f;
    }
    return inputs;
}

template <typename Sample>
void compareFineRuns(kernels::Isa isa, float rate, float c) {
    const int32 n = 300;
    const std::unique_ptr<kernels::Lanes[]> inputs = controlInputs(n, c);
    const float maxDelay = 0.0008f * rate;
    const int32 history = SincTable::lookAhead + static_cast<int32>(maxDelay) + 8;
    // The lines' history, then the run's inputs.
    const std::vector<float> line0 = noise(static_cast<std::size_t>(history + n), 2);
    const std::vector<float> line1 = noise(static_cast<std::size_t>(history + n), 3);
    const kernels::FineConstants constants = {
        {1.0f - c, 1.0f - c, 1.0f - c, 0.0f}, rate, maxDelay, SincTable::shared().data()};
    kernels::FineState a = {{0.3f, -0.9f, 0.2f, 0.0f}, 0.0f, 0.0f};
    kernels::FineState b = a;
    std::vector<Sample> a0(n), a1(n), b0(n), b1(n);
    const float* now0 = line0.data() + history;
    const float* now1 = line1.data() + history;
    // In pieces of varied length, as the engine's runs come.
    for (int32 m = 0, piece = 1; m < n; m += piece, piece = piece % 11 + 2) {
        const int32 count = std::min(piece, n - m);
        kernels::scalar::fineRun(a, constants, inputs.get() + m, now0 + m, now1 + m, a0.data() + m,
                                 a1.data() + m, count);
        kernels::fineRun(isa, b, constants, inputs.get() + m, now0 + m, now1 + m, b0.data() + m,
                         b1.data() + m, count);
    }
    for (int32 m = 0; m < n; ++m) {
        const auto i = static_cast<std::size_t>(m);
        ASSERT_EQ(bitsOf(a0[i]), bitsOf(b0[i])) << m;
        ASSERT_EQ(bitsOf(a1[i]), bitsOf(b1[i])) << m;
    }
    for (int32 j = 0; j < 4; ++j) {
        EXPECT_EQ(bitsOf(a.smoothed[j]), bitsOf(b.smoothed[j]));
    }
    EXPECT_EQ(bitsOf(a.y0), bitsOf(b.y0));
    EXPECT_EQ(bitsOf(a.y1), bitsOf(b.y1));
}

TEST(FineKernels, RunMatchesItsTwin) {
    for (kernels::Isa isa : isas()) {
        for (float rate : {44100.0f, 192000.0f}) {
            compareFineRuns<float>(isa, rate, 100.0f / rate);
            compareFineRuns<double>(isa, rate, 100.0f / rate);
            kelvane::platform::FlushToZeroScope ftz;
            compareFineRuns<float>(isa, rate, 0.05f);
        }
    }
}

} // namespace
