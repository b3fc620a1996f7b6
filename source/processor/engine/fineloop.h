#pragma once

// The fine stereo loop four samples at a time, compiled twice like the stereo loop
// (stereoloop.h, whose rules hold here too): by kernels.cpp for SSE2 and by kernels_avx.cpp for
// AVX, each with an Isa type of its own in an unnamed namespace that supplies the gains and the
// reads between samples. Everything here is a member of FineLoop, so that every function
// compiled for AVX has internal linkage.

#include "processor/engine/enginemath.h"
#include "processor/engine/kernels.h"
#include "processor/engine/sinctable.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tivrandel::kernels {

#if defined(__SSE2__)

namespace avx {
// kernels_avx.cpp; call only where bestIsa() says AVX.
void fineFir(float* out, const float* x, const float* kernel, Steinberg::int32 count) noexcept;
void fineRun(FineState& state, const FineConstants& constants, const Lanes* inputs,
             const float* now0, const float* now1, float* out0, float* out1,
             Steinberg::int32 count) noexcept;
void fineRun(FineState& state, const FineConstants& constants, const Lanes* inputs,
             const float* now0, const float* now1, double* out0, double* out1,
             Steinberg::int32 count) noexcept;
} // namespace avx

namespace detail {

template <typename Isa>
struct FineLoop {
    static void store(float* p, __m128 y) noexcept { _mm_storeu_ps(p, y); }
    static void store(double* p, __m128 y) noexcept {
        _mm_storeu_pd(p, _mm_cvtps_pd(y));
        _mm_storeu_pd(p + 2, _mm_cvtps_pd(_mm_movehl_ps(y, y)));
    }
    static __m128 select(__m128 mask, __m128 on, __m128 off) noexcept {
        return _mm_or_ps(_mm_and_ps(mask, on), _mm_andnot_ps(mask, off));
    }
    static float last(__m128 x) noexcept {
        return _mm_cvtss_f32(_mm_shuffle_ps(x, x, _MM_SHUFFLE(3, 3, 3, 3)));
    }

    // The whole groups of four of scalar::fineRun; returns how many samples they took. The
    // smoothers, delays, gains and mix go four samples at a time, the reads between samples
    // one at a time.
    template <typename Sample>
    static Steinberg::int32 run(FineState& state, const FineConstants& constants,
                                const Lanes* inputs, const float* now0, const float* now1,
                                Sample* out0, Sample* out1, Steinberg::int32 count) noexcept {
        constexpr Steinberg::int32 late = SincTable::lookAhead;
        const __m128 keep = _mm_loadu_ps(constants.keep);
        const __m128 rate = _mm_set1_ps(constants.sampleRate);
        const __m128 maxDelay = _mm_set1_ps(constants.maxDelay);
        const __m128 fullScale = _mm_set1_ps(fullScaleSeconds);
        const __m128 phases = _mm_set1_ps(static_cast<float>(SincTable::phases));
        const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
        const __m128 zero = _mm_setzero_ps();
        const __m128 one = _mm_set1_ps(1.0f);
        __m128 s = _mm_loadu_ps(state.smoothed);
        __m128 y0 = _mm_set1_ps(state.y0);
        __m128 y1 = _mm_set1_ps(state.y1);
        Steinberg::int32 m = 0;
        for (; m + 4 <= count; m += 4) {
            const __m128 s0 = s = _mm_add_ps(_mm_loadu_ps(inputs[m]), _mm_mul_ps(keep, s));
            const __m128 s1 = s = _mm_add_ps(_mm_loadu_ps(inputs[m + 1]), _mm_mul_ps(keep, s));
            const __m128 s2 = s = _mm_add_ps(_mm_loadu_ps(inputs[m + 2]), _mm_mul_ps(keep, s));
            const __m128 s3 = s = _mm_add_ps(_mm_loadu_ps(inputs[m + 3]), _mm_mul_ps(keep, s));
            const __m128 lo01 = _mm_unpacklo_ps(s0, s1);
            const __m128 lo23 = _mm_unpacklo_ps(s2, s3);
            const __m128 hi01 = _mm_unpackhi_ps(s0, s1);
            const __m128 hi23 = _mm_unpackhi_ps(s2, s3);
            const __m128 bypass = _mm_movelh_ps(lo01, lo23);
            const __m128 timePan = _mm_movehl_ps(lo23, lo01);
            const __m128 levelPan = _mm_movelh_ps(hi01, hi23);
            const __m128 swap = _mm_cmpneq_ps(_mm_movehl_ps(hi23, hi01), zero);

            // scalar::fineDelay, the bound and the test for zero as masks.
            const __m128 samples =
                _mm_mul_ps(_mm_mul_ps(_mm_and_ps(timePan, magnitude), fullScale), rate);
            const __m128 bounded = select(_mm_cmplt_ps(samples, maxDelay), samples, maxDelay);
            const __m128 delay = _mm_and_ps(bounded, _mm_cmpgt_ps(bounded, zero));
            const __m128i whole = _mm_cvttps_epi32(delay);
            const __m128 position = _mm_mul_ps(_mm_sub_ps(delay, _mm_cvtepi32_ps(whole)), phases);
            const __m128i phase = _mm_cvttps_epi32(position);
            const __m128 between = _mm_sub_ps(position, _mm_cvtepi32_ps(phase));

            __m128 gain0;
            __m128 gain1;
            Isa::gains(levelPan, _mm_sub_ps(one, bypass), gain0, gain1);

            alignas(16) Steinberg::int32 wholes[4];
            alignas(16) Steinberg::int32 phaseOf[4];
            alignas(16) float betweens[4];
            alignas(16) float wet0[4];
            alignas(16) float wet1[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(wholes), whole);
            _mm_store_si128(reinterpret_cast<__m128i*>(phaseOf), phase);
            _mm_store_ps(betweens, between);
            const int towardLeft = _mm_movemask_ps(_mm_cmplt_ps(timePan, zero));
            const int swapped = _mm_movemask_ps(swap);
            for (Steinberg::int32 l = 0; l < 4; ++l) {
                const Steinberg::int32 at = m + l;
                const float* const source0 = (swapped >> l) & 1 ? now1 : now0;
                const float* const source1 = (swapped >> l) & 1 ? now0 : now1;
                const float* const row = constants.table + phaseOf[l] * SincTable::rowLength;
                const Steinberg::int32 first = at - late - wholes[l] - SincTable::taps / 2;
                if ((towardLeft >> l) & 1) {
                    wet0[l] = source0[at - late];
                    wet1[l] = Isa::tap(row, betweens[l], source1 + first);
                } else {
                    wet0[l] = Isa::tap(row, betweens[l], source0 + first);
                    wet1[l] = source1[at - late];
                }
            }
            y0 = _mm_add_ps(_mm_mul_ps(bypass, _mm_loadu_ps(now0 + m - late)),
                            _mm_mul_ps(gain0, _mm_load_ps(wet0)));
            y1 = _mm_add_ps(_mm_mul_ps(bypass, _mm_loadu_ps(now1 + m - late)),
                            _mm_mul_ps(gain1, _mm_load_ps(wet1)));
            store(out0 + m, y0);
            store(out1 + m, y1);
        }
        _mm_storeu_ps(state.smoothed, s);
        state.y0 = last(y0);
        state.y1 = last(y1);
        return m;
    }
};

} // namespace detail

#endif

} // namespace tivrandel::kernels
