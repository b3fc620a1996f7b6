#pragma once

// The fine stereo loop four samples at a time, compiled twice like the stereo loop
// (stereoloop.h, whose rules hold here too): by kernels.cpp for SSE2 and by kernels_avx.cpp for
// AVX, each with an Isa type of its own in an unnamed namespace that supplies the gains and the
// products of a read between samples. Everything here is a member of FineLoop, so that every
// function compiled for AVX has internal linkage.

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

    // scalar::fineDelay for four pans: whole samples, phases and positions between phases.
    struct Delays {
        __m128i whole;
        __m128i phase;
        __m128 between;
    };
    static Delays delays(__m128 pan, const FineConstants& constants) noexcept {
        constexpr float r = fineCentreRounding;
        const __m128 zero = _mm_setzero_ps();
        const __m128 maxDelay = _mm_set1_ps(constants.maxDelay);
        const __m128 magnitude = _mm_and_ps(pan, _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)));
        const __m128 cubic = _mm_mul_ps(
            _mm_mul_ps(magnitude, magnitude),
            _mm_sub_ps(_mm_set1_ps(2.0f / r), _mm_mul_ps(magnitude, _mm_set1_ps(1.0f / (r * r)))));
        const __m128 rounded = select(_mm_cmplt_ps(magnitude, _mm_set1_ps(r)), cubic, magnitude);
        const __m128 samples = _mm_mul_ps(_mm_mul_ps(rounded, _mm_set1_ps(fullScaleSeconds)),
                                          _mm_set1_ps(constants.sampleRate));
        const __m128 bounded = select(_mm_cmplt_ps(samples, maxDelay), samples, maxDelay);
        const __m128 delay = _mm_and_ps(bounded, _mm_cmpgt_ps(bounded, zero));
        Delays d;
        d.whole = _mm_cvttps_epi32(delay);
        const __m128 position = _mm_mul_ps(_mm_sub_ps(delay, _mm_cvtepi32_ps(d.whole)),
                                           _mm_set1_ps(static_cast<float>(SincTable::phases)));
        d.phase = _mm_cvttps_epi32(position);
        d.between = _mm_sub_ps(position, _mm_cvtepi32_ps(d.phase));
        return d;
    }

    // The reads of the ears away from the source for four samples, through the table: lane l
    // reads line 1 where bit l of fromLine1 is set, else line 0. Each read's taps are summed as
    // scalar::fineTap sums them: Isa::quads leaves the sums of the pairs 4 apart, and the four
    // samples' quads, transposed, are added (0 + 1) + (2 + 3).
    static __m128 farEars(const Delays& d, const FineConstants& constants, const float* now0,
                          const float* now1, int fromLine1, Steinberg::int32 m) noexcept {
        constexpr Steinberg::int32 back = SincTable::lookAhead + SincTable::taps / 2;
        // Where each read starts, from the run's first slot, and its row.
        alignas(16) Steinberg::int32 first[4];
        alignas(16) Steinberg::int32 row[4];
        alignas(16) float between[4];
        _mm_store_si128(
            reinterpret_cast<__m128i*>(first),
            _mm_sub_epi32(_mm_setr_epi32(m - back, m + 1 - back, m + 2 - back, m + 3 - back),
                          d.whole));
        static_assert(SincTable::rowLength == 1 << 5);
        _mm_store_si128(reinterpret_cast<__m128i*>(row), _mm_slli_epi32(d.phase, 5));
        _mm_store_ps(between, d.between);
        __m128 quads[4];
        for (Steinberg::int32 l = 0; l < 4; ++l) {
            const float* const source = (fromLine1 >> l) & 1 ? now1 : now0;
            quads[l] = Isa::quads(constants.table + row[l], between + l, source + first[l]);
        }
        _MM_TRANSPOSE4_PS(quads[0], quads[1], quads[2], quads[3]);
        return _mm_add_ps(_mm_add_ps(quads[0], quads[1]), _mm_add_ps(quads[2], quads[3]));
    }

    // Four samples' controls side by side, and their delays.
    struct Group {
        __m128 bypass;
        __m128 timePan;
        __m128 levelPan;
        __m128 swap;
        Delays delays;
    };

    // The whole groups of four of scalar::fineRun; returns how many samples they took. The
    // smoothers' recurrences and the delays run one group ahead of the rest, which goes four
    // samples at a time (the reads between samples one at a time): a group's reads and mix need
    // nothing of what is still running, and the table rows they read are fetched meanwhile.
    template <typename Sample>
    static Steinberg::int32 run(FineState& state, const FineConstants& constants,
                                const Lanes* inputs, const float* now0, const float* now1,
                                Sample* out0, Sample* out1, Steinberg::int32 count) noexcept {
        constexpr Steinberg::int32 late = SincTable::lookAhead;
        const __m128 keep = _mm_loadu_ps(constants.keep);
        const __m128 zero = _mm_setzero_ps();
        const __m128 one = _mm_set1_ps(1.0f);
        __m128 s = _mm_loadu_ps(state.smoothed);
        __m128 y0 = _mm_set1_ps(state.y0);
        __m128 y1 = _mm_set1_ps(state.y1);
        const Steinberg::int32 groups = count & ~3;
        // Four steps of the recurrences from the inputs of samples m to m + 3, the controls of
        // the four side by side, their delays, and the rows those read fetched.
        const auto ahead = [&](Steinberg::int32 m) {
            __m128 g[4];
            for (Steinberg::int32 k = 0; k < 4; ++k) {
                g[k] = s = _mm_add_ps(_mm_loadu_ps(inputs[m + k]), _mm_mul_ps(keep, s));
            }
            const __m128 lo01 = _mm_unpacklo_ps(g[0], g[1]);
            const __m128 lo23 = _mm_unpacklo_ps(g[2], g[3]);
            const __m128 hi01 = _mm_unpackhi_ps(g[0], g[1]);
            const __m128 hi23 = _mm_unpackhi_ps(g[2], g[3]);
            Group group;
            group.bypass = _mm_movelh_ps(lo01, lo23);
            group.timePan = _mm_movehl_ps(lo23, lo01);
            group.levelPan = _mm_movelh_ps(hi01, hi23);
            group.swap = _mm_cmpneq_ps(_mm_movehl_ps(hi23, hi01), zero);
            group.delays = delays(group.timePan, constants);
            alignas(16) Steinberg::int32 phase[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(phase), group.delays.phase);
            for (Steinberg::int32 l = 0; l < 4; ++l) {
                const char* const row = reinterpret_cast<const char*>(
                    constants.table + phase[l] * SincTable::rowLength);
                _mm_prefetch(row, _MM_HINT_T0);
                _mm_prefetch(row + 64, _MM_HINT_T0);
            }
            return group;
        };
        Group next{};
        if (groups > 0) {
            next = ahead(0);
        }
        for (Steinberg::int32 m = 0; m < groups; m += 4) {
            const Group group = next;
            if (m + 4 < groups) {
                next = ahead(m + 4);
            }
            // Negative pan delays the right ear instead of the left.
            const __m128 towardLeft = _mm_cmplt_ps(group.timePan, zero);
            // The far ear's source line: its own, or with swap the other.
            const int fromLine1 = _mm_movemask_ps(_mm_xor_ps(towardLeft, group.swap));
            const __m128 delayed = farEars(group.delays, constants, now0, now1, fromLine1, m);
            const __m128 dry0 = _mm_loadu_ps(now0 + m - late);
            const __m128 dry1 = _mm_loadu_ps(now1 + m - late);
            const __m128 near0 = select(group.swap, dry1, dry0);
            const __m128 near1 = select(group.swap, dry0, dry1);
            const __m128 wet0 = select(towardLeft, near0, delayed);
            const __m128 wet1 = select(towardLeft, delayed, near1);

            __m128 gain0;
            __m128 gain1;
            Isa::gains(group.levelPan, _mm_sub_ps(one, group.bypass), gain0, gain1);
            y0 = _mm_add_ps(_mm_mul_ps(group.bypass, dry0), _mm_mul_ps(gain0, wet0));
            y1 = _mm_add_ps(_mm_mul_ps(group.bypass, dry1), _mm_mul_ps(gain1, wet1));
            store(out0 + m, y0);
            store(out1 + m, y1);
        }
        _mm_storeu_ps(state.smoothed, s);
        state.y0 = last(y0);
        state.y1 = last(y1);
        return groups;
    }
};

} // namespace detail

#endif

} // namespace tivrandel::kernels
