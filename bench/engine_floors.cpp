// What bounds the engine on this machine: the serial recurrences and the square roots it must
// compute exactly as specified, measured alone, and the engine's kernels on one chunk. Figures
// are ns per stereo frame, as in engine_bench.cpp.

#include "fastest.h"

#include "processor/engine/kernels.h"

#include <benchmark/benchmark.h>

#include <emmintrin.h>
#include <immintrin.h>

#include <vector>

namespace {

using Steinberg::int32;
namespace kernels = tivrandel::kernels;

constexpr int32 frames = 1024;

void perFrame(benchmark::State& state, int32 n) {
    state.counters["time_per_frame"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * n,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The three smoothers, one multiply and one add per sample each, side by side in one vector:
// every sample waits for the one before.
void FloorSmoothing(benchmark::State& state) {
    std::vector<float> in(4 * frames, 0.001f);
    const __m128 keep = _mm_set1_ps(0.998f);
    for (auto _ : state) {
        __m128 s = _mm_setzero_ps();
        for (int32 m = 0; m < frames; ++m) {
            s = _mm_add_ps(_mm_loadu_ps(&in[4 * static_cast<std::size_t>(m)]), _mm_mul_ps(keep, s));
        }
        benchmark::DoNotOptimize(s);
    }
    perFrame(state, frames);
}

// The four ramps' additions in double, two to a register: the same wait per sample.
void FloorRamps(benchmark::State& state) {
    const __m128d increment = _mm_set1_pd(1e-6);
    for (auto _ : state) {
        __m128d a = _mm_setzero_pd();
        __m128d b = _mm_setzero_pd();
        for (int32 m = 0; m < frames; ++m) {
            a = _mm_add_pd(a, increment);
            b = _mm_add_pd(b, increment);
        }
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(b);
    }
    perFrame(state, frames);
}

// The level-pan gains' two double square roots per frame, independent of each other.
void FloorRootsSse2(benchmark::State& state) {
    std::vector<double> sides(2 * frames, 0.7);
    for (auto _ : state) {
        for (int32 m = 0; m < frames; m += 2) {
            const __m128d r0 = _mm_sqrt_pd(_mm_loadu_pd(&sides[2 * static_cast<std::size_t>(m)]));
            const __m128d r1 =
                _mm_sqrt_pd(_mm_loadu_pd(&sides[2 * static_cast<std::size_t>(m) + 2]));
            benchmark::DoNotOptimize(r0);
            benchmark::DoNotOptimize(r1);
        }
    }
    perFrame(state, frames);
}

__attribute__((target("avx"))) void rootsAvx(const std::vector<double>& sides) {
    for (int32 m = 0; m < frames; m += 2) {
        const __m256d r = _mm256_sqrt_pd(_mm256_loadu_pd(&sides[2 * static_cast<std::size_t>(m)]));
        benchmark::DoNotOptimize(r);
    }
}

void FloorRootsAvx(benchmark::State& state) {
    if (kernels::bestIsa() != kernels::Isa::avx) {
        state.SkipWithError("no AVX on this machine");
        return;
    }
    std::vector<double> sides(2 * frames, 0.7);
    for (auto _ : state) {
        rootsAvx(sides);
    }
    perFrame(state, frames);
}

// The ramps and the smoothers' inputs for one chunk of 64 samples.
void KernelRampInputs(benchmark::State& state) {
    alignas(16) kernels::Lanes out[64];
    const double increment[4] = {1e-5, -1e-5, 2e-5, 0.0};
    const kernels::Lanes coefficient = {0.002f, 0.002f, 0.002f, 1.0f};
    for (auto _ : state) {
        double value[4] = {0.1, 0.6, 0.3, 0.4};
        kernels::rampInputs(value, increment, 64, coefficient, out);
        benchmark::ClobberMemory();
    }
    perFrame(state, 64);
}

// The stereo loop for one chunk of 64 samples with moving controls (argument: 0 SSE2, 1 AVX).
void KernelStereoRun(benchmark::State& state) {
    const kernels::Isa isa = state.range(0) == 0 ? kernels::Isa::sse2 : kernels::Isa::avx;
    if (isa == kernels::Isa::avx && kernels::bestIsa() != kernels::Isa::avx) {
        state.SkipWithError("no AVX on this machine");
        return;
    }
    const float c = 100.0f / 48000.0f;
    alignas(16) kernels::Lanes inputs[64];
    for (int32 m = 0; m < 64; ++m) {
        inputs[m][0] = m < 32 ? c : 0.0f;
        inputs[m][1] = c;
        inputs[m][2] = -c;
        inputs[m][3] = static_cast<float>((m / 16) % 2);
    }
    const kernels::StereoConstants constants = {
        {1.0f - c, 1.0f - c, 1.0f - c, 0.0f}, 48000.0f, 42.0f};
    std::vector<float> in0(64, 0.25f);
    std::vector<float> in1(64, -0.5f);
    std::vector<float> out0(64);
    std::vector<float> out1(64);
    std::vector<float> line0(3 * 42);
    std::vector<float> line1(3 * 42);
    for (auto _ : state) {
        kernels::StereoState s = {{0.5f, 0.3f, -0.2f, 0.0f}, 0, 11, 0.0f, 0.0f};
        kernels::stereoRun(isa, s, constants, inputs, in0.data(), in1.data(), out0.data(),
                           out1.data(), line0.data() + 82, line1.data() + 82, 64);
        benchmark::ClobberMemory();
    }
    perFrame(state, 64);
}

} // namespace

BENCHMARK(FloorSmoothing)->ComputeStatistics("min", fastest);
BENCHMARK(FloorRamps)->ComputeStatistics("min", fastest);
BENCHMARK(FloorRootsSse2)->ComputeStatistics("min", fastest);
BENCHMARK(FloorRootsAvx)->ComputeStatistics("min", fastest);
BENCHMARK(KernelRampInputs)->ComputeStatistics("min", fastest);
BENCHMARK(KernelStereoRun)->Arg(0)->Arg(1)->ComputeStatistics("min", fastest);
