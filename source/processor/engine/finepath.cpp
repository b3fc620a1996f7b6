// The fine delay: the ear away from the source follows the smoothed time pan in fractions of a
// sample, read through the sinc table (kernels::scalar::fineRun), and everything the engine
// outputs, the dry signal and other channel counts included, is SincTable::lookAhead samples late.
// Switching it on or off cross-fades over 10 ms between this path and the whole-sample one, once
// the lines of the path faded in hold all it reads.

#include "processor/engine/realtimeprocessor.h"

#include "processor/engine/enginemath.h"
#include "processor/engine/kernels.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace tivrandel {

using Steinberg::int32;

namespace {

constexpr int32 late = SincTable::lookAhead;
// Samples per tile of a steady run.
constexpr int32 fineTile = 256;

} // namespace

kernels::FineConstants RealtimeProcessor::fineConstants() const noexcept {
    return {{1.0f - bypassMix.coefficient(), 1.0f - timePan.coefficient(),
             1.0f - levelPan.coefficient(), 0.0f},
            static_cast<float>(config.sampleRate),
            fineMaxDelay,
            table->data()};
}

template <typename Sample>
int32 RealtimeProcessor::runFine(Sample** inputs, Sample** outputs, int32 channels,
                                 int32 numSamples) noexcept {
    // A switch away from the path that runs alone starts a fade; the lines of the path it left
    // have gone stale.
    if (path == Path::whole && fineOn) {
        path = Path::fading;
        fineWarmup = fineReach;
        settled = false;
    } else if (path == Path::fine && !fineOn) {
        path = Path::fading;
        wholeWarmup = wholeReach;
        settled = false;
    }
    int32 i = 0;
    while (i < numSamples) {
        if (path == Path::whole) {
            return i;
        }
        if (path == Path::fine) {
            fineOnly(inputs, outputs, channels, i, numSamples);
            return numSamples;
        }
        const int32 end = std::min(numSamples, i + chunkSize);
        if (channels == 2) {
            fadeStereo(inputs, outputs, i, end);
        } else {
            fadePassThrough(inputs, outputs, channels, i, end);
        }
        i = end;
    }
    return numSamples;
}

float RealtimeProcessor::stepFade() noexcept {
    // The path faded in moves only once its lines are full; both are being fed meanwhile.
    const bool ready = (fineOn ? fineWarmup : wholeWarmup) == 0;
    fineWarmup = std::max(fineWarmup - 1, 0);
    wholeWarmup = std::max(wholeWarmup - 1, 0);
    if (ready) {
        fadePosition =
            fineOn ? std::min(fadePosition + 1, fadeLength) : std::max(fadePosition - 1, 0);
    }
    // A fade whose first and second derivatives are 0 at both ends: a linear one (or a one-pole
    // like the bypass's) turns with a corner where it starts, and with the two paths a latency
    // apart that corner is heard as a tick (about -61 dBFS above 3 kHz for a 1 kHz tone at
    // -6 dBFS, against below -115 for this one).
    const float u = static_cast<float>(fadePosition) / static_cast<float>(fadeLength);
    return u * u * u * (u * (u * 6.0f - 15.0f) + 10.0f);
}

// At the end of a chunk: a fade wholly on its target leaves that path running alone.
void RealtimeProcessor::finishFade() noexcept {
    if (fineOn && fadePosition == fadeLength) {
        path = Path::fine;
    } else if (!fineOn && fadePosition == 0) {
        path = Path::whole;
    } else {
        return;
    }
    settled = false;
    wholeWarmup = fineOn ? wholeReach : 0;
    fineWarmup = fineOn ? 0 : fineReach;
}

template <typename Sample>
int32 RealtimeProcessor::feedFineLines(Sample** inputs, int32 channels, int32 begin,
                                       int32 end) noexcept {
    int32 count = end - begin;
    for (int32 j = 0; j < channels; ++j) {
        count = std::min(count, fineLines[static_cast<std::size_t>(j)].prepareRun());
    }
    for (int32 j = 0; j < channels; ++j) {
        fineLines[static_cast<std::size_t>(j)].write(inputs[j] + begin, count);
    }
    return count;
}

void RealtimeProcessor::finishFineRun(int32 channels, int32 count) noexcept {
    for (int32 j = 0; j < channels; ++j) {
        fineLines[static_cast<std::size_t>(j)].finishRun(count);
    }
}

// The fine path alone: sample by sample, or in bulk once the controls have settled.
template <typename Sample>
void RealtimeProcessor::fineOnly(Sample** inputs, Sample** outputs, int32 channels, int32 begin,
                                 int32 end) noexcept {
    runChunks(
        begin, end,
        [&](int32 from, int32 to) {
            if (channels == 2) {
                fineSteadyStereo(inputs, outputs, from, to);
            } else {
                finePassThrough(inputs, outputs, channels, from, to, false);
            }
        },
        [&](int32 from, int32 to) {
            if (channels == 2) {
                fineStereo(inputs, outputs, from, to);
            } else {
                finePassThrough(inputs, outputs, channels, from, to, true);
            }
        });
}

// The stereo path's chunks with fractional delays: the inputs go into the fine lines first, so
// that the outputs may overwrite them.
template <typename Sample>
void RealtimeProcessor::fineStereo(Sample** inputs, Sample** outputs, int32 begin,
                                   int32 end) noexcept {
    const kernels::Lanes coefficient = {bypassMix.coefficient(), timePan.coefficient(),
                                        levelPan.coefficient(), 1.0f};
    const kernels::FineConstants constants = fineConstants();
    kernels::FineState state = {
        {bypassMix.value(), timePan.value(), levelPan.value(), 0.0f}, frame[0], frame[1]};
    alignas(16) kernels::Lanes smootherIn[chunkSize];
    int32 i = begin;
    while (i < end) {
        const int32 count = std::min(chunkSize, end - i);
        rampInputs(count, coefficient, smootherIn);
        int32 k = 0;
        while (k < count) {
            const int32 run = feedFineLines(inputs, 2, i + k, i + count);
            kernels::fineRun(isa, state, constants, smootherIn + k, fineLines[0].next(),
                             fineLines[1].next(), outputs[0] + i + k, outputs[1] + i + k, run);
            finishFineRun(2, run);
            k += run;
        }
        i += count;
    }
    bypassMix.setValue(state.smoothed[0]);
    timePan.setValue(state.smoothed[1]);
    levelPan.setValue(state.smoothed[2]);
    frame[0] = state.y0;
    frame[1] = state.y1;
}

RealtimeProcessor::FineMix RealtimeProcessor::settledFineMix() noexcept {
    FineMix fine;
    fine.mix.bypass = bypassMix.value();
    kernels::gains(levelPan.value(), 1.0f - bypassMix.value(), fine.mix.gain0, fine.mix.gain1);
    fine.mix.swap = switchOn(ramps[Parameters::SwapChannels].value());
    const float pan = timePan.value();
    const kernels::FineDelay delay =
        kernels::scalar::fineDelay(pan, static_cast<float>(config.sampleRate), fineMaxDelay);
    fine.away = pan < 0.0f ? 1 : 0;
    fine.whole = delay.whole;
    kernels::scalar::fineKernel(table->row(delay.phase), delay.between, fine.kernel);
    return fine;
}

// A run with constant delays, gains and swap, the same bits as fineStereo would give: each
// channel's wet signal is its source line at the look-ahead, or for the ear away from the source
// the constant kernel over that line, mixed with the dry line as a whole tile.
template <typename Sample>
void RealtimeProcessor::fineSteadyStereo(Sample** inputs, Sample** outputs, int32 begin,
                                         int32 end) noexcept {
    if (!mixKnown) {
        fineMix = settledFineMix();
        mixKnown = true;
    }
    const FineMix& fine = fineMix;
    alignas(16) float wet[fineTile];
    int32 i = begin;
    while (i < end) {
        const int32 count = feedFineLines(inputs, 2, i, std::min(end, i + fineTile));
        for (int32 j = 0; j < 2; ++j) {
            const float* const dry = fineLines[static_cast<std::size_t>(j)].next() - late;
            const float* source =
                fineLines[static_cast<std::size_t>(fine.mix.swap ? 1 - j : j)].next() - late;
            if (j == fine.away) {
                kernels::fineFir(isa, wet, source - fine.whole - SincTable::taps / 2, fine.kernel,
                                 count);
                source = wet;
            }
            if constexpr (std::is_same_v<Sample, float>) {
                kernels::mixForward(outputs[j] + i, dry, source, fine.mix.bypass, fine.mix.gain(j),
                                    count);
                frame[static_cast<std::size_t>(j)] = outputs[j][i + count - 1];
            } else {
                alignas(16) float mixed[fineTile];
                kernels::mixForward(mixed, dry, source, fine.mix.bypass, fine.mix.gain(j), count);
                for (int32 m = 0; m < count; ++m) {
                    outputs[j][i + m] = static_cast<Sample>(mixed[m]);
                }
                frame[static_cast<std::size_t>(j)] = mixed[count - 1];
            }
        }
        finishFineRun(2, count);
        i += count;
    }
}

// Other channel counts: each channel late by the look-ahead; the controls still advance unless
// advance is false (a steady run).
template <typename Sample>
void RealtimeProcessor::finePassThrough(Sample** inputs, Sample** outputs, int32 channels,
                                        int32 begin, int32 end, bool advance) noexcept {
    int32 i = begin;
    while (i < end) {
        const int32 count = feedFineLines(inputs, channels, i, end);
        if (advance) {
            for (int32 m = 0; m < count; ++m) {
                advanceControls();
            }
        }
        for (int32 j = 0; j < channels; ++j) {
            const float* const delayed = fineLines[static_cast<std::size_t>(j)].next() - late;
            for (int32 m = 0; m < count; ++m) {
                outputs[j][i + m] = static_cast<Sample>(delayed[m]);
            }
            frame[static_cast<std::size_t>(j)] = delayed[count - 1];
        }
        finishFineRun(channels, count);
        i += count;
    }
}

// One chunk of at most chunkSize samples with both paths: the whole-sample one as stereo()
// runs it and the fine one as fineStereo() does, from the same smoothers' inputs, each into a
// buffer aside; then the fade mixes them into the outputs.
template <typename Sample>
void RealtimeProcessor::fadeStereo(Sample** inputs, Sample** outputs, int32 begin,
                                   int32 end) noexcept {
    const int32 count = end - begin;
    DelayLine& line0 = lines[0];
    DelayLine& line1 = lines[1];
    const bool wire = line0.capacity() == 0;
    const kernels::Lanes coefficient = {bypassMix.coefficient(), timePan.coefficient(),
                                        levelPan.coefficient(), 1.0f};
    const kernels::StereoConstants wholeConstants = {
        {1.0f - coefficient[0], 1.0f - coefficient[1], 1.0f - coefficient[2], 0.0f},
        static_cast<float>(config.sampleRate),
        static_cast<float>(line0.capacity())};
    const kernels::FineConstants fineConst = fineConstants();
    kernels::StereoState wholeState = {{bypassMix.value(), timePan.value(), levelPan.value(), 0.0f},
                                       line0.delay(),
                                       line1.delay(),
                                       frame[0],
                                       frame[1]};
    kernels::FineState fineState = {
        {bypassMix.value(), timePan.value(), levelPan.value(), 0.0f}, frame[0], frame[1]};
    alignas(16) kernels::Lanes smootherIn[chunkSize];
    Sample whole[2][chunkSize];
    Sample fine[2][chunkSize];
    rampInputs(count, coefficient, smootherIn);
    int32 k = 0;
    while (k < count) {
        int32 run = count - k;
        if (!wire) {
            run = std::min({run, line0.prepareRun(), line1.prepareRun()});
        }
        kernels::stereoRun(isa, wholeState, wholeConstants, smootherIn + k, inputs[0] + begin + k,
                           inputs[1] + begin + k, whole[0] + k, whole[1] + k,
                           wire ? nullptr : line0.top() - 1, wire ? nullptr : line1.top() - 1, run);
        if (!wire) {
            line0.finishRun(run);
            line1.finishRun(run);
        }
        k += run;
    }
    k = 0;
    while (k < count) {
        const int32 run = feedFineLines(inputs, 2, begin + k, end);
        kernels::fineRun(isa, fineState, fineConst, smootherIn + k, fineLines[0].next(),
                         fineLines[1].next(), fine[0] + k, fine[1] + k, run);
        finishFineRun(2, run);
        k += run;
    }
    for (int32 m = 0; m < count; ++m) {
        const Sample share = static_cast<Sample>(stepFade());
        for (int32 j = 0; j < 2; ++j) {
            outputs[j][begin + m] = (Sample(1) - share) * whole[j][m] + share * fine[j][m];
        }
    }
    // Both paths smoothed alike; the whole-sample path's state is the one that goes on.
    bypassMix.setValue(wholeState.smoothed[0]);
    timePan.setValue(wholeState.smoothed[1]);
    levelPan.setValue(wholeState.smoothed[2]);
    line0.setDelay(wholeState.delay0);
    line1.setDelay(wholeState.delay1);
    frame[0] = toFloat(outputs[0][end - 1]);
    frame[1] = toFloat(outputs[1][end - 1]);
    finishFade();
}

template <typename Sample>
void RealtimeProcessor::fadePassThrough(Sample** inputs, Sample** outputs, int32 channels,
                                        int32 begin, int32 end) noexcept {
    int32 i = begin;
    while (i < end) {
        const int32 count = feedFineLines(inputs, channels, i, end);
        for (int32 m = 0; m < count; ++m) {
            advanceControls();
            const float share = stepFade();
            for (int32 j = 0; j < channels; ++j) {
                const float delayed = fineLines[static_cast<std::size_t>(j)].next()[m - late];
                frame[static_cast<std::size_t>(j)] =
                    (1.0f - share) * toFloat(inputs[j][i + m]) + share * delayed;
            }
            for (int32 j = 0; j < channels; ++j) {
                outputs[j][i + m] = static_cast<Sample>(frame[static_cast<std::size_t>(j)]);
            }
        }
        finishFineRun(channels, count);
        i += count;
    }
    finishFade();
}

template int32 RealtimeProcessor::runFine<float>(float**, float**, int32, int32) noexcept;
template int32 RealtimeProcessor::runFine<double>(double**, double**, int32, int32) noexcept;

} // namespace tivrandel
