// The stereo loop with AVX square roots: four doubles at once, twice the SSE2 rate. This file
// alone is compiled with AVX enabled, and only bestIsa() decides that it runs.

#include "processor/engine/fineloop.h"
#include "processor/engine/stereoloop.h"

#include <immintrin.h>

namespace tivrandel::kernels::avx {

namespace {

struct Avx {
    // scalar::gains for four levels and wets.
    static void gains(__m128 level, __m128 wet, __m128& gain0, __m128& gain1) noexcept {
        const __m128 one = _mm_set1_ps(1.0f);
        const __m256d zero = _mm256_setzero_pd();
        const __m256d wide = _mm256_cvtps_pd(wet);
        const auto gain = [&](__m128 side) {
            const __m256d root = _mm256_sqrt_pd(_mm256_max_pd(zero, _mm256_cvtps_pd(side)));
            return _mm256_cvtpd_ps(_mm256_mul_pd(root, wide));
        };
        gain0 = gain(_mm_sub_ps(one, level));
        gain1 = gain(_mm_add_ps(one, level));
    }

    // The quads of scalar::fineTap, eight taps per register: taps q and q + 8 share a lane.
    static __m128 quads(const float* row, const float* t, const float* x) noexcept {
        const __m256 between = _mm256_broadcast_ss(t);
        const __m256 kernelLo = _mm256_add_ps(
            _mm256_loadu_ps(row), _mm256_mul_ps(between, _mm256_loadu_ps(row + SincTable::taps)));
        const __m256 kernelHi =
            _mm256_add_ps(_mm256_loadu_ps(row + 8),
                          _mm256_mul_ps(between, _mm256_loadu_ps(row + SincTable::taps + 8)));
        const __m256 pairs = _mm256_add_ps(_mm256_mul_ps(kernelLo, _mm256_loadu_ps(x)),
                                           _mm256_mul_ps(kernelHi, _mm256_loadu_ps(x + 8)));
        return _mm_add_ps(_mm256_castps256_ps128(pairs), _mm256_extractf128_ps(pairs, 1));
    }
};

template <typename Sample>
void fineWithTail(FineState& state, const FineConstants& constants, const Lanes* inputs,
                  const float* now0, const float* now1, Sample* out0, Sample* out1,
                  Steinberg::int32 count) noexcept {
    const Steinberg::int32 m =
        detail::FineLoop<Avx>::run(state, constants, inputs, now0, now1, out0, out1, count);
    scalar::fineRun(state, constants, inputs + m, now0 + m, now1 + m, out0 + m, out1 + m,
                    count - m);
}

template <typename Sample>
void runWithTail(StereoState& state, const StereoConstants& constants, const Lanes* inputs,
                 const Sample* in0, const Sample* in1, Sample* out0, Sample* out1, float* top0,
                 float* top1, Steinberg::int32 count) noexcept {
    const Steinberg::int32 m = detail::StereoLoop<Avx>::run(state, constants, inputs, in0, in1,
                                                            out0, out1, top0, top1, count);
    // The tail's per-sample code lives in kernels.cpp, compiled for any machine.
    scalar::stereoRun(state, constants, inputs + m, in0 + m, in1 + m, out0 + m, out1 + m,
                      top0 != nullptr ? top0 - m : nullptr, top1 != nullptr ? top1 - m : nullptr,
                      count - m);
}

} // namespace

void stereoRun(StereoState& state, const StereoConstants& constants, const Lanes* inputs,
               const float* in0, const float* in1, float* out0, float* out1, float* top0,
               float* top1, Steinberg::int32 count) noexcept {
    runWithTail(state, constants, inputs, in0, in1, out0, out1, top0, top1, count);
}

void stereoRun(StereoState& state, const StereoConstants& constants, const Lanes* inputs,
               const double* in0, const double* in1, double* out0, double* out1, float* top0,
               float* top1, Steinberg::int32 count) noexcept {
    runWithTail(state, constants, inputs, in0, in1, out0, out1, top0, top1, count);
}

void fineRun(FineState& state, const FineConstants& constants, const Lanes* inputs,
             const float* now0, const float* now1, float* out0, float* out1,
             Steinberg::int32 count) noexcept {
    fineWithTail(state, constants, inputs, now0, now1, out0, out1, count);
}

void fineRun(FineState& state, const FineConstants& constants, const Lanes* inputs,
             const float* now0, const float* now1, double* out0, double* out1,
             Steinberg::int32 count) noexcept {
    fineWithTail(state, constants, inputs, now0, now1, out0, out1, count);
}

// scalar::fineFir eight outputs at a time, each tap's products side by side.
void fineFir(float* out, const float* x, const float* kernel, Steinberg::int32 count) noexcept {
    __m256 k[SincTable::taps];
    for (Steinberg::int32 q = 0; q < SincTable::taps; ++q) {
        k[q] = _mm256_set1_ps(kernel[q]);
    }
    Steinberg::int32 m = 0;
    for (; m + 8 <= count; m += 8) {
        const float* const at = x + m;
        __m256 pairs[8];
        for (Steinberg::int32 l = 0; l < 8; ++l) {
            pairs[l] = _mm256_add_ps(_mm256_mul_ps(k[l], _mm256_loadu_ps(at + l)),
                                     _mm256_mul_ps(k[l + 8], _mm256_loadu_ps(at + l + 8)));
        }
        __m256 quads[4];
        for (Steinberg::int32 l = 0; l < 4; ++l) {
            quads[l] = _mm256_add_ps(pairs[l], pairs[l + 4]);
        }
        _mm256_storeu_ps(out + m, _mm256_add_ps(_mm256_add_ps(quads[0], quads[1]),
                                                _mm256_add_ps(quads[2], quads[3])));
    }
    scalar::fineFir(out + m, x + m, kernel, count - m);
}

} // namespace tivrandel::kernels::avx
