#include "processor/engine/realtimeprocessor.h"

#include "processor/engine/enginemath.h"

#include <algorithm>
#include <cmath>

namespace tivrandel {

using Steinberg::int32;

namespace {

// Full-scale delay 0.8 ms; the lines hold one tenth more.
constexpr float fullScaleSeconds = 0.0008f;
constexpr float capacitySeconds = 0.00088f;

// A switch is on from 0.5 upward: floor(v + 0.5) in double, as int, as float.
float bypassTarget(double value) noexcept {
    return static_cast<float>(static_cast<int>(
        std::floor(static_cast<double>(clamp01(static_cast<float>(value))) + 0.5)));
}

float panTarget(double value) noexcept {
    return 2.0f * clamp01(static_cast<float>(value)) - 1.0f;
}

int32 capacityFor(int32 sampleRate) noexcept {
    const float samples = std::trunc(static_cast<float>(sampleRate) * capacitySeconds);
    // Rates of 0 and below, which no host sends, give plain wires instead of negative sizes.
    return samples > 0.0f ? static_cast<int32>(samples) : 0;
}

// Widening and narrowing between the buffers and the single-precision arithmetic.
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

// Sets the two delays from the smoothed time pan and forms the gains of the stereo path.
RealtimeProcessor::Mix RealtimeProcessor::currentMix() noexcept {
    const float pan = timePan.value();
    const int32 capacity = lines[0].capacity();
    // Clamped while still a float, so that the conversion is defined for any rate.
    float samples =
        std::trunc(std::fabs(pan) * fullScaleSeconds * static_cast<float>(config.sampleRate));
    samples = samples < static_cast<float>(capacity) ? samples : static_cast<float>(capacity);
    const int32 delay = samples > 0.0f ? static_cast<int32>(samples) : 0;
    // Positive pan delays the left channel: the source moves right.
    lines[0].setDelay(pan < 0.0f ? 0 : delay);
    lines[1].setDelay(pan < 0.0f ? delay : 0);

    const float level = levelPan.value();
    const float wet = 1.0f - bypassMix.value();
    Mix mix;
    mix.bypass = bypassMix.value();
    mix.gain0 = static_cast<float>(std::sqrt(std::max(static_cast<double>(1.0f - level), 0.0)) *
                                   static_cast<double>(wet));
    mix.gain1 = static_cast<float>(std::sqrt(std::max(static_cast<double>(1.0f + level), 0.0)) *
                                   static_cast<double>(wet));
    mix.swap = clamp01(static_cast<float>(ramps[Parameters::SwapChannels].value())) >= 0.5f;
    return mix;
}

template <typename Sample>
void RealtimeProcessor::processSample(Sample** inputs, Sample** outputs, int32 channels,
                                      int32 i) noexcept {
    advanceControls();
    if (channels == 2) {
        const Mix mix = currentMix();
        const int32 source0 = mix.swap ? 1 : 0;
        const float w0 = lines[0].push(toFloat(inputs[source0][i]));
        const float w1 = lines[1].push(toFloat(inputs[1 - source0][i]));
        // The dry term always takes the unswapped channel.
        frame[0] = mixSample(mix.bypass, inputs[0][i], mix.gain0, w0);
        frame[1] = mixSample(mix.bypass, inputs[1][i], mix.gain1, w1);
    } else {
        for (int32 j = 0; j < channels; ++j) {
            frame[j] = toFloat(inputs[j][i]);
        }
    }
    for (int32 j = 0; j < channels; ++j) {
        outputs[j][i] = static_cast<Sample>(frame[j]);
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

template <typename Sample>
void RealtimeProcessor::processSteady(Sample** inputs, Sample** outputs, int32 channels,
                                      int32 begin, int32 end) noexcept {
    if (channels != 2) {
        for (int32 i = begin; i < end; ++i) {
            for (int32 j = 0; j < channels; ++j) {
                frame[j] = toFloat(inputs[j][i]);
            }
            for (int32 j = 0; j < channels; ++j) {
                outputs[j][i] = static_cast<Sample>(frame[j]);
            }
        }
        return;
    }
    const Mix mix = currentMix();
    const Sample* dry0 = inputs[0];
    const Sample* dry1 = inputs[1];
    const Sample* source0 = mix.swap ? inputs[1] : inputs[0];
    const Sample* source1 = mix.swap ? inputs[0] : inputs[1];
    Sample* out0 = outputs[0];
    Sample* out1 = outputs[1];
    DelayLine& line0 = lines[0];
    DelayLine& line1 = lines[1];
    float last0 = 0.0f;
    float last1 = 0.0f;
    if (line0.capacity() == 0) {
        for (int32 i = begin; i < end; ++i) {
            const float x0 = toFloat(source0[i]);
            const float x1 = toFloat(source1[i]);
            const float y0 = mixSample(mix.bypass, dry0[i], mix.gain0, x0);
            const float y1 = mixSample(mix.bypass, dry1[i], mix.gain1, x1);
            out0[i] = static_cast<Sample>(y0);
            out1[i] = static_cast<Sample>(y1);
            last0 = y0;
            last1 = y1;
        }
    } else {
        const int32 delay0 = line0.delay();
        const int32 delay1 = line1.delay();
        int32 i = begin;
        while (i < end) {
            const int32 room = std::min(line0.prepareRun(), line1.prepareRun());
            const int32 count = std::min(room, end - i);
            float* top0 = line0.top() - 1;
            float* top1 = line1.top() - 1;
            for (int32 k = 0; k < count; ++k, ++i) {
                const float x0 = toFloat(source0[i]);
                const float x1 = toFloat(source1[i]);
                top0[-k] = x0;
                top1[-k] = x1;
                const float y0 = mixSample(mix.bypass, dry0[i], mix.gain0, top0[delay0 - k]);
                const float y1 = mixSample(mix.bypass, dry1[i], mix.gain1, top1[delay1 - k]);
                out0[i] = static_cast<Sample>(y0);
                out1[i] = static_cast<Sample>(y1);
                last0 = y0;
                last1 = y1;
            }
            line0.finishRun(count);
            line1.finishRun(count);
        }
    }
    if (end > begin) {
        frame[0] = last0;
        frame[1] = last1;
    }
}

template <typename Sample>
void RealtimeProcessor::run(Sample** inputs, Sample** outputs, int32 channels,
                            int32 numSamples) noexcept {
    if (channels < 0 || channels > config.numChannels) {
        return; // the caller refuses such blocks; never index past the lines and the frame
    }
    // Look for a steady state at most once in this many samples: the check costs about as much
    // as a sample, and a glide of the smoothers lasts thousands of samples.
    constexpr int32 checkInterval = 16;
    int32 nextCheck = 0;
    for (int32 i = 0; i < numSamples; ++i) {
        if (steadyStateEnabled && i == nextCheck) {
            if (enterSteadyState(numSamples - i)) {
                processSteady(inputs, outputs, channels, i, numSamples);
                steadySamples += static_cast<std::uint64_t>(numSamples - i);
                return;
            }
            nextCheck = i + checkInterval;
        }
        processSample(inputs, outputs, channels, i);
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
