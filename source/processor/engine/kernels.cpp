#include "processor/engine/kernels.h"

#include "processor/engine/enginemath.h"
#include "processor/engine/fineloop.h"
#include "processor/engine/sinctable.h"
#include "processor/engine/stereoloop.h"

namespace tivrandel::kernels {

using Steinberg::int32;

namespace scalar {

void smootherInputs(const Lanes* values, int32 count, const Lanes& coefficient,
                    Lanes* out) noexcept {
    const auto switchOf = [](float v) { return v < 0.5f ? 0.0f : 1.0f; };
    const auto panOf = [](float v) { return 2.0f * clamp01Plain(v) - 1.0f; };
    for (int32 k = 0; k < count; ++k) {
        out[k][0] = switchOf(values[k][0]) * coefficient[0];
        out[k][1] = panOf(values[k][1]) * coefficient[1];
        out[k][2] = panOf(values[k][2]) * coefficient[2];
        out[k][3] = switchOf(values[k][3]) * coefficient[3];
    }
}

void rampInputs(double (&value)[rampCount], const double (&increment)[rampCount], int32 count,
                const Lanes& coefficient, Lanes* out) noexcept {
    for (int32 k = 0; k < count; ++k) {
        Lanes narrowed;
        for (int32 j = 0; j < rampCount; ++j) {
            value[j] += increment[j];
            narrowed[j] = static_cast<float>(value[j]);
        }
        smootherInputs(&narrowed, 1, coefficient, out + k);
    }
}

template <typename Sample>
void stereoRun(StereoState& state, const StereoConstants& constants, const Lanes* inputs,
               const Sample* in0, const Sample* in1, Sample* out0, Sample* out1, float* top0,
               float* top1, int32 count) noexcept {
    float* const s = state.smoothed;
    for (int32 m = 0; m < count; ++m) {
        for (int32 j = 0; j < 4; ++j) {
            s[j] = inputs[m][j] + constants.keep[j] * s[j];
        }
        const float bypass = s[0];
        const float timePan = s[1];
        const float levelPan = s[2];
        const bool swap = s[3] != 0.0f;
        // Positive pan delays the left channel: the source moves right.
        const int32 delay = delayFor(timePan, constants.sampleRate, constants.capacity);
        state.delay0 = timePan < 0.0f ? 0 : delay;
        state.delay1 = timePan < 0.0f ? delay : 0;
        float gain0;
        float gain1;
        gains(levelPan, 1.0f - bypass, gain0, gain1);
        // Both inputs are read before either output is written.
        const Sample a0 = in0[m];
        const Sample a1 = in1[m];
        const float x0 = toFloat(swap ? a1 : a0);
        const float x1 = toFloat(swap ? a0 : a1);
        float w0 = x0;
        float w1 = x1;
        if (top0 != nullptr) {
            top0[-m] = x0;
            top1[-m] = x1;
            w0 = top0[state.delay0 - m];
            w1 = top1[state.delay1 - m];
        }
        // The dry term always takes the unswapped channel.
        state.y0 = mixSample(bypass, a0, gain0, w0);
        state.y1 = mixSample(bypass, a1, gain1, w1);
        out0[m] = static_cast<Sample>(state.y0);
        out1[m] = static_cast<Sample>(state.y1);
    }
}

template void stereoRun<float>(StereoState&, const StereoConstants&, const Lanes*, const float*,
                               const float*, float*, float*, float*, float*, int32) noexcept;
template void stereoRun<double>(StereoState&, const StereoConstants&, const Lanes*, const double*,
                                const double*, double*, double*, float*, float*, int32) noexcept;

FineDelay fineDelay(float pan, float sampleRate, float maxDelay) noexcept {
    constexpr float r = fineCentreRounding;
    const float magnitude = std::fabs(pan);
    const float rounded =
        magnitude < r ? (magnitude * magnitude) * (2.0f / r - magnitude / (r * r)) : magnitude;
    const float samples = rounded * fullScaleSeconds * sampleRate;
    // NaN, which the smoother never gives, would come out as the largest delay.
    const float bounded = samples < maxDelay ? samples : maxDelay;
    const float delay = bounded > 0.0f ? bounded : 0.0f;
    const int32 whole = static_cast<int32>(delay);
    const float position =
        (delay - static_cast<float>(whole)) * static_cast<float>(SincTable::phases);
    const int32 phase = static_cast<int32>(position);
    return {whole, phase, position - static_cast<float>(phase)};
}

void fineKernel(const float* row, float t, float* kernel) noexcept {
    for (int32 q = 0; q < SincTable::taps; ++q) {
        kernel[q] = row[q] + t * row[SincTable::taps + q];
    }
}

namespace {

float applyKernel(const float* kernel, const float* x) noexcept {
    float pairs[8];
    for (int32 l = 0; l < 8; ++l) {
        pairs[l] = kernel[l] * x[l] + kernel[l + 8] * x[l + 8];
    }
    float quads[4];
    for (int32 l = 0; l < 4; ++l) {
        quads[l] = pairs[l] + pairs[l + 4];
    }
    return (quads[0] + quads[1]) + (quads[2] + quads[3]);
}

} // namespace

float fineTap(const float* row, float t, const float* x) noexcept {
    float kernel[SincTable::taps];
    fineKernel(row, t, kernel);
    return applyKernel(kernel, x);
}

void fineFir(float* out, const float* x, const float* kernel, int32 count) noexcept {
    for (int32 m = 0; m < count; ++m) {
        out[m] = applyKernel(kernel, x + m);
    }
}

template <typename Sample>
void fineRun(FineState& state, const FineConstants& constants, const Lanes* inputs,
             const float* now0, const float* now1, Sample* out0, Sample* out1,
             int32 count) noexcept {
    constexpr int32 late = SincTable::lookAhead;
    float* const s = state.smoothed;
    for (int32 m = 0; m < count; ++m) {
        for (int32 j = 0; j < 4; ++j) {
            s[j] = inputs[m][j] + constants.keep[j] * s[j];
        }
        const float bypass = s[0];
        const float timePan = s[1];
        const float levelPan = s[2];
        const bool swap = s[3] != 0.0f;
        const FineDelay delay = fineDelay(timePan, constants.sampleRate, constants.maxDelay);
        const float* const row = constants.table + delay.phase * SincTable::rowLength;
        const int32 first = m - late - delay.whole - SincTable::taps / 2;
        const float* const source0 = swap ? now1 : now0;
        const float* const source1 = swap ? now0 : now1;
        float w0;
        float w1;
        // Positive pan delays the left ear.
        if (timePan < 0.0f) {
            w0 = source0[m - late];
            w1 = fineTap(row, delay.between, source1 + first);
        } else {
            w0 = fineTap(row, delay.between, source0 + first);
            w1 = source1[m - late];
        }
        float gain0;
        float gain1;
        gains(levelPan, 1.0f - bypass, gain0, gain1);
        state.y0 = bypass * now0[m - late] + gain0 * w0;
        state.y1 = bypass * now1[m - late] + gain1 * w1;
        out0[m] = static_cast<Sample>(state.y0);
        out1[m] = static_cast<Sample>(state.y1);
    }
}

template void fineRun<float>(FineState&, const FineConstants&, const Lanes*, const float*,
                             const float*, float*, float*, int32) noexcept;
template void fineRun<double>(FineState&, const FineConstants&, const Lanes*, const float*,
                              const float*, double*, double*, int32) noexcept;

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

void storeReversed(float* top, const float* x, int32 count) noexcept {
    for (int32 k = 0; k < count; ++k) {
        top[-k] = x[k];
    }
}

} // namespace scalar

#if defined(__SSE2__)

namespace {

struct Sse2 {
    // scalar::gains for four levels and wets, two doubles per square root.
    static void gains(__m128 level, __m128 wet, __m128& gain0, __m128& gain1) noexcept {
        const __m128 one = _mm_set1_ps(1.0f);
        const __m128d zero = _mm_setzero_pd();
        const __m128d wetLo = _mm_cvtps_pd(wet);
        const __m128d wetHi = _mm_cvtps_pd(_mm_movehl_ps(wet, wet));
        const auto gain = [&](__m128 side) {
            const __m128d lo = _mm_sqrt_pd(_mm_max_pd(zero, _mm_cvtps_pd(side)));
            const __m128d hi =
                _mm_sqrt_pd(_mm_max_pd(zero, _mm_cvtps_pd(_mm_movehl_ps(side, side))));
            return _mm_movelh_ps(_mm_cvtpd_ps(_mm_mul_pd(lo, wetLo)),
                                 _mm_cvtpd_ps(_mm_mul_pd(hi, wetHi)));
        };
        gain0 = gain(_mm_sub_ps(one, level));
        gain1 = gain(_mm_add_ps(one, level));
    }

    // The quads of scalar::fineTap (the sums of the products of taps q, q + 4, q + 8 and
    // q + 12, the first two pairs added first), four taps per register.
    static __m128 quads(const float* row, const float* t, const float* x) noexcept {
        const __m128 between = _mm_load1_ps(t);
        const auto kernel = [&](int32 q) {
            return _mm_add_ps(_mm_loadu_ps(row + q),
                              _mm_mul_ps(between, _mm_loadu_ps(row + SincTable::taps + q)));
        };
        const __m128 pairsLo = _mm_add_ps(_mm_mul_ps(kernel(0), _mm_loadu_ps(x)),
                                          _mm_mul_ps(kernel(8), _mm_loadu_ps(x + 8)));
        const __m128 pairsHi = _mm_add_ps(_mm_mul_ps(kernel(4), _mm_loadu_ps(x + 4)),
                                          _mm_mul_ps(kernel(12), _mm_loadu_ps(x + 12)));
        return _mm_add_ps(pairsLo, pairsHi);
    }
};

// scalar::smootherInputs for one sample's four values.
class SmootherInputs {
public:
    explicit SmootherInputs(const Lanes& coefficient) noexcept
        : c(_mm_loadu_ps(coefficient)), half(_mm_set1_ps(0.5f)), one(_mm_set1_ps(1.0f)),
          two(_mm_set1_ps(2.0f)), zero(_mm_setzero_ps()),
          switches(_mm_castsi128_ps(_mm_setr_epi32(-1, 0, 0, -1))) {}

    __m128 operator()(__m128 v) const noexcept {
        const __m128 on = _mm_andnot_ps(_mm_cmplt_ps(v, half), one);
        // clamp01: minps(a, b) is a < b ? a : b and maxps(a, b) is a > b ? a : b, so NaN comes
        // out as 1 and -0 as +0, as in the scalar comparisons (the tests hold the compiler to
        // keeping the operands in this order).
        const __m128 u = _mm_max_ps(_mm_min_ps(v, one), zero);
        const __m128 pan = _mm_sub_ps(_mm_mul_ps(two, u), one);
        return _mm_mul_ps(_mm_or_ps(_mm_and_ps(switches, on), _mm_andnot_ps(switches, pan)), c);
    }

private:
    __m128 c;
    __m128 half;
    __m128 one;
    __m128 two;
    __m128 zero;
    // Lanes 0 and 3 are switches, 1 and 2 pans.
    __m128 switches;
};

// The steady mix of four samples, bypass x dry + gain x wet, as scalar::mixForward forms it.
class SteadyMix {
public:
    SteadyMix(float bypass, float gain) noexcept : b(_mm_set1_ps(bypass)), g(_mm_set1_ps(gain)) {}
    __m128 operator()(__m128 dry, __m128 wet) const noexcept {
        return _mm_add_ps(_mm_mul_ps(b, dry), _mm_mul_ps(g, wet));
    }

private:
    __m128 b;
    __m128 g;
};

// Four samples in the opposite order, for delay lines that run downward.
__m128 reversed(__m128 x) noexcept {
    return _mm_shuffle_ps(x, x, _MM_SHUFFLE(0, 1, 2, 3));
}

} // namespace

Isa bestIsa() noexcept {
#if defined(TIVRANDEL_AVX_KERNELS)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx") ? Isa::avx : Isa::sse2;
#else
    return Isa::sse2;
#endif
}

void rampInputs(double (&value)[rampCount], const double (&increment)[rampCount], int32 count,
                const Lanes& coefficient, Lanes* out) noexcept {
    const SmootherInputs inputs(coefficient);
    // Two ramps per register; a sample's four values meet in one. The callers have just
    // stored each double on its own, and a wider load would wait for those stores to finish.
    const auto pair = [](const double* p) { return _mm_loadh_pd(_mm_load_sd(p), p + 1); };
    __m128d v01 = pair(&value[0]);
    __m128d v23 = pair(&value[2]);
    const __m128d i01 = pair(&increment[0]);
    const __m128d i23 = pair(&increment[2]);
    for (int32 k = 0; k < count; ++k) {
        v01 = _mm_add_pd(v01, i01);
        v23 = _mm_add_pd(v23, i23);
        _mm_storeu_ps(out[k], inputs(_mm_movelh_ps(_mm_cvtpd_ps(v01), _mm_cvtpd_ps(v23))));
    }
    _mm_storeu_pd(&value[0], v01);
    _mm_storeu_pd(&value[2], v23);
}

template <typename Sample>
void stereoRun(Isa isa, StereoState& state, const StereoConstants& constants, const Lanes* inputs,
               const Sample* in0, const Sample* in1, Sample* out0, Sample* out1, float* top0,
               float* top1, int32 count) noexcept {
#if defined(TIVRANDEL_AVX_KERNELS)
    if (isa == Isa::avx) {
        avx::stereoRun(state, constants, inputs, in0, in1, out0, out1, top0, top1, count);
        return;
    }
#else
    static_cast<void>(isa);
#endif
    const int32 m = detail::StereoLoop<Sse2>::run(state, constants, inputs, in0, in1, out0, out1,
                                                  top0, top1, count);
    scalar::stereoRun(state, constants, inputs + m, in0 + m, in1 + m, out0 + m, out1 + m,
                      top0 != nullptr ? top0 - m : nullptr, top1 != nullptr ? top1 - m : nullptr,
                      count - m);
}

void mixFromLine(float* out, const float* dry, const float* line, float bypass, float gain,
                 int32 count) noexcept {
    const SteadyMix mix(bypass, gain);
    int32 m = 0;
    // Each group of four is read before it is written, so out may be dry.
    for (; m + 4 <= count; m += 4) {
        const __m128 wet = reversed(_mm_loadu_ps(line - m - 3));
        _mm_storeu_ps(out + m, mix(_mm_loadu_ps(dry + m), wet));
    }
    scalar::mixFromLine(out + m, dry + m, line - m, bypass, gain, count - m);
}

void mixForward(float* out, const float* dry, const float* delayed, float bypass, float gain,
                int32 count) noexcept {
    const SteadyMix mix(bypass, gain);
    int32 m = 0;
    // Two groups of four a turn, each read before it is written.
    for (; m + 8 <= count; m += 8) {
        const __m128 d0 = _mm_loadu_ps(dry + m);
        const __m128 d1 = _mm_loadu_ps(dry + m + 4);
        const __m128 w0 = _mm_loadu_ps(delayed + m);
        const __m128 w1 = _mm_loadu_ps(delayed + m + 4);
        _mm_storeu_ps(out + m, mix(d0, w0));
        _mm_storeu_ps(out + m + 4, mix(d1, w1));
    }
    scalar::mixForward(out + m, dry + m, delayed + m, bypass, gain, count - m);
}

void storeReversed(float* top, const float* x, int32 count) noexcept {
    int32 k = 0;
    for (; k + 4 <= count; k += 4) {
        _mm_storeu_ps(top - k - 3, reversed(_mm_loadu_ps(x + k)));
    }
    scalar::storeReversed(top - k, x + k, count - k);
}

void fineFir(Isa isa, float* out, const float* x, const float* kernel, int32 count) noexcept {
#if defined(TIVRANDEL_AVX_KERNELS)
    if (isa == Isa::avx) {
        avx::fineFir(out, x, kernel, count);
        return;
    }
#else
    static_cast<void>(isa);
#endif
    // Four outputs at a time, each tap's products side by side, summed as scalar::fineTap sums.
    __m128 k[SincTable::taps];
    for (int32 q = 0; q < SincTable::taps; ++q) {
        k[q] = _mm_set1_ps(kernel[q]);
    }
    int32 m = 0;
    for (; m + 4 <= count; m += 4) {
        const float* const at = x + m;
        __m128 pairs[8];
        for (int32 l = 0; l < 8; ++l) {
            pairs[l] = _mm_add_ps(_mm_mul_ps(k[l], _mm_loadu_ps(at + l)),
                                  _mm_mul_ps(k[l + 8], _mm_loadu_ps(at + l + 8)));
        }
        __m128 quads[4];
        for (int32 l = 0; l < 4; ++l) {
            quads[l] = _mm_add_ps(pairs[l], pairs[l + 4]);
        }
        _mm_storeu_ps(out + m,
                      _mm_add_ps(_mm_add_ps(quads[0], quads[1]), _mm_add_ps(quads[2], quads[3])));
    }
    scalar::fineFir(out + m, x + m, kernel, count - m);
}

template <typename Sample>
void fineRun(Isa isa, FineState& state, const FineConstants& constants, const Lanes* inputs,
             const float* now0, const float* now1, Sample* out0, Sample* out1,
             int32 count) noexcept {
#if defined(TIVRANDEL_AVX_KERNELS)
    if (isa == Isa::avx) {
        avx::fineRun(state, constants, inputs, now0, now1, out0, out1, count);
        return;
    }
#else
    static_cast<void>(isa);
#endif
    const int32 m =
        detail::FineLoop<Sse2>::run(state, constants, inputs, now0, now1, out0, out1, count);
    scalar::fineRun(state, constants, inputs + m, now0 + m, now1 + m, out0 + m, out1 + m,
                    count - m);
}

#else

Isa bestIsa() noexcept {
    return Isa::sse2;
}

void rampInputs(double (&value)[rampCount], const double (&increment)[rampCount], int32 count,
                const Lanes& coefficient, Lanes* out) noexcept {
    scalar::rampInputs(value, increment, count, coefficient, out);
}

template <typename Sample>
void stereoRun(Isa, StereoState& state, const StereoConstants& constants, const Lanes* inputs,
               const Sample* in0, const Sample* in1, Sample* out0, Sample* out1, float* top0,
               float* top1, int32 count) noexcept {
    scalar::stereoRun(state, constants, inputs, in0, in1, out0, out1, top0, top1, count);
}

void mixFromLine(float* out, const float* dry, const float* line, float bypass, float gain,
                 int32 count) noexcept {
    scalar::mixFromLine(out, dry, line, bypass, gain, count);
}

void mixForward(float* out, const float* dry, const float* delayed, float bypass, float gain,
                int32 count) noexcept {
    scalar::mixForward(out, dry, delayed, bypass, gain, count);
}

void storeReversed(float* top, const float* x, int32 count) noexcept {
    scalar::storeReversed(top, x, count);
}

void fineFir(Isa, float* out, const float* x, const float* kernel, int32 count) noexcept {
    scalar::fineFir(out, x, kernel, count);
}

template <typename Sample>
void fineRun(Isa, FineState& state, const FineConstants& constants, const Lanes* inputs,
             const float* now0, const float* now1, Sample* out0, Sample* out1,
             int32 count) noexcept {
    scalar::fineRun(state, constants, inputs, now0, now1, out0, out1, count);
}

#endif

template void stereoRun<float>(Isa, StereoState&, const StereoConstants&, const Lanes*,
                               const float*, const float*, float*, float*, float*, float*,
                               int32) noexcept;
template void stereoRun<double>(Isa, StereoState&, const StereoConstants&, const Lanes*,
                                const double*, const double*, double*, double*, float*, float*,
                                int32) noexcept;
template void fineRun<float>(Isa, FineState&, const FineConstants&, const Lanes*, const float*,
                             const float*, float*, float*, int32) noexcept;
template void fineRun<double>(Isa, FineState&, const FineConstants&, const Lanes*, const float*,
                              const float*, double*, double*, int32) noexcept;

} // namespace tivrandel::kernels
