#pragma once

#include "framework/valuemailbox.h"
#include "processor/engine/delayline.h"
#include "processor/engine/fineline.h"
#include "processor/engine/kernels.h"
#include "processor/engine/parameterramp.h"
#include "processor/engine/sinctable.h"
#include "processor/engine/smoother.h"
#include "processor/engine/stateexchange.h"
#include "processor/processorstate.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tivrandel {

struct RealtimeProcessorConfig {
    Steinberg::int32 sampleRate;
    Steinberg::int32 numChannels;
    ProcessorState state;
};

// The real-time engine: sample-accurate ramps for bypass, time pan, level pan and swap, one-pole
// smoothing of the first three, a whole-sample delay of the channel away from the source (or,
// with the fine delay on, one in fractions of a sample that makes all output fineLatency samples
// late), the level-pan gains, channel swap and the dry/wet bypass mix. Any channel count other than
// two is passed through. Everything below the constructor is real-time safe: no allocation, lock,
// system call or exception.
class RealtimeProcessor {
public:
    // The only place that allocates.
    explicit RealtimeProcessor(const RealtimeProcessorConfig& config);

    // Audio thread, once per host call and before process: takes the block's automation, fills
    // the value cells and applies a posted state.
    void receiveParameterChanges(Steinberg::Vst::ProcessData& data) noexcept;
    // Audio thread. numChannels must not exceed the configured count (a call that does is
    // ignored); in and out may be the same buffers.
    void process(float** inputs, float** outputs, Steinberg::int32 numChannels,
                 Steinberg::int32 numSamples) noexcept;
    // 64-bit buffers; the arithmetic and the delay lines stay single precision.
    void process(double** inputs, double** outputs, Steinberg::int32 numChannels,
                 Steinberg::int32 numSamples) noexcept;
    Steinberg::int32 numChannels() const noexcept { return config.numChannels; }

    // The samples by which an engine with these values at this rate is late: the fine delay's
    // latency while it is on, none for the whole-sample delays.
    static Steinberg::uint32 latencyFor(const ProcessorState& values, double sampleRate) noexcept;
    // The samples by which the fine delay makes all of the output late: the look-ahead of its
    // sinc kernel, the same at every rate (none below 1137 Hz, where the time pan delays
    // nothing and the fine delay stays off).
    static Steinberg::int32 fineLatency(Steinberg::int32 sampleRate) noexcept;
    // True while the fine path alone makes the output, false on the whole-sample path alone and
    // during a cross-fade between the two.
    bool onFinePath() const noexcept { return path == Path::fine; }

    // Any thread: the latest value the host sent for id since the last take.
    bool takeLatestValue(Steinberg::int32 id, float& value) noexcept;
    // Any thread, one writer at a time: a state that the next block starts from.
    void postState(const ProcessorState& state) noexcept;

    // Once the ramps are flat and the smoothers have settled, runs of samples are processed in
    // bulk with constant gains and delays; the result is the same bit for bit. Tests switch it
    // off to compare the two.
    void setSteadyStatePath(bool enabled) noexcept { steadyStateEnabled = enabled; }
    // The vector kernels use AVX where the machine has it; tests switch that off to compare the
    // SSE2 kernels too.
    void setWideKernels(bool enabled) noexcept {
        isa = enabled ? kernels::bestIsa() : kernels::Isa::sse2;
    }
    // Samples processed on that path so far.
    std::uint64_t steadyStateSamples() const noexcept { return steadySamples; }
    // Memory held by the engine: the object, its delay lines and its frame array; the fine
    // delay's lines and the sinc table it reads (which all engines share).
    std::size_t memoryBytes() const noexcept;

private:
    // Samples per look for a steady state, and per batch of controls on the stereo path.
    static constexpr Steinberg::int32 chunkSize = 64;
    // Samples per tile of a steady 64-bit run, and of one whose outputs overwrite its inputs.
    static constexpr Steinberg::int32 steadyTile = 64;
    static constexpr Steinberg::int32 overTile = 256;
    // Constant values of the stereo path in a steady run.
    struct Mix {
        float bypass;
        float gain0;
        float gain1;
        bool swap;
        float gain(Steinberg::int32 channel) const noexcept { return channel == 0 ? gain0 : gain1; }
    };

    template <typename Sample>
    void run(Sample** inputs, Sample** outputs, Steinberg::int32 channels,
             Steinberg::int32 numSamples) noexcept;
    template <typename Sample>
    void stereo(Sample** inputs, Sample** outputs, Steinberg::int32 begin,
                Steinberg::int32 end) noexcept;
    // Any other channel count; the controls still advance unless advance is false (a steady run).
    template <typename Sample>
    void passThrough(Sample** inputs, Sample** outputs, Steinberg::int32 channels,
                     Steinberg::int32 begin, Steinberg::int32 end, bool advance) noexcept;
    void advanceControls() noexcept;
    void rampInputs(Steinberg::int32 count, const kernels::Lanes& coefficient,
                    kernels::Lanes* inputs) noexcept;
    template <typename Sample>
    void steadyStereo(Sample** inputs, Sample** outputs, Steinberg::int32 begin,
                      Steinberg::int32 end) noexcept;
    void steadyChannel(float* y, const float* dry, const float* source, const DelayLine& line,
                       float bypass, float gain, Steinberg::int32 count) noexcept;
    void steadyStereoApart(float** inputs, float** outputs, Steinberg::int32 begin,
                           Steinberg::int32 end, const Mix& mix) noexcept;
    void steadyStereoOver(float** inputs, float** outputs, Steinberg::int32 begin,
                          Steinberg::int32 end, const Mix& mix) noexcept;
    void steadyChannelOver(Steinberg::int32 j, float* x, Steinberg::int32 begin,
                           Steinberg::int32 end, const Mix& mix) noexcept;
    // True if every sample from here to the end of the block (count samples) has the same
    // parameters; then also moves the ramps past them.
    bool enterSteadyState(Steinberg::int32 count) noexcept;
    Mix settledMix() noexcept;
    // Runs [begin, end) a chunk at a time, chunk(from, to), until the controls have settled; from
    // there to the end in one steady run, steady(from, to).
    template <typename Steady, typename Chunk>
    void runChunks(Steinberg::int32 begin, Steinberg::int32 end, Steady steady,
                   Chunk chunk) noexcept {
        Steinberg::int32 i = begin;
        while (i < end) {
            // Looked for once a chunk: the check costs about as much as a sample.
            if (steadyStateEnabled && enterSteadyState(end - i)) {
                steady(i, end);
                steadySamples += static_cast<std::uint64_t>(end - i);
                return;
            }
            settled = false;
            const Steinberg::int32 count = end - i < chunkSize ? end - i : chunkSize;
            chunk(i, i + count);
            i += count;
        }
    }

    // The whole-sample path, from sample begin on.
    template <typename Sample>
    void runWhole(Sample** inputs, Sample** outputs, Steinberg::int32 channels,
                  Steinberg::int32 begin, Steinberg::int32 numSamples) noexcept;

    // The fine delay (finepath.cpp). While it is on, or a cross-fade to or from it runs, the
    // block starts here; returns the sample from which the whole-sample path takes over (the
    // block's end if it does not).
    template <typename Sample>
    Steinberg::int32 runFine(Sample** inputs, Sample** outputs, Steinberg::int32 channels,
                             Steinberg::int32 numSamples) noexcept;
    template <typename Sample>
    void fineOnly(Sample** inputs, Sample** outputs, Steinberg::int32 channels,
                  Steinberg::int32 begin, Steinberg::int32 end) noexcept;
    template <typename Sample>
    void fineStereo(Sample** inputs, Sample** outputs, Steinberg::int32 begin,
                    Steinberg::int32 end) noexcept;
    template <typename Sample>
    void fineSteadyStereo(Sample** inputs, Sample** outputs, Steinberg::int32 begin,
                          Steinberg::int32 end) noexcept;
    template <typename Sample>
    void finePassThrough(Sample** inputs, Sample** outputs, Steinberg::int32 channels,
                         Steinberg::int32 begin, Steinberg::int32 end, bool advance) noexcept;
    // One chunk of a cross-fade: both paths run, their outputs mixed by the fade.
    template <typename Sample>
    void fadeStereo(Sample** inputs, Sample** outputs, Steinberg::int32 begin,
                    Steinberg::int32 end) noexcept;
    template <typename Sample>
    void fadePassThrough(Sample** inputs, Sample** outputs, Steinberg::int32 channels,
                         Steinberg::int32 begin, Steinberg::int32 end) noexcept;
    // Writes the inputs of a run into the fine lines of the first `channels` channels; returns
    // how many samples fitted before a line's copy to its start (at least one).
    template <typename Sample>
    Steinberg::int32 feedFineLines(Sample** inputs, Steinberg::int32 channels,
                                   Steinberg::int32 begin, Steinberg::int32 end) noexcept;
    void finishFineRun(Steinberg::int32 channels, Steinberg::int32 count) noexcept;
    kernels::FineConstants fineConstants() const noexcept;
    // The fade's share of the fine path for the next sample of a cross-fade; ends the fade once
    // it is wholly on its target.
    float stepFade() noexcept;
    void finishFade() noexcept;
    // The fine delay switch for a value: on from 0.5 upward, where the engine has the path.
    bool fineSwitch(double value) const noexcept;

    // The parameters followed sample by sample: bypass, time pan, level pan, swap. The fine delay
    // only reaches its value cell.
    static constexpr Steinberg::int32 rampedCount = 4;
    static_assert(Parameters::FineDelay == rampedCount, "the ramped parameters come first");

    ParameterRamp ramps[rampedCount];
    StateExchange exchange;
    kelvane::vst::ValueMailbox mailboxes[Parameters::count];
    RealtimeProcessorConfig config;
    OnePoleSmoother bypassMix;
    OnePoleSmoother timePan;
    OnePoleSmoother levelPan;
    std::vector<DelayLine> lines;
    std::vector<float> frame;
    kernels::Isa isa = kernels::bestIsa();
    bool steadyStateEnabled = true;
    // The smoothers were found settled on flat ramps; cleared when automation or a posted state
    // arrives. Once a steady stereo run has formed steadyMix, mixKnown holds until then too.
    bool settled = false;
    bool mixKnown = false;
    Mix steadyMix{};
    std::uint64_t steadySamples = 0;

    // The fine delay's constant values in a steady run: the stereo path's, and which ear is away
    // from the source, the kernel it reads through and how far back.
    struct FineMix {
        Mix mix;
        Steinberg::int32 away;
        Steinberg::int32 whole;
        float kernel[SincTable::taps];
    };
    FineMix settledFineMix() noexcept;

    // Where the output comes from: the whole-sample path, the fine path, or a linear cross-fade
    // between them (fadePosition of fadeLength samples along toward the fine path).
    enum class Path { whole, fine, fading };
    Path path = Path::whole;
    // Where the fine delay switch points: its last value received.
    bool fineOn = false;
    Steinberg::int32 fadePosition = 0;
    Steinberg::int32 fadeLength = 1;
    // Samples either path must still be fed before its lines hold all it reads: a path that
    // stopped running starts again from stale lines.
    Steinberg::int32 wholeWarmup = 0;
    Steinberg::int32 fineWarmup = 0;
    Steinberg::int32 wholeReach = 0;
    Steinberg::int32 fineReach = 0;
    float fineMaxDelay = 0.0f;
    // None where the engine has no delay lines: the fine delay then stays off.
    const SincTable* table = nullptr;
    std::vector<FineLine> fineLines;
    FineMix fineMix{};
};

} // namespace tivrandel
