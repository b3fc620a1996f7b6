#pragma once

// The stereo loop four samples at a time, compiled twice: by kernels.cpp for SSE2 and by
// kernels_avx.cpp for AVX. Each file instantiates StereoLoop with an Isa type of its own, in an
// unnamed namespace, that supplies the one step whose width differs (the gains' square roots).
// Everything here is a member of StereoLoop, so every function compiled for AVX has internal
// linkage: the linker can never pick an AVX copy for the SSE2 path of a machine without AVX.
// Nothing outside StereoLoop that is inline may be called from here, for the same reason.

#include "processor/engine/enginemath.h"
#include "processor/engine/kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tivrandel::kernels {

#if defined(__SSE2__)

namespace avx {
// kernels_avx.cpp; call only where bestIsa() says AVX.
void stereoRun(StereoState& state, const StereoConstants& constants, const Lanes* inputs,
               const float* in0, const float* in1, float* out0, float* out1, float* top0,
               float* top1, Steinberg::int32 count) noexcept;
void stereoRun(StereoState& state, const StereoConstants& constants, const Lanes* inputs,
               const double* in0, const double* in1, double* out0, double* out1, float* top0,
               float* top1, Steinberg::int32 count) noexcept;
} // namespace avx

namespace detail {

template <typename Isa>
struct StereoLoop {
    // Four 64-bit samples.
    struct Doubles {
        __m128d lo;
        __m128d hi;
    };

    static __m128 load(const float* p) noexcept { return _mm_loadu_ps(p); }
    static Doubles load(const double* p) noexcept { return {_mm_loadu_pd(p), _mm_loadu_pd(p + 2)}; }
    static __m128 narrow(__m128 x) noexcept { return x; }
    static __m128 narrow(Doubles x) noexcept {
        return _mm_movelh_ps(_mm_cvtpd_ps(x.lo), _mm_cvtpd_ps(x.hi));
    }
    // bypass x dry + wetTerm as mixSample forms it: in float, or for 64-bit dry samples in
    // double, rounded to float.
    static __m128 mix(__m128 bypass, __m128 dry, __m128 wetTerm) noexcept {
        return _mm_add_ps(_mm_mul_ps(bypass, dry), wetTerm);
    }
    static __m128 mix(__m128 bypass, Doubles dry, __m128 wetTerm) noexcept {
        const __m128 bypassHi = _mm_movehl_ps(bypass, bypass);
        const __m128 wetHi = _mm_movehl_ps(wetTerm, wetTerm);
        const __m128d lo =
            _mm_add_pd(_mm_mul_pd(_mm_cvtps_pd(bypass), dry.lo), _mm_cvtps_pd(wetTerm));
        const __m128d hi =
            _mm_add_pd(_mm_mul_pd(_mm_cvtps_pd(bypassHi), dry.hi), _mm_cvtps_pd(wetHi));
        return _mm_movelh_ps(_mm_cvtpd_ps(lo), _mm_cvtpd_ps(hi));
    }
    static void store(float* p, __m128 y) noexcept { _mm_storeu_ps(p, y); }
    static void store(double* p, __m128 y) noexcept {
        _mm_storeu_pd(p, _mm_cvtps_pd(y));
        _mm_storeu_pd(p + 2, _mm_cvtps_pd(_mm_movehl_ps(y, y)));
    }
    static __m128 select(__m128 mask, __m128 on, __m128 off) noexcept {
        return _mm_or_ps(_mm_and_ps(mask, on), _mm_andnot_ps(mask, off));
    }
    static __m128 reverse(__m128 x) noexcept {
        return _mm_shuffle_ps(x, x, _MM_SHUFFLE(0, 1, 2, 3));
    }
    static bool uniform(__m128i x) noexcept {
        const __m128i first = _mm_shuffle_epi32(x, _MM_SHUFFLE(0, 0, 0, 0));
        return _mm_movemask_epi8(_mm_cmpeq_epi32(x, first)) == 0xFFFF;
    }
    static float last(__m128 x) noexcept {
        return _mm_cvtss_f32(_mm_shuffle_ps(x, x, _MM_SHUFFLE(3, 3, 3, 3)));
    }
    static Steinberg::int32 last(__m128i x) noexcept {
        return _mm_cvtsi128_si32(_mm_shuffle_epi32(x, _MM_SHUFFLE(3, 3, 3, 3)));
    }

    // The whole groups of four of scalar::stereoRun; returns how many samples they took. The
    // smoothers' recurrences run one sample after another, everything else four at a time, and
    // the two overlap from one group to the next.
    template <typename Sample>
    static Steinberg::int32 run(StereoState& state, const StereoConstants& constants,
                                const Lanes* inputs, const Sample* in0, const Sample* in1,
                                Sample* out0, Sample* out1, float* top0, float* top1,
                                Steinberg::int32 count) noexcept {
        const __m128 keep = _mm_loadu_ps(constants.keep);
        const __m128 rate = _mm_set1_ps(constants.sampleRate);
        const __m128 capacity = _mm_set1_ps(constants.capacity);
        const __m128 fullScale = _mm_set1_ps(fullScaleSeconds);
        const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
        const __m128 zero = _mm_setzero_ps();
        const __m128 one = _mm_set1_ps(1.0f);
        __m128 s = _mm_loadu_ps(state.smoothed);
        __m128i delay0 = _mm_set1_epi32(state.delay0);
        __m128i delay1 = _mm_set1_epi32(state.delay1);
        __m128 y0 = _mm_set1_ps(state.y0);
        __m128 y1 = _mm_set1_ps(state.y1);
        Steinberg::int32 m = 0;
        for (; m + 4 <= count; m += 4) {
            const __m128 s0 = s = _mm_add_ps(_mm_loadu_ps(inputs[m]), _mm_mul_ps(keep, s));
            const __m128 s1 = s = _mm_add_ps(_mm_loadu_ps(inputs[m + 1]), _mm_mul_ps(keep, s));
            const __m128 s2 = s = _mm_add_ps(_mm_loadu_ps(inputs[m + 2]), _mm_mul_ps(keep, s));
            const __m128 s3 = s = _mm_add_ps(_mm_loadu_ps(inputs[m + 3]), _mm_mul_ps(keep, s));
            // Samples side by side: bypass mix, time pan, level pan and swap of the four.
            const __m128 lo01 = _mm_unpacklo_ps(s0, s1);
            const __m128 lo23 = _mm_unpacklo_ps(s2, s3);
            const __m128 hi01 = _mm_unpackhi_ps(s0, s1);
            const __m128 hi23 = _mm_unpackhi_ps(s2, s3);
            const __m128 bypass = _mm_movelh_ps(lo01, lo23);
            const __m128 timePan = _mm_movehl_ps(lo23, lo01);
            const __m128 levelPan = _mm_movelh_ps(hi01, hi23);
            const __m128 swap = _mm_cmpneq_ps(_mm_movehl_ps(hi23, hi01), zero);

            // delayFor, with the bound and the test for zero as masks.
            const __m128 samples =
                _mm_mul_ps(_mm_mul_ps(_mm_and_ps(timePan, magnitude), fullScale), rate);
            const __m128 bounded = select(_mm_cmplt_ps(samples, capacity), samples, capacity);
            const __m128i delay = _mm_and_si128(_mm_cvttps_epi32(bounded),
                                                _mm_castps_si128(_mm_cmpgt_ps(bounded, zero)));
            const __m128i towardLeft = _mm_castps_si128(_mm_cmplt_ps(timePan, zero));
            delay0 = _mm_andnot_si128(towardLeft, delay);
            delay1 = _mm_and_si128(towardLeft, delay);

            __m128 gain0;
            __m128 gain1;
            Isa::gains(levelPan, _mm_sub_ps(one, bypass), gain0, gain1);

            const auto a0 = load(in0 + m);
            const auto a1 = load(in1 + m);
            const __m128 x0 = select(swap, narrow(a1), narrow(a0));
            const __m128 x1 = select(swap, narrow(a0), narrow(a1));
            __m128 w0 = x0;
            __m128 w1 = x1;
            if (top0 != nullptr) {
                // Write the four samples first: no read of the group reaches a later sample's
                // slot (that would take a negative delay).
                float* const at0 = top0 - m;
                float* const at1 = top1 - m;
                _mm_storeu_ps(at0 - 3, reverse(x0));
                _mm_storeu_ps(at1 - 3, reverse(x1));
                if (uniform(delay0) && uniform(delay1)) {
                    // The usual case: four neighbouring slots per line.
                    w0 = reverse(_mm_loadu_ps(at0 + _mm_cvtsi128_si32(delay0) - 3));
                    w1 = reverse(_mm_loadu_ps(at1 + _mm_cvtsi128_si32(delay1) - 3));
                } else {
                    alignas(16) Steinberg::int32 d0[4];
                    alignas(16) Steinberg::int32 d1[4];
                    _mm_store_si128(reinterpret_cast<__m128i*>(d0), delay0);
                    _mm_store_si128(reinterpret_cast<__m128i*>(d1), delay1);
                    w0 = _mm_setr_ps(at0[d0[0]], at0[d0[1] - 1], at0[d0[2] - 2], at0[d0[3] - 3]);
                    w1 = _mm_setr_ps(at1[d1[0]], at1[d1[1] - 1], at1[d1[2] - 2], at1[d1[3] - 3]);
                }
            }
            // The dry term always takes the unswapped channel.
            y0 = mix(bypass, a0, _mm_mul_ps(gain0, w0));
            y1 = mix(bypass, a1, _mm_mul_ps(gain1, w1));
            store(out0 + m, y0);
            store(out1 + m, y1);
        }
        _mm_storeu_ps(state.smoothed, s);
        state.delay0 = last(delay0);
        state.delay1 = last(delay1);
        state.y0 = last(y0);
        state.y1 = last(y1);
        return m;
    }
};

} // namespace detail

#endif

} // namespace tivrandel::kernels
