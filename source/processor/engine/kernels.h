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
// SSE2, and AVX where the machine has it, whose packed operations round lane by lane exactly as
// their scalar forms.
namespace tivrandel::kernels {

// Four controls of one sample side by side: bypass, time pan, level pan and swap.
using Lanes = float[4];

// Parameters that move together through the ramps.
constexpr Steinberg::int32 rampCount = 4;

// What the stereo loop carries from one sample to the next.
struct StereoState {
    // The smoothed bypass mix, time pan and level pan, and the swap switch (0 or 1).
    Lanes smoothed;
    // The delays of the last sample, left and right.
    Steinberg::int32 delay0;
    Steinberg::int32 delay1;
    // The last sample's outputs, as float.
    float y0;
    float y1;
};

struct StereoConstants {
    // 1 - coefficient for each smoother; 0 for the swap lane, which takes each input as it is.
    Lanes keep;
    float sampleRate;
    // Of both delay lines, as float.
    float capacity;
};

// The fine path's constants: the stereo path's, and the table that the fractional delay reads.
struct FineConstants {
    // 1 - coefficient for each smoother; 0 for the swap lane.
    Lanes keep;
    float sampleRate;
    // The largest delay the lines can give, in samples: 0.8 ms at the rate.
    float maxDelay;
    // SincTable rows.
    const float* table;
};

// What the fine loop carries from one sample to the next.
struct FineState {
    // The smoothed bypass mix, time pan and level pan, and the swap switch, as on the stereo path.
    Lanes smoothed;
    float y0;
    float y1;
};

// Within this distance of the centre, the fine path's delay follows a rounded |pan|: the smooth
// cubic 2p^2 / r - |p|^3 / r^2, which meets |p| with the same slope at |p| = r. |p| itself turns
// with a corner at the centre, and a pan sweeping through it makes the delaying ear change speed
// at once: a 1 kHz tone swept in 1 s gets a tick of -80 dBFS above 3 kHz from that corner alone,
// at any sample rate. Rounded, the delay is at most 0.15 r x 0.8 ms (0.46 us) short of |p| x
// 0.8 ms, and only for |p| < r.
constexpr float fineCentreRounding = 1.0f / 256.0f;

// A delay of the fine path: whole samples, and the fraction as a phase of the sinc table and the
// position between that phase and the next, in [0, 1).
struct FineDelay {
    Steinberg::int32 whole;
    Steinberg::int32 phase;
    float between;
};

// Which instruction set the vector kernels use.
enum class Isa { sse2, avx };

// The widest set this machine and its operating system run.
Isa bestIsa() noexcept;

namespace scalar {

// The smoothers' inputs, target x coefficient, from ramp values narrowed to float: for bypass
// and swap the switch (on from 0.5 upward, NaN included), for the pans 2 x clamp01(v) - 1.
// coefficient[3] is 1: the swap lane carries the switch itself.
void smootherInputs(const Lanes* values, Steinberg::int32 count, const Lanes& coefficient,
                    Lanes* out) noexcept;

// count steps of the four ramps and the smoothers' inputs they give: value[j] += increment[j]
// once per sample, the four new values narrowed to float and turned into out[k] as
// smootherInputs does. value ends as the last value reached.
void rampInputs(double (&value)[rampCount], const double (&increment)[rampCount],
                Steinberg::int32 count, const Lanes& coefficient, Lanes* out) noexcept;

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

// count samples of the stereo path from the smoothers' inputs on: smoothing, delays, gains, swap,
// the delay lines and the mix. Lines run downward: sample m writes top[-m] and reads
// top[delay - m]; without lines (top0 null) the wet signal is the source itself. Sample m reads
// both inputs before it writes either output, so the outputs may be the inputs, either way round.
template <typename Sample>
void stereoRun(StereoState& state, const StereoConstants& constants, const Lanes* inputs,
               const Sample* in0, const Sample* in1, Sample* out0, Sample* out1, float* top0,
               float* top1, Steinberg::int32 count) noexcept;

// The steady mix into a 32-bit output: out[m] = bypass x dry[m] + gain x line[-m] for m < count,
// line pointing at the delayed sample of the first output in a delay line that runs downward.
// out may be dry itself.
void mixFromLine(float* out, const float* dry, const float* line, float bypass, float gain,
                 Steinberg::int32 count) noexcept;

// The same mix with the delayed samples in order: out[m] = bypass x dry[m] + gain x delayed[m].
// out must not overlap dry or delayed unless it is the same buffer.
void mixForward(float* out, const float* dry, const float* delayed, float bypass, float gain,
                Steinberg::int32 count) noexcept;

// count samples into a delay line that runs downward: top[-k] = x[k]. The two do not overlap.
void storeReversed(float* top, const float* x, Steinberg::int32 count) noexcept;

// The fine path's delay in samples for a smoothed time pan: |pan| (rounded within
// fineCentreRounding of the centre) x 0.0008 x rate in float, multiplied in that order, within
// [0, maxDelay]; its whole samples, and its fraction as a phase of the sinc table and the
// position between that phase and the next.
FineDelay fineDelay(float pan, float sampleRate, float maxDelay) noexcept;

// The kernel between a table row's phase and the next: row[q] + t x row[16 + q].
void fineKernel(const float* row, float t, float* kernel) noexcept;

// One read between samples: the kernel between row's phase and the next, applied to
// x[0 .. 15]. The products of taps q and q + 8 are added first, then those sums 4 apart, and
// the four quads so made as (0 + 1) + (2 + 3): the order that the vector kernels keep.
float fineTap(const float* row, float t, const float* x) noexcept;

// A constant kernel over a run: out[m] = kernel applied to x[m .. m + 15], for m < count, summed
// in fineTap's order.
void fineFir(float* out, const float* x, const float* kernel, Steinberg::int32 count) noexcept;

// count samples of the fine stereo path from the smoothers' inputs on: smoothing, gains and swap
// as on the stereo path, and the delay of the ear away from the source (the left one for
// positive pan, as on the stereo path) in fractions of a sample. The lines hold the run's inputs
// already: now0 and now1 point at the slots of its first sample, and sample m reads back from
// now[m]. Everything is lookAhead samples late: the dry term is now_j[m - lookAhead], the ear
// toward the source reads the same slot of its source line (with swap on, the other line), and
// the ear away from it reads its source line through the sinc table at lookAhead plus the delay.
// The mix is formed in float, for 64-bit outputs too.
template <typename Sample>
void fineRun(FineState& state, const FineConstants& constants, const Lanes* inputs,
             const float* now0, const float* now1, Sample* out0, Sample* out1,
             Steinberg::int32 count) noexcept;

} // namespace scalar

void rampInputs(double (&value)[rampCount], const double (&increment)[rampCount],
                Steinberg::int32 count, const Lanes& coefficient, Lanes* out) noexcept;

// The constant gains of a steady run. 1 - level and 1 + level are never NaN or -0 (level comes
// from a smoother that NaN never reaches), so the order of maxpd's operands cannot matter.
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

// isa must be one this machine runs (bestIsa or below).
template <typename Sample>
void stereoRun(Isa isa, StereoState& state, const StereoConstants& constants, const Lanes* inputs,
               const Sample* in0, const Sample* in1, Sample* out0, Sample* out1, float* top0,
               float* top1, Steinberg::int32 count) noexcept;

void mixFromLine(float* out, const float* dry, const float* line, float bypass, float gain,
                 Steinberg::int32 count) noexcept;

void mixForward(float* out, const float* dry, const float* delayed, float bypass, float gain,
                Steinberg::int32 count) noexcept;

void storeReversed(float* top, const float* x, Steinberg::int32 count) noexcept;

void fineFir(Isa isa, float* out, const float* x, const float* kernel,
             Steinberg::int32 count) noexcept;

template <typename Sample>
void fineRun(Isa isa, FineState& state, const FineConstants& constants, const Lanes* inputs,
             const float* now0, const float* now1, Sample* out0, Sample* out1,
             Steinberg::int32 count) noexcept;

} // namespace tivrandel::kernels
