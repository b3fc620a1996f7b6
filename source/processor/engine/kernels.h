#pragma once

#include "pluginterfaces/base/ftypes.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The engine's inner loops, apart from its rules. Each kernel in namespace kernels has a twin in
// kernels::scalar written as plain per-sample arithmetic: the twin is the definition, and the
// kernel must give the same bits for every input (tests compare the two). The vector kernels use
// SSE2 only, whose packed operations round lane by lane exactly as their scalar forms.
namespace tivrandel::kernels {

// Parameters that move together through the ramps, and samples per batch of ramp values.
constexpr Steinberg::int32 rampCount = 4;
constexpr Steinberg::int32 batchSize = 64;

namespace scalar {

// count ramp steps of the four ramps: value[j] += increment[j] once per sample, each new value
// narrowed to float into out[j][k]. value ends as the last value reached.
void rampSteps(double (&value)[rampCount], const double (&increment)[rampCount],
               Steinberg::int32 count, float* const (&out)[rampCount]) noexcept;

// The smoothers' inputs, target x coefficient, from ramp values narrowed to float: the bypass
// switch (on from 0.5 upward, NaN included) and the two pans, 2 x clamp01(v) - 1.
void smootherInputs(const float* bypassValues, const float* timeValues, const float* levelValues,
                    Steinberg::int32 count, float bypassCoef, float timeCoef, float levelCoef,
                    float* bypassIn, float* timeIn, float* levelIn) noexcept;

// The level-pan gains, sqrt(max(1 -/+ level, 0)) x wet: the sums in float, maximum, root and
// product in double, each rounded to float.
inline void gains(float level, float wet, float& gain0, float& gain1) noexcept {
    const auto gain = [wet](float side) {
        return static_cast<float>(std::sqrt(std::max(static_cast<double>(side), 0.0)) *
                                  static_cast<double>(wet));
    };
    gain0 = gain(1.0f - level);
    gain1 = gain(1.0f + level);
}

// The steady mix into a 32-bit output: out[m] = bypass x dry[m] + gain x line[-m] for m < count,
// line pointing at the delayed sample of the first output in a delay line that runs downward.
// out may be dry itself.
void mixFromLine(float* out, const float* dry, const float* line, float bypass, float gain,
                 Steinberg::int32 count) noexcept;

// The same mix with the delayed samples in order: out[m] = bypass x dry[m] + gain x delayed[m].
// out must not overlap dry or delayed unless it is dry itself.
void mixForward(float* out, const float* dry, const float* delayed, float bypass, float gain,
                Steinberg::int32 count) noexcept;

} // namespace scalar

void rampSteps(double (&value)[rampCount], const double (&increment)[rampCount],
               Steinberg::int32 count, float* const (&out)[rampCount]) noexcept;

void smootherInputs(const float* bypassValues, const float* timeValues, const float* levelValues,
                    Steinberg::int32 count, float bypassCoef, float timeCoef, float levelCoef,
                    float* bypassIn, float* timeIn, float* levelIn) noexcept;

// Once per sample inside the smoothing loop, so inline. 1 - level and 1 + level are never NaN
// or -0 (level comes from a smoother that NaN never reaches), so the order of maxpd's operands
// cannot matter.
inline void gains(float level, float wet, float& gain0, float& gain1) noexcept {
#if defined(__SSE2__)
    const __m128d sides = _mm_cvtps_pd(_mm_set_ps(0.0f, 0.0f, 1.0f + level, 1.0f - level));
    const __m128d roots = _mm_sqrt_pd(_mm_max_pd(_mm_setzero_pd(), sides));
    const __m128 both = _mm_cvtpd_ps(_mm_mul_pd(roots, _mm_set1_pd(static_cast<double>(wet))));
    gain0 = _mm_cvtss_f32(both);
    gain1 = _mm_cvtss_f32(_mm_shuffle_ps(both, both, 1));
#else
    scalar::gains(level, wet, gain0, gain1);
#endif
}

void mixFromLine(float* out, const float* dry, const float* line, float bypass, float gain,
                 Steinberg::int32 count) noexcept;

void mixForward(float* out, const float* dry, const float* delayed, float bypass, float gain,
                Steinberg::int32 count) noexcept;

} // namespace tivrandel::kernels
