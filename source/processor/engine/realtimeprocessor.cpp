#include "processor/engine/realtimeprocessor.h"

#include "processor/engine/enginemath.h"
#include "processor/engine/kernels.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace tivrandel {

using Steinberg::int32;

namespace {

// The lines hold one tenth more than the full-scale delay of 0.8 ms.
constexpr float capacitySeconds = 0.00088f;

// The cross-fade between the whole-sample and the fine path, as long as the bypass's glide.
constexpr double fadeSeconds = 0.01;
// Samples the fine lines take between their copies to the start.
constexpr int32 fineSpan = 512;

// The queues of a block's parameter changes that are looked at: one per parameter and a few for
// repeated or unknown ids.
constexpr int32 maxQueuesRead = Parameters::count + 12;

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

} // namespace

RealtimeProcessor::RealtimeProcessor(const RealtimeProcessorConfig& configuration)
    : config(configuration), bypassMix(bypassTarget(configuration.state.values[0]),
                                       OnePoleSmoother::coefficientFor(configuration.sampleRate)),
      timePan(panTarget(configuration.state.values[1]),
              OnePoleSmoother::coefficientFor(configuration.sampleRate)),
      levelPan(panTarget(configuration.state.values[2]),
               OnePoleSmoother::coefficientFor(configuration.sampleRate)) {
    for (int32 k = 0; k < rampedCount; ++k) {
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

    // The fine path reads up to 0.8 ms behind its look-ahead, and its kernel 8 samples beyond.
    // Where the time pan delays nothing (rates without delay lines), it is not there either.
    if (capacity > 0) {
        table = &SincTable::shared();
        fineMaxDelay = fullScaleSeconds * static_cast<float>(config.sampleRate);
        fineReach = SincTable::lookAhead + static_cast<int32>(fineMaxDelay) + SincTable::taps / 2;
        fineLines.reserve(channels);
        for (std::size_t j = 0; j < channels; ++j) {
            fineLines.emplace_back(fineReach, fineSpan);
        }
    }
    wholeReach = capacity;
    fadeLength = std::max(1, static_cast<int32>(std::lround(fadeSeconds * config.sampleRate)));
    // An engine built with the fine delay on starts on the fine path; the other path's lines
    // are stale once it runs again.
    fineOn = fineSwitch(config.state.values[Parameters::FineDelay]);
    path = fineOn ? Path::fine : Path::whole;
    fadePosition = fineOn ? fadeLength : 0;
    wholeWarmup = fineOn ? wholeReach : 0;
    fineWarmup = fineOn ? 0 : fineReach;
}

Steinberg::uint32 RealtimeProcessor::latencyFor(const ProcessorState& values,
                                                double sampleRate) noexcept {
    // The rate as the engine built for it takes it: truncated, in int32.
    if (!switchOn(static_cast<double>(values.values[Parameters::FineDelay])) ||
        !(sampleRate >= 1.0 && sampleRate < 2147483648.0)) {
        return 0;
    }
    return static_cast<Steinberg::uint32>(fineLatency(static_cast<int32>(sampleRate)));
}

Steinberg::int32 RealtimeProcessor::fineLatency(int32 sampleRate) noexcept {
    return capacityFor(sampleRate) > 0 ? SincTable::lookAhead : 0;
}

bool RealtimeProcessor::fineSwitch(double value) const noexcept {
    return table != nullptr && switchOn(value);
}

void RealtimeProcessor::receiveParameterChanges(Steinberg::Vst::ProcessData& data) noexcept {
    // The usual block: no automation and no state waiting (one that is being posted right now
    // is taken by the next block, as take would leave it).
    if (data.inputParameterChanges == nullptr && exchange.state() == StateExchange::Idle) {
        for (ParameterRamp& ramp : ramps) {
            ramp.beginBlock(nullptr);
        }
        return;
    }
    Steinberg::Vst::IParamValueQueue* queues[Parameters::count] = {};
    // The fine delay switch has no ramp: the last value a block brings takes effect from the
    // block's start. Its cross-fade lasts 10 ms, and the latency it changes can only be
    // compensated by the host from block to block, so nothing is gained by splitting a block.
    bool fineFromHost = false;
    bool fineReceived = false;
    if (Steinberg::Vst::IParameterChanges* changes = data.inputParameterChanges) {
        // An honest host sends one queue per parameter; a few more (repeated or foreign ids)
        // are still read, but a list that claims any number of queues costs a bounded time.
        const int32 count = std::min(changes->getParameterCount(), maxQueuesRead);
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
                if (id == Parameters::FineDelay) {
                    fineFromHost = fineSwitch(value);
                    fineReceived = true;
                }
            }
        }
    }
    // Automation or a new state may move the smoothers: the next steady run checks afresh.
    for (const Steinberg::Vst::IParamValueQueue* queue : queues) {
        if (queue != nullptr) {
            settled = false;
        }
    }
    ProcessorState posted;
    if (exchange.take(posted)) {
        settled = false;
        fineOn = fineSwitch(static_cast<double>(posted.values[Parameters::FineDelay]));
        for (int32 k = 0; k < rampedCount; ++k) {
            ramps[k].resetTo(static_cast<double>(posted.values[k]), queues[k]);
        }
    } else {
        for (int32 k = 0; k < rampedCount; ++k) {
            ramps[k].beginBlock(queues[k]);
        }
    }
    // As with the ramps, the block's own automation comes after a posted state.
    if (fineReceived) {
        fineOn = fineFromHost;
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
    bytes += fineLines.capacity() * sizeof(FineLine) + (table != nullptr ? SincTable::bytes() : 0);
    for (const FineLine& line : fineLines) {
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

// The smoothers' inputs for the next count samples, from the ramps' values narrowed to float
// (every use narrows them first). Between points the additions run on local copies; a sample
// on which a ramp reaches its point takes the full advance.
void RealtimeProcessor::rampInputs(int32 count, const kernels::Lanes& coefficient,
                                   kernels::Lanes* inputs) noexcept {
    int32 k = 0;
    while (k < count) {
        int32 span = count - k;
        for (const ParameterRamp& ramp : ramps) {
            span = std::min(span, ramp.advancesBeforeTarget());
        }
        double value[rampedCount];
        double increment[rampedCount];
        for (int32 j = 0; j < rampedCount; ++j) {
            value[j] = ramps[j].value();
            increment[j] = ramps[j].increment();
        }
        kernels::rampInputs(value, increment, span, coefficient, inputs + k);
        for (int32 j = 0; j < rampedCount; ++j) {
            ramps[j].commitAdvances(value[j], span);
        }
        k += span;
        if (k < count) {
            kernels::Lanes reached;
            for (int32 j = 0; j < rampedCount; ++j) {
                ramps[j].advance();
                reached[j] = static_cast<float>(ramps[j].value());
            }
            // One sample: the plain form, which also reads the four values as they were stored.
            kernels::scalar::smootherInputs(&reached, 1, coefficient, inputs + k);
            ++k;
        }
    }
}

// The stereo path in chunks: the ramps and from them the smoothers' inputs (target x
// coefficient), then smoothing, delays, gains, swap and mix sample by sample, in runs that the
// delay lines' copies to their top ends bound.
template <typename Sample>
void RealtimeProcessor::stereo(Sample** inputs, Sample** outputs, int32 begin, int32 end) noexcept {
    DelayLine& line0 = lines[0];
    DelayLine& line1 = lines[1];
    const bool wire = line0.capacity() == 0;
    const kernels::Lanes coefficient = {bypassMix.coefficient(), timePan.coefficient(),
                                        levelPan.coefficient(), 1.0f};
    const kernels::StereoConstants constants = {
        {1.0f - coefficient[0], 1.0f - coefficient[1], 1.0f - coefficient[2], 0.0f},
        static_cast<float>(config.sampleRate),
        static_cast<float>(line0.capacity())};
    kernels::StereoState state = {{bypassMix.value(), timePan.value(), levelPan.value(), 0.0f},
                                  line0.delay(),
                                  line1.delay(),
                                  frame[0],
                                  frame[1]};
    alignas(16) kernels::Lanes smootherIn[chunkSize];
    int32 i = begin;
    while (i < end) {
        const int32 count = std::min(chunkSize, end - i);
        rampInputs(count, coefficient, smootherIn);
        int32 k = 0;
        while (k < count) {
            int32 run = count - k;
            if (!wire) {
                run = std::min({run, line0.prepareRun(), line1.prepareRun()});
            }
            // A wire has no array to point into.
            kernels::stereoRun(isa, state, constants, smootherIn + k, inputs[0] + i + k,
                               inputs[1] + i + k, outputs[0] + i + k, outputs[1] + i + k,
                               wire ? nullptr : line0.top() - 1, wire ? nullptr : line1.top() - 1,
                               run);
            if (!wire) {
                line0.finishRun(run);
                line1.finishRun(run);
            }
            k += run;
        }
        i += count;
    }
    bypassMix.setValue(state.smoothed[0]);
    timePan.setValue(state.smoothed[1]);
    levelPan.setValue(state.smoothed[2]);
    line0.setDelay(state.delay0);
    line1.setDelay(state.delay1);
    frame[0] = state.y0;
    frame[1] = state.y1;
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
    // Settled smoothers stay settled while the ramps stay flat, so the check of an earlier
    // steady run holds until automation or a state arrives.
    if (!settled) {
        // The values the ramps hold from the next advance on.
        const auto after = [this](int id) { return ramps[id].value() + ramps[id].increment(); };
        if (!bypassMix.settledAt(bypassTarget(after(Parameters::Bypass))) ||
            !timePan.settledAt(panTarget(after(Parameters::TimePan))) ||
            !levelPan.settledAt(panTarget(after(Parameters::LevelPan)))) {
            return false;
        }
        settled = true;
        mixKnown = false;
    }
    for (ParameterRamp& ramp : ramps) {
        ramp.skipFlat(count);
    }
    return true;
}

// Sets the two delays and forms the constant gains of steady runs.
RealtimeProcessor::Mix RealtimeProcessor::settledMix() noexcept {
    const float pan = timePan.value();
    const int32 delay = delayFor(pan, static_cast<float>(config.sampleRate),
                                 static_cast<float>(lines[0].capacity()));
    lines[0].setDelay(pan < 0.0f ? 0 : delay);
    lines[1].setDelay(pan < 0.0f ? delay : 0);
    const float wet = 1.0f - bypassMix.value();
    Mix mix;
    mix.bypass = bypassMix.value();
    kernels::gains(levelPan.value(), wet, mix.gain0, mix.gain1);
    mix.swap = switchOn(ramps[Parameters::SwapChannels].value());
    return mix;
}

// A run with constant delays, gains and swap. 64-bit buffers, engines without lines and short
// runs over their own inputs go in tiles through the lines: every input sample of a tile is
// read before any output sample of it is written. (For a run of one tile the lines' fresh stores
// cost less than mixing it aside as steadyStereoOver does.)
template <typename Sample>
void RealtimeProcessor::steadyStereo(Sample** inputs, Sample** outputs, int32 begin,
                                     int32 end) noexcept {
    if (!mixKnown) {
        steadyMix = settledMix();
        mixKnown = true;
    }
    const Mix& mix = steadyMix;
    if constexpr (std::is_same_v<Sample, float>) {
        if (lines[0].capacity() != 0) {
            if (outputs[0] != inputs[0] && outputs[0] != inputs[1] && outputs[1] != inputs[0] &&
                outputs[1] != inputs[1]) {
                steadyStereoApart(inputs, outputs, begin, end, mix);
                return;
            }
            if (end - begin > steadyTile) {
                steadyStereoOver(inputs, outputs, begin, end, mix);
                return;
            }
        }
    }
    DelayLine& line0 = lines[0];
    DelayLine& line1 = lines[1];
    const int32 delay0 = line0.delay();
    const int32 delay1 = line1.delay();
    const bool wire = line0.capacity() == 0;
    float y0[steadyTile];
    float y1[steadyTile];
    int32 i = begin;
    while (i < end) {
        int32 count = std::min(steadyTile, end - i);
        if (!wire) {
            count = std::min({count, line0.prepareRun(), line1.prepareRun()});
        }
        const Sample* dry0 = inputs[0] + i;
        const Sample* dry1 = inputs[1] + i;
        const Sample* source0 = mix.swap ? dry1 : dry0;
        const Sample* source1 = mix.swap ? dry0 : dry1;
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

// The mix of one channel of a steady tile or run into y: the samples delayed from before it
// come out of the line, all others straight from the source buffer.
void RealtimeProcessor::steadyChannel(float* y, const float* dry, const float* source,
                                      const DelayLine& line, float bypass, float gain,
                                      int32 count) noexcept {
    const int32 delay = line.delay();
    const int32 fromLine = std::min(delay, count);
    kernels::mixFromLine(y, dry, line.top() + delay - 1, bypass, gain, fromLine);
    kernels::mixForward(y + fromLine, dry + fromLine, source + fromLine - delay, bypass, gain,
                        count - fromLine);
}

// A steady run whose outputs are not its inputs, one channel at a time; the lines then take the
// run's newest samples.
void RealtimeProcessor::steadyStereoApart(float** inputs, float** outputs, int32 begin, int32 end,
                                          const Mix& mix) noexcept {
    const int32 count = end - begin;
    for (int32 j = 0; j < 2; ++j) {
        DelayLine& line = lines[static_cast<std::size_t>(j)];
        const float* source = inputs[mix.swap ? 1 - j : j] + begin;
        float* out = outputs[j] + begin;
        steadyChannel(out, inputs[j] + begin, source, line, mix.bypass, mix.gain(j), count);
        line.append(source, count);
        frame[static_cast<std::size_t>(j)] = out[count - 1];
    }
}

// A steady run whose outputs overwrite its inputs (either way round), in tiles: both channels of
// a tile are mixed aside, and the lines take the tile's sources, before the outputs are written.
void RealtimeProcessor::steadyStereoOver(float** inputs, float** outputs, int32 begin, int32 end,
                                         const Mix& mix) noexcept {
    if (!mix.swap && outputs[0] == inputs[0] && outputs[1] == inputs[1]) {
        // In place without swap, each channel reads only its own buffer.
        steadyChannelOver(0, inputs[0], begin, end, mix);
        steadyChannelOver(1, inputs[1], begin, end, mix);
        return;
    }
    alignas(16) float y[2][overTile];
    int32 i = begin;
    while (i < end) {
        const int32 count = std::min(overTile, end - i);
        for (int32 j = 0; j < 2; ++j) {
            steadyChannel(y[j], inputs[j] + i, inputs[mix.swap ? 1 - j : j] + i,
                          lines[static_cast<std::size_t>(j)], mix.bypass, mix.gain(j), count);
        }
        for (int32 j = 0; j < 2; ++j) {
            lines[static_cast<std::size_t>(j)].append(inputs[mix.swap ? 1 - j : j] + i, count);
        }
        for (int32 j = 0; j < 2; ++j) {
            std::copy(y[j], y[j] + count, outputs[j] + i);
            frame[static_cast<std::size_t>(j)] = y[j][count - 1];
        }
        i += count;
    }
}

// One channel of a steady run in place, without swap. An undelayed one is mixed where it stands
// once its line has its samples; a delayed one is steadyStereoOver for that channel alone.
void RealtimeProcessor::steadyChannelOver(int32 j, float* x, int32 begin, int32 end,
                                          const Mix& mix) noexcept {
    DelayLine& line = lines[static_cast<std::size_t>(j)];
    if (line.delay() == 0) {
        line.append(x + begin, end - begin);
        kernels::mixForward(x + begin, x + begin, x + begin, mix.bypass, mix.gain(j), end - begin);
    } else {
        alignas(16) float y[overTile];
        int32 i = begin;
        while (i < end) {
            const int32 count = std::min(overTile, end - i);
            steadyChannel(y, x + i, x + i, line, mix.bypass, mix.gain(j), count);
            line.append(x + i, count);
            std::copy(y, y + count, x + i);
            i += count;
        }
    }
    frame[static_cast<std::size_t>(j)] = x[end - 1];
}

template <typename Sample>
void RealtimeProcessor::run(Sample** inputs, Sample** outputs, int32 channels,
                            int32 numSamples) noexcept {
    if (channels < 0 || channels > config.numChannels) {
        return; // the caller refuses such blocks; never index past the lines and the frame
    }
    int32 i = 0;
    if (path != Path::whole || fineOn) {
        i = runFine(inputs, outputs, channels, numSamples);
    }
    runWhole(inputs, outputs, channels, i, numSamples);
}

template <typename Sample>
void RealtimeProcessor::runWhole(Sample** inputs, Sample** outputs, int32 channels, int32 begin,
                                 int32 numSamples) noexcept {
    runChunks(
        begin, numSamples,
        [&](int32 from, int32 to) {
            if (channels == 2) {
                steadyStereo(inputs, outputs, from, to);
            } else {
                passThrough(inputs, outputs, channels, from, to, false);
            }
        },
        [&](int32 from, int32 to) {
            if (channels == 2) {
                stereo(inputs, outputs, from, to);
            } else {
                passThrough(inputs, outputs, channels, from, to, true);
            }
        });
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
