#include "processor/engine/kernels.h"

#include "processor/engine/enginemath.h"

namespace tivrandel::kernels {

using Steinberg::int32;

namespace scalar {

void rampSteps(double (&value)[rampCount], const double (&increment)[rampCount], int32 count,
               float* const (&out)[rampCount]) noexcept {
    for (int32 k = 0; k < count; ++k) {
        for (int32 j = 0; j < rampCount; ++j) {
            value[j] += increment[j];
            out[j][k] = static_cast<float>(value[j]);
        }
    }
}

void smootherInputs(const float* bypassValues, const float* timeValues, const float* levelValues,
                    int32 count, float bypassCoef, float timeCoef, float levelCoef, float* bypassIn,
                    float* timeIn, float* levelIn) noexcept {
    for (int32 k = 0; k < count; ++k) {
        bypassIn[k] = (bypassValues[k] < 0.5f ? 0.0f : 1.0f) * bypassCoef;
        timeIn[k] = (2.0f * clamp01Plain(timeValues[k]) - 1.0f) * timeCoef;
        levelIn[k] = (2.0f * clamp01Plain(levelValues[k]) - 1.0f) * levelCoef;
    }
}

void mixFromLine(float* out, const float* dry, const float* line, float bypass, float gain,
                 int32 count) noexcept {
    for (int32 m = 0; m < count; ++m) {
        out[m] = bypass * dry[m] + gain * line[-m];
    }
}

void mixForward(float* out, const float* dry, const float* delayed, float bypass, float gain,
                int32 count) noexcept {
    for (int32 m = 0; m < count; ++m) {
        out[m] = bypass * dry[m] + gain * delayed[m];
    }
}

} // namespace scalar

#if defined(__SSE2__)

void rampSteps(double (&value)[rampCount], const double (&increment)[rampCount], int32 count,
               float* const (&out)[rampCount]) noexcept {
    // Two ramps per register, four samples at a time; a 4 x 4 transpose turns samples into rows.
    __m128d v01 = _mm_set_pd(value[1], value[0]);
    __m128d v23 = _mm_set_pd(value[3], value[2]);
    const __m128d i01 = _mm_set_pd(increment[1], increment[0]);
    const __m128d i23 = _mm_set_pd(increment[3], increment[2]);
    const auto next = [&]() {
        v01 = _mm_add_pd(v01, i01);
        v23 = _mm_add_pd(v23, i23);
        return _mm_movelh_ps(_mm_cvtpd_ps(v01), _mm_cvtpd_ps(v23));
    };
    int32 k = 0;
    for (; k + 4 <= count; k += 4) {
        __m128 r0 = next();
        __m128 r1 = next();
        __m128 r2 = next();
        __m128 r3 = next();
        _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
        _mm_storeu_ps(out[0] + k, r0);
        _mm_storeu_ps(out[1] + k, r1);
        _mm_storeu_ps(out[2] + k, r2);
        _mm_storeu_ps(out[3] + k, r3);
    }
    for (; k < count; ++k) {
        const __m128 r = next();
        alignas(16) float lanes[4];
        _mm_store_ps(lanes, r);
        for (int32 j = 0; j < rampCount; ++j) {
            out[j][k] = lanes[j];
        }
    }
    _mm_storel_pd(&value[0], v01);
    _mm_storeh_pd(&value[1], v01);
    _mm_storel_pd(&value[2], v23);
    _mm_storeh_pd(&value[3], v23);
}

void smootherInputs(const float* bypassValues, const float* timeValues, const float* levelValues,
                    int32 count, float bypassCoef, float timeCoef, float levelCoef, float* bypassIn,
                    float* timeIn, float* levelIn) noexcept {
    const __m128 half = _mm_set1_ps(0.5f);
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 two = _mm_set1_ps(2.0f);
    const __m128 zero = _mm_setzero_ps();
    // clamp01's two comparisons as masks (not minps/maxps, whose NaN and -0 answers differ).
    const auto pan = [&](__m128 v, __m128 c) {
        const __m128 below = _mm_cmplt_ps(v, one);
        const __m128 upper = _mm_or_ps(_mm_and_ps(below, v), _mm_andnot_ps(below, one));
        const __m128 u = _mm_and_ps(_mm_cmpgt_ps(upper, zero), upper);
        return _mm_mul_ps(_mm_sub_ps(_mm_mul_ps(two, u), one), c);
    };
    const __m128 b4 = _mm_set1_ps(bypassCoef);
    const __m128 t4 = _mm_set1_ps(timeCoef);
    const __m128 l4 = _mm_set1_ps(levelCoef);
    int32 k = 0;
    for (; k + 4 <= count; k += 4) {
        const __m128 off = _mm_cmplt_ps(_mm_loadu_ps(bypassValues + k), half);
        _mm_storeu_ps(bypassIn + k, _mm_mul_ps(_mm_andnot_ps(off, one), b4));
        _mm_storeu_ps(timeIn + k, pan(_mm_loadu_ps(timeValues + k), t4));
        _mm_storeu_ps(levelIn + k, pan(_mm_loadu_ps(levelValues + k), l4));
    }
    scalar::smootherInputs(bypassValues + k, timeValues + k, levelValues + k, count - k, bypassCoef,
                           timeCoef, levelCoef, bypassIn + k, timeIn + k, levelIn + k);
}

void mixFromLine(float* out, const float* dry, const float* line, float bypass, float gain,
                 int32 count) noexcept {
    const __m128 b = _mm_set1_ps(bypass);
    const __m128 g = _mm_set1_ps(gain);
    int32 m = 0;
    // Each group of four is read before it is written, so out may be dry.
    for (; m + 4 <= count; m += 4) {
        const __m128 back = _mm_loadu_ps(line - m - 3);
        const __m128 w = _mm_shuffle_ps(back, back, _MM_SHUFFLE(0, 1, 2, 3));
        _mm_storeu_ps(out + m, _mm_add_ps(_mm_mul_ps(b, _mm_loadu_ps(dry + m)), _mm_mul_ps(g, w)));
    }
    scalar::mixFromLine(out + m, dry + m, line - m, bypass, gain, count - m);
}

void mixForward(float* out, const float* dry, const float* delayed, float bypass, float gain,
                int32 count) noexcept {
    const __m128 b = _mm_set1_ps(bypass);
    const __m128 g = _mm_set1_ps(gain);
    int32 m = 0;
    for (; m + 8 <= count; m += 8) {
        const __m128 d0 = _mm_loadu_ps(dry + m);
        const __m128 d1 = _mm_loadu_ps(dry + m + 4);
        const __m128 w0 = _mm_loadu_ps(delayed + m);
        const __m128 w1 = _mm_loadu_ps(delayed + m + 4);
        _mm_storeu_ps(out + m, _mm_add_ps(_mm_mul_ps(b, d0), _mm_mul_ps(g, w0)));
        _mm_storeu_ps(out + m + 4, _mm_add_ps(_mm_mul_ps(b, d1), _mm_mul_ps(g, w1)));
    }
    scalar::mixForward(out + m, dry + m, delayed + m, bypass, gain, count - m);
}

#else

void rampSteps(double (&value)[rampCount], const double (&increment)[rampCount], int32 count,
               float* const (&out)[rampCount]) noexcept {
    scalar::rampSteps(value, increment, count, out);
}

void smootherInputs(const float* bypassValues, const float* timeValues, const float* levelValues,
                    int32 count, float bypassCoef, float timeCoef, float levelCoef, float* bypassIn,
                    float* timeIn, float* levelIn) noexcept {
    scalar::smootherInputs(bypassValues, timeValues, levelValues, count, bypassCoef, timeCoef,
                           levelCoef, bypassIn, timeIn, levelIn);
}

void mixFromLine(float* out, const float* dry, const float* line, float bypass, float gain,
                 int32 count) noexcept {
    scalar::mixFromLine(out, dry, line, bypass, gain, count);
}

void mixForward(float* out, const float* dry, const float* delayed, float bypass, float gain,
                int32 count) noexcept {
    scalar::mixForward(out, dry, delayed, bypass, gain, count);
}

#endif

} // namespace tivrandel::kernels
