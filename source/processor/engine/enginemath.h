#pragma once

#include "pluginterfaces/base/ftypes.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tivrandel {

// Min first, then max: a NaN fails the first comparison and comes out as 1.
inline float clamp01(float x) noexcept {
#if defined(__SSE2__)
    // The same two comparisons as masks, without branches. (Not minss/maxss: compilers may treat
    // those as commutative, which changes the answer for NaN and for -0.)
    const __m128 v = _mm_set_ss(x);
    const __m128 one = _mm_set_ss(1.0f);
    const __m128 below = _mm_cmplt_ss(v, one);
    const __m128 upper = _mm_or_ps(_mm_and_ps(below, v), _mm_andnot_ps(below, one));
    return _mm_cvtss_f32(_mm_and_ps(_mm_cmpgt_ss(upper, _mm_setzero_ps()), upper));
#else
    const float upper = x < 1.0f ? x : 1.0f;
    return upper > 0.0f ? upper : 0.0f;
#endif
}

// The same without intrinsics, for loops the compiler vectorizes.
inline float clamp01Plain(float x) noexcept {
    const float upper = x < 1.0f ? x : 1.0f;
    return upper > 0.0f ? upper : 0.0f;
}

// A switch is on from 0.5 upward: floor(clamp01(v) + 0.5) in double, as int, as float. For the
// clamped u in [0, 1] that is exactly u >= 0.5 (the largest float below 0.5 plus 0.5 is still
// below 1 in double), and clamp01(x) >= 0.5 is exactly !(x < 0.5), NaN included.
inline bool switchOn(double value) noexcept {
    return !(static_cast<float>(value) < 0.5f);
}

// Full-scale delay 0.8 ms.
constexpr float fullScaleSeconds = 0.0008f;

// trunc(|pan| x 0.0008 x rate) in float, multiplied in that order, within [0, capacity]. The
// bound is applied before the conversion so that it is defined for any rate; trunc then equals
// the conversion's own truncation.
inline Steinberg::int32 delayFor(float pan, float sampleRate, float capacity) noexcept {
    const float samples = std::fabs(pan) * fullScaleSeconds * sampleRate;
    const float bounded = samples < capacity ? samples : capacity;
    return bounded > 0.0f ? static_cast<Steinberg::int32>(bounded) : 0;
}

inline float toFloat(float x) noexcept {
    return x;
}
inline float toFloat(double x) noexcept {
    return static_cast<float>(x);
}

// bypassMix x dry + gain x wet: all float on the 32-bit path; on the 64-bit path the dry term
// and the sum are double, the wet product float, and the result is rounded to float.
inline float mixSample(float mix, float dry, float gain, float wet) noexcept {
    return mix * dry + gain * wet;
}
inline float mixSample(float mix, double dry, float gain, float wet) noexcept {
    return static_cast<float>(static_cast<double>(mix) * dry + static_cast<double>(gain * wet));
}

} // namespace tivrandel
