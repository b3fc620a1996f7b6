// The stereo loop with AVX square roots: four doubles at once, twice the SSE2 rate. This file
// alone is compiled with AVX enabled, and only bestIsa() decides that it runs.

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
};

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

} // namespace tivrandel::kernels::avx
