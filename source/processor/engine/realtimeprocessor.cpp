#include "processor/engine/realtimeprocessor.h"

#include "processor/engine/enginemath.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tivrandel {

using Steinberg::int32;

namespace {

// Full-scale delay 0.8 ms; the lines hold one tenth more.
constexpr float fullScaleSeconds = 0.0008f;
constexpr float capacitySeconds = 0.00088f;

// A switch is on from 0.5 upward: floor(clamp01(v) + 0.5) in double, as int, as float. For the
// clamped u in [0, 1] that is exactly u >= 0.5 (the largest float below 0.5 plus 0.5 is still
// below 1 in double), and clamp01(x) >= 0.5 is exactly !(x < 0.5), NaN included.
inline bool switchOn(double value) noexcept {
    return !(static_cast<float>(value) < 0.5f);
}

inline float bypassTarget(double value) noexcept {
    return switchOn(value) ? 1.0f : 0.0f;
}

inline float panTarget(double value) noexcept {
    return 2.0f * clamp01(static_cast<float>(value)) - 1.0f;
}

int32 capacityFor(int32 sampleRate) noexcept {
    const float samples = std::trunc(static_cast<float>(sampleRate) * capacitySeconds);
    // Rates of 0 and below, which no host sends, give plain wires instead of negative sizes.
    return samples > 0.0f ? static_cast<int32>(samples) : 0;
}

// trunc(|pan| x 0.0008 x rate) in float, multiplied in that order, within [0, capacity]. The
// bound is applied before the conversion so that it is defined for any rate; trunc then equals
// the conversion's own truncation.
inline int32 delayFor(float pan, float sampleRate, float capacity) noexcept {
    const float samples = std::fabs(pan) * fullScaleSeconds * sampleRate;
    const float bounded = samples < capacity ? samples : capacity;
    return bounded > 0.0f ? static_cast<int32>(bounded) : 0;
}

// sqrt(max(1 -/+ level, 0)) x wet: sums in float, maximum, root and product in double.
inline float gainFor(float side, float wet) noexcept {
    return static_cast<float>(std::sqrt(std::max(static_cast<double>(side), 0.0)) *
                              static_cast<double>(wet));
}

// Both gains at once; the packed operations round exactly as the scalar ones. 1 - level and
// 1 + level are never NaN or -0, so the order of maxpd's operands cannot matter.
inline void gainsFor(float level, float wet, float& gain0, float& gain1) noexcept {
#if defined(__SSE2__)
    const __m128d sides = _mm_cvtps_pd(_mm_set_ps(0.0f, 0.0f, 1.0f + level, 1.0f - level));
    const __m128d roots = _mm_sqrt_pd(_mm_max_pd(_mm_setzero_pd(), sides));
    const __m128 gains = _mm_cvtpd_ps(_mm_mul_pd(roots, _mm_set1_pd(static_cast<double>(wet))));
    gain0 = _mm_cvtss_f32(gains);
    gain1 = _mm_cvtss_f32(_mm_shuffle_ps(gains, gains, 1));
#else
    gain0 = gainFor(1.0f - level, wet);
    gain1 = gainFor(1.0f + level, wet);
#endif
}

// The smoothers' inputs, target x coefficient, for count samples of ramp values: the bypass
// switch and the two pans (2 x clamp01 - 1). GCC does not vectorize the selects by itself. The
// array type is the stereo path's chunk, [Parameters::count][chunkSize].
void smootherInputs(const float (&values)[4][64], int32 count, float bc, float tc, float lc,
                    float* bypass, float* pan, float* level) noexcept {
    int32 k = 0;
#if defined(__SSE2__)
    const __m128 half = _mm_set1_ps(0.5f);
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 two = _mm_set1_ps(2.0f);
    const __m128 zero = _mm_setzero_ps();
    const auto panOf = [&](__m128 v, __m128 c) {
        // clamp01Plain's two comparisons as masks.
        const __m128 below = _mm_cmplt_ps(v, one);
        const __m128 upper = _mm_or_ps(_mm_and_ps(below, v), _mm_andnot_ps(below, one));
        const __m128 u = _mm_and_ps(_mm_cmpgt_ps(upper, zero), upper);
        return _mm_mul_ps(_mm_sub_ps(_mm_mul_ps(two, u), one), c);
    };
    const __m128 b4 = _mm_set1_ps(bc);
    const __m128 t4 = _mm_set1_ps(tc);
    const __m128 l4 = _mm_set1_ps(lc);
    for (; k + 4 <= count; k += 4) {
        const __m128 off = _mm_cmplt_ps(_mm_load_ps(&values[0][k]), half);
        _mm_store_ps(bypass + k, _mm_mul_ps(_mm_andnot_ps(off, one), b4));
        _mm_store_ps(pan + k, panOf(_mm_load_ps(&values[1][k]), t4));
        _mm_store_ps(level + k, panOf(_mm_load_ps(&values[2][k]), l4));
    }
#endif
    for (; k < count; ++k) {
        bypass[k] = (values[0][k] < 0.5f ? 0.0f : 1.0f) * bc;
        pan[k] = (2.0f * clamp01Plain(values[1][k]) - 1.0f) * tc;
        level[k] = (2.0f * clamp01Plain(values[2][k]) - 1.0f) * lc;
    }
}

// out[m] = bypass x dry[m] + gain x line[-m] for m < count, the steady mix straight into a
// 32-bit output, four samples at a time; each lane rounds as the scalar expression does. out
// may be dry itself: each group is read before it is written.
void mixFromLine(float* out, const float* dry, const float* line, float bypass, float gain,
                 int32 count) noexcept {
    int32 m = 0;
#if defined(__SSE2__)
    const __m128 b = _mm_set1_ps(bypass);
    const __m128 g = _mm_set1_ps(gain);
    for (; m + 4 <= count; m += 4) {
        const __m128 back = _mm_loadu_ps(line - m - 3);
        const __m128 w = _mm_shuffle_ps(back, back, _MM_SHUFFLE(0, 1, 2, 3));
        _mm_storeu_ps(out + m, _mm_add_ps(_mm_mul_ps(b, _mm_loadu_ps(dry + m)), _mm_mul_ps(g, w)));
    }
#endif
    for (; m < count; ++m) {
        out[m] = bypass * dry[m] + gain * line[-m];
    }
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

} // namespace

struct RealtimeProcessor::Mix {
    float bypass;
    float gain0;
    float gain1;
    bool swap;
};

RealtimeProcessor::RealtimeProcessor(const RealtimeProcessorConfig& configuration)
    : config(configuration), bypassMix(bypassTarget(configuration.state.values[0]),
                                       OnePoleSmoother::coefficientFor(configuration.sampleRate)),
      timePan(panTarget(configuration.state.values[1]),
              OnePoleSmoother::coefficientFor(configuration.sampleRate)),
      levelPan(panTarget(configuration.state.values[2]),
               OnePoleSmoother::coefficientFor(configuration.sampleRate)) {
    for (int32 k = 0; k < Parameters::count; ++k) {
        ramps[k].resetTo(static_cast<double>(config.state.values[k]), nullptr);
    }
    const std::size_t channels =
        config.numChannels > 0 ? static_cast<std::size_t>(config.numChannels) : 0;
    frame.assign(channels, 0.0f);
    lines.reserve(channels);
    const int32 capacity = capacityFor(config.sampleRate);
    for (std::size_t j = 0; j < channels; ++j) {
        lines.emplace_back(capacity);
    }
}

void RealtimeProcessor::receiveParameterChanges(Steinberg::Vst::ProcessData& data) noexcept {
    Steinberg::Vst::IParamValueQueue* queues[Parameters::count] = {};
    if (Steinberg::Vst::IParameterChanges* changes = data.inputParameterChanges) {
        const int32 count = changes->getParameterCount();
        for (int32 index = 0; index < count; ++index) {
            Steinberg::Vst::IParamValueQueue* queue = changes->getParameterData(index);
            if (queue == nullptr) {
                continue;
            }
            const Steinberg::Vst::ParamID id = queue->getParameterId();
            const int32 points = queue->getPointCount();
            if (id >= static_cast<Steinberg::Vst::ParamID>(Parameters::count) || points <= 0) {
                continue;
            }
            queues[id] = queue;
            int32 offset = 0;
            Steinberg::Vst::ParamValue value = 0.0;
            if (queue->getPoint(points - 1, offset, value) == Steinberg::kResultOk) {
                mailboxes[id].store(static_cast<float>(value));
            }
        }
    }
    ProcessorState posted;
    if (exchange.take(posted)) {
        for (int32 k = 0; k < Parameters::count; ++k) {
            ramps[k].resetTo(static_cast<double>(posted.values[k]), queues[k]);
        }
    } else {
        for (int32 k = 0; k < Parameters::count; ++k) {
            ramps[k].beginBlock(queues[k]);
        }
    }
}

bool RealtimeProcessor::takeLatestValue(int32 id, float& value) noexcept {
    if (id < 0 || id >= Parameters::count) {
        return false;
    }
    return mailboxes[id].take(value);
}

void RealtimeProcessor::postState(const ProcessorState& state) noexcept {
    exchange.post(state);
}

std::size_t RealtimeProcessor::memoryBytes() const noexcept {
    std::size_t bytes =
        sizeof(*this) + lines.capacity() * sizeof(DelayLine) + frame.capacity() * sizeof(float);
    for (const DelayLine& line : lines) {
        bytes += line.bytes();
    }
    return bytes;
}

void RealtimeProcessor::advanceControls() noexcept {
    for (ParameterRamp& ramp : ramps) {
        ramp.advance();
    }
    bypassMix.step(bypassTarget(ramps[Parameters::Bypass].value()));
    timePan.step(panTarget(ramps[Parameters::TimePan].value()));
    levelPan.step(panTarget(ramps[Parameters::LevelPan].value()));
}

// The ramps' values for the next count samples, narrowed to float (every use narrows them
// first). Between points the additions run on local copies; a sample on which a ramp reaches
// its point takes the full advance.
void RealtimeProcessor::rampValues(int32 count,
                                   float (&values)[Parameters::count][chunkSize]) noexcept {
    int32 k = 0;
    while (k < count) {
        int32 span = count - k;
        for (const ParameterRamp& ramp : ramps) {
            span = std::min(span, ramp.advancesBeforeTarget());
        }
        double v0 = ramps[0].value();
        double v1 = ramps[1].value();
        double v2 = ramps[2].value();
        double v3 = ramps[3].value();
        const double i0 = ramps[0].increment();
        const double i1 = ramps[1].increment();
        const double i2 = ramps[2].increment();
        const double i3 = ramps[3].increment();
        int32 m = 0;
#if defined(__SSE2__)
        // Four samples at a time, two ramps per register; addpd and cvtpd2ps round each lane
        // as addsd and cvtsd2ss do. The 4 x 4 transpose turns samples into rows.
        __m128d v01 = _mm_set_pd(v1, v0);
        __m128d v23 = _mm_set_pd(v3, v2);
        const __m128d i01 = _mm_set_pd(i1, i0);
        const __m128d i23 = _mm_set_pd(i3, i2);
        const auto next = [&]() {
            v01 = _mm_add_pd(v01, i01);
            v23 = _mm_add_pd(v23, i23);
            return _mm_movelh_ps(_mm_cvtpd_ps(v01), _mm_cvtpd_ps(v23));
        };
        for (; m + 4 <= span; m += 4, k += 4) {
            __m128 r0 = next();
            __m128 r1 = next();
            __m128 r2 = next();
            __m128 r3 = next();
            _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
            _mm_storeu_ps(&values[0][k], r0);
            _mm_storeu_ps(&values[1][k], r1);
            _mm_storeu_ps(&values[2][k], r2);
            _mm_storeu_ps(&values[3][k], r3);
        }
        v0 = _mm_cvtsd_f64(v01);
        v1 = _mm_cvtsd_f64(_mm_unpackhi_pd(v01, v01));
        v2 = _mm_cvtsd_f64(v23);
        v3 = _mm_cvtsd_f64(_mm_unpackhi_pd(v23, v23));
#endif
        for (; m < span; ++m, ++k) {
            v0 += i0;
            v1 += i1;
            v2 += i2;
            v3 += i3;
            values[0][k] = static_cast<float>(v0);
            values[1][k] = static_cast<float>(v1);
            values[2][k] = static_cast<float>(v2);
            values[3][k] = static_cast<float>(v3);
        }
        ramps[0].commitAdvances(v0, span);
        ramps[1].commitAdvances(v1, span);
        ramps[2].commitAdvances(v2, span);
        ramps[3].commitAdvances(v3, span);
        if (k < count) {
            for (int32 j = 0; j < Parameters::count; ++j) {
                ramps[j].advance();
                values[j][k] = static_cast<float>(ramps[j].value());
            }
            ++k;
        }
    }
}

template <typename Sample>
void RealtimeProcessor::stereo(Sample** inputs, Sample** outputs, int32 begin, int32 end) noexcept {
    if (lines[0].capacity() == 0) {
        stereoRuns<Sample, true>(inputs, outputs, begin, end);
    } else {
        stereoRuns<Sample, false>(inputs, outputs, begin, end);
    }
}

// The stereo path in chunks: the ramps first, then the smoothers' inputs (target x coefficient,
// four samples at a time), then one loop that runs the smoothers' recurrences together with the
// delays, gains and audio, so their latency overlaps. (Splitting that loop into vectorized
// passes costs more than it saves: the recurrences then run alone, bound by their latency.)
template <typename Sample, bool wire>
void RealtimeProcessor::stereoRuns(Sample** inputs, Sample** outputs, int32 begin,
                                   int32 end) noexcept {
    DelayLine& line0 = lines[0];
    DelayLine& line1 = lines[1];
    const float rate = static_cast<float>(config.sampleRate);
    const float capacity = static_cast<float>(line0.capacity());
    const float bc = bypassMix.coefficient();
    const float tc = timePan.coefficient();
    const float lc = levelPan.coefficient();
    const float bk = 1.0f - bc;
    const float tk = 1.0f - tc;
    const float lk = 1.0f - lc;
    float b = bypassMix.value();
    float t = timePan.value();
    float l = levelPan.value();
    const Sample* in0 = inputs[0];
    const Sample* in1 = inputs[1];
    Sample* out0 = outputs[0];
    Sample* out1 = outputs[1];
    int32 delay0 = line0.delay();
    int32 delay1 = line1.delay();
    float y0 = frame[0];
    float y1 = frame[1];
    alignas(16) float values[Parameters::count][chunkSize];
    alignas(16) float bypassIn[chunkSize];
    alignas(16) float timePanIn[chunkSize];
    alignas(16) float levelPanIn[chunkSize];
    int32 i = begin;
    while (i < end) {
        const int32 count = std::min(chunkSize, end - i);
        rampValues(count, values);
        smootherInputs(values, count, bc, tc, lc, bypassIn, timePanIn, levelPanIn);
        int32 k = 0;
        while (k < count) {
            int32 run = count - k;
            if constexpr (!wire) {
                run = std::min({run, line0.prepareRun(), line1.prepareRun()});
            }
            // A wire has no array to point into.
            float* const top0 = wire ? nullptr : line0.top() - 1;
            float* const top1 = wire ? nullptr : line1.top() - 1;
            const Sample* a0s = in0 + i + k;
            const Sample* a1s = in1 + i + k;
            Sample* o0s = out0 + i + k;
            Sample* o1s = out1 + i + k;
            for (int32 m = 0; m < run; ++m) {
                b = bypassIn[k + m] + bk * b;
                t = timePanIn[k + m] + tk * t;
                l = levelPanIn[k + m] + lk * l;
                // Positive pan delays the left channel: the source moves right.
                const int32 delay = delayFor(t, rate, capacity);
                delay0 = t < 0.0f ? 0 : delay;
                delay1 = t < 0.0f ? delay : 0;
                float gain0;
                float gain1;
                gainsFor(l, 1.0f - b, gain0, gain1);
                // NaN counts as on, like clamp01(NaN) = 1.
                const bool swap = !(values[3][k + m] < 0.5f);
                // Both inputs are read before either output is written: in-place safe.
                const Sample a0 = a0s[m];
                const Sample a1 = a1s[m];
                const float x0 = toFloat(swap ? a1 : a0);
                const float x1 = toFloat(swap ? a0 : a1);
                float w0 = x0;
                float w1 = x1;
                if constexpr (!wire) {
                    top0[-m] = x0;
                    top1[-m] = x1;
                    w0 = top0[delay0 - m];
                    w1 = top1[delay1 - m];
                }
                // The dry term always takes the unswapped channel.
                y0 = mixSample(b, a0, gain0, w0);
                y1 = mixSample(b, a1, gain1, w1);
                o0s[m] = static_cast<Sample>(y0);
                o1s[m] = static_cast<Sample>(y1);
            }
            if constexpr (!wire) {
                line0.finishRun(run);
                line1.finishRun(run);
            }
            k += run;
        }
        i += count;
    }
    bypassMix.setValue(b);
    timePan.setValue(t);
    levelPan.setValue(l);
    line0.setDelay(delay0);
    line1.setDelay(delay1);
    frame[0] = y0;
    frame[1] = y1;
}

template <typename Sample>
void RealtimeProcessor::passThrough(Sample** inputs, Sample** outputs, int32 channels, int32 begin,
                                    int32 end, bool advance) noexcept {
    // Sample-major through the frame, so that any pairing of in and out buffers is safe.
    for (int32 i = begin; i < end; ++i) {
        if (advance) {
            advanceControls();
        }
        for (int32 j = 0; j < channels; ++j) {
            frame[j] = toFloat(inputs[j][i]);
        }
        for (int32 j = 0; j < channels; ++j) {
            outputs[j][i] = static_cast<Sample>(frame[j]);
        }
    }
}

bool RealtimeProcessor::enterSteadyState(int32 count) noexcept {
    for (const ParameterRamp& ramp : ramps) {
        if (!ramp.flatFor(count)) {
            return false;
        }
    }
    // The values the ramps hold from the next advance on.
    const auto after = [this](int id) { return ramps[id].value() + ramps[id].increment(); };
    if (!bypassMix.settledAt(bypassTarget(after(Parameters::Bypass))) ||
        !timePan.settledAt(panTarget(after(Parameters::TimePan))) ||
        !levelPan.settledAt(panTarget(after(Parameters::LevelPan)))) {
        return false;
    }
    for (ParameterRamp& ramp : ramps) {
        ramp.skipFlat(count);
    }
    return true;
}

// Sets the two delays and forms the constant gains of a steady run.
RealtimeProcessor::Mix RealtimeProcessor::steadyMix() noexcept {
    const float pan = timePan.value();
    const int32 delay = delayFor(pan, static_cast<float>(config.sampleRate),
                                 static_cast<float>(lines[0].capacity()));
    lines[0].setDelay(pan < 0.0f ? 0 : delay);
    lines[1].setDelay(pan < 0.0f ? delay : 0);
    const float wet = 1.0f - bypassMix.value();
    Mix mix;
    mix.bypass = bypassMix.value();
    mix.gain0 = gainFor(1.0f - levelPan.value(), wet);
    mix.gain1 = gainFor(1.0f + levelPan.value(), wet);
    mix.swap = switchOn(ramps[Parameters::SwapChannels].value());
    return mix;
}

// A run with constant delays, gains and swap, in tiles: every input sample of a tile is read
// before any output sample of it is written, and the delay lines take each tile in bulk.
template <typename Sample>
void RealtimeProcessor::steadyStereo(Sample** inputs, Sample** outputs, int32 begin,
                                     int32 end) noexcept {
    constexpr int32 tile = 64;
    const Mix mix = steadyMix();
    DelayLine& line0 = lines[0];
    DelayLine& line1 = lines[1];
    const int32 delay0 = line0.delay();
    const int32 delay1 = line1.delay();
    const bool wire = line0.capacity() == 0;
    float y0[tile];
    float y1[tile];
    int32 i = begin;
    while (i < end) {
        int32 count = std::min(tile, end - i);
        if (!wire) {
            count = std::min({count, line0.prepareRun(), line1.prepareRun()});
        }
        const Sample* dry0 = inputs[0] + i;
        const Sample* dry1 = inputs[1] + i;
        const Sample* source0 = mix.swap ? dry1 : dry0;
        const Sample* source1 = mix.swap ? dry0 : dry1;
        // One channel at a time into the tile; the outputs are written only after every input
        // sample of the tile has been read.
        if (wire) {
            for (int32 m = 0; m < count; ++m) {
                y0[m] = mixSample(mix.bypass, dry0[m], mix.gain0, toFloat(source0[m]));
            }
            for (int32 m = 0; m < count; ++m) {
                y1[m] = mixSample(mix.bypass, dry1[m], mix.gain1, toFloat(source1[m]));
            }
        } else {
            // Write the tile into the lines first, then read: a read within delay samples of
            // the write finds the sample written in this tile, any other one an older sample,
            // just as one push at a time would.
            float* top0 = line0.top() - 1;
            float* top1 = line1.top() - 1;
            for (int32 m = 0; m < count; ++m) {
                top0[-m] = toFloat(source0[m]);
            }
            for (int32 m = 0; m < count; ++m) {
                top1[-m] = toFloat(source1[m]);
            }
            if constexpr (std::is_same_v<Sample, float>) {
                // Unless the left output is the right input, the mix can go straight out.
                if (outputs[0] != inputs[1]) {
                    mixFromLine(outputs[0] + i, dry0, top0 + delay0, mix.bypass, mix.gain0,
                                count);
                    mixFromLine(outputs[1] + i, dry1, top1 + delay1, mix.bypass, mix.gain1,
                                count);
                    line0.finishRun(count);
                    line1.finishRun(count);
                    frame[0] = outputs[0][i + count - 1];
                    frame[1] = outputs[1][i + count - 1];
                    i += count;
                    continue;
                }
            }
            for (int32 m = 0; m < count; ++m) {
                y0[m] = mixSample(mix.bypass, dry0[m], mix.gain0, top0[delay0 - m]);
            }
            for (int32 m = 0; m < count; ++m) {
                y1[m] = mixSample(mix.bypass, dry1[m], mix.gain1, top1[delay1 - m]);
            }
            line0.finishRun(count);
            line1.finishRun(count);
        }
        for (int32 m = 0; m < count; ++m) {
            outputs[0][i + m] = static_cast<Sample>(y0[m]);
        }
        for (int32 m = 0; m < count; ++m) {
            outputs[1][i + m] = static_cast<Sample>(y1[m]);
        }
        frame[0] = y0[count - 1];
        frame[1] = y1[count - 1];
        i += count;
    }
}

template <typename Sample>
void RealtimeProcessor::run(Sample** inputs, Sample** outputs, int32 channels,
                            int32 numSamples) noexcept {
    if (channels < 0 || channels > config.numChannels) {
        return; // the caller refuses such blocks; never index past the lines and the frame
    }
    int32 i = 0;
    while (i < numSamples) {
        // Looked for once a chunk: the check costs about as much as a sample.
        if (steadyStateEnabled && enterSteadyState(numSamples - i)) {
            if (channels == 2) {
                steadyStereo(inputs, outputs, i, numSamples);
            } else {
                passThrough(inputs, outputs, channels, i, numSamples, false);
            }
            steadySamples += static_cast<std::uint64_t>(numSamples - i);
            return;
        }
        const int32 count = std::min(chunkSize, numSamples - i);
        if (channels == 2) {
            stereo(inputs, outputs, i, i + count);
        } else {
            passThrough(inputs, outputs, channels, i, i + count, true);
        }
        i += count;
    }
}

void RealtimeProcessor::process(float** inputs, float** outputs, int32 channels,
                                int32 numSamples) noexcept {
    run(inputs, outputs, channels, numSamples);
}

void RealtimeProcessor::process(double** inputs, double** outputs, int32 channels,
                                int32 numSamples) noexcept {
    run(inputs, outputs, channels, numSamples);
}

} // namespace tivrandel
