#pragma once

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

} // namespace tivrandel
