// tivrandel-demo [out.wav] [--rate 48000]
//
// Generates six seconds of noise bursts with a decaying tone under each, renders them through
// tivrandel::Processor as a host would (initialize, setupProcessing, setActive, process in
// blocks) while the time pan is automated from full left to full right, and writes a 32-bit
// float stereo WAV file. Both input channels carry the same signal, so all movement heard comes
// from the time difference.

#include "processor/processor.h"

#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr double lengthSeconds = 6.0;
constexpr int32 blockSize = 256;
constexpr double pi = 3.14159265358979323846;

// One automation queue holding the points of the current block for one parameter.
class PointQueue : public IParamValueQueue {
public:
    explicit PointQueue(ParamID parameter) : id(parameter) { FUNKNOWN_CTOR }
    virtual ~PointQueue() { FUNKNOWN_DTOR }

    void clear() { count = 0; }
    void add(int32 offset, ParamValue value) {
        if (count < maxPoints) {
            points[count++] = {offset, value};
        }
    }

    ParamID PLUGIN_API getParameterId() override { return id; }
    int32 PLUGIN_API getPointCount() override { return count; }
    tresult PLUGIN_API getPoint(int32 index, int32& offset, ParamValue& value) override {
        if (index < 0 || index >= count) {
            return kInvalidArgument;
        }
        offset = points[index].offset;
        value = points[index].value;
        return kResultOk;
    }
    tresult PLUGIN_API addPoint(int32, ParamValue, int32&) override { return kResultFalse; }

    DECLARE_FUNKNOWN_METHODS

private:
    static constexpr int32 maxPoints = 4;
    struct Point {
        int32 offset;
        ParamValue value;
    };
    ParamID id;
    Point points[maxPoints] = {};
    int32 count = 0;
};
IMPLEMENT_FUNKNOWN_METHODS(PointQueue, IParamValueQueue, IParamValueQueue::iid)

// The block's changes: just the one queue.
class SingleQueueChanges : public IParameterChanges {
public:
    explicit SingleQueueChanges(PointQueue& q) : queue(q) { FUNKNOWN_CTOR }
    virtual ~SingleQueueChanges(){FUNKNOWN_DTOR}

    int32 PLUGIN_API getParameterCount() override {
        return queue.getPointCount() > 0 ? 1 : 0;
    }
    IParamValueQueue* PLUGIN_API getParameterData(int32 index) override {
        return index == 0 ? &queue : nullptr;
    }
    IParamValueQueue* PLUGIN_API addParameterData(const ParamID&, int32&) override {
        return nullptr;
    }

    DECLARE_FUNKNOWN_METHODS

private:
    PointQueue& queue;
};
IMPLEMENT_FUNKNOWN_METHODS(SingleQueueChanges, IParameterChanges, IParameterChanges::iid)

// Four noise bursts a second, each over a decaying tone that steps through a few pitches.
std::vector<float> makeSignal(int32 rate) {
    const auto total = std::size_t(lengthSeconds * rate);
    std::vector<float> signal(total);
    const auto period = std::size_t(rate / 4);
    const double pitches[] = {220.0, 277.18, 329.63, 440.0};
    std::uint32_t noise = 0x12345678u;
    for (std::size_t i = 0; i < total; ++i) {
        const std::size_t burst = i / period;
        const double t = double(i % period) / rate;
        noise = noise * 1664525u + 1013904223u;
        const double white = double(noise >> 8) / double(1u << 24) * 2.0 - 1.0;
        const double tone = std::sin(2.0 * pi * pitches[burst % 4] * t);
        const double value = 0.35 * white * std::exp(-t * 60.0) + 0.25 * tone * std::exp(-t * 8.0);
        signal[i] = float(value);
    }
    return signal;
}

int usage(const char* program) {
    std::fprintf(stderr, "usage: %s [out.wav] [--rate <Hz>]\n", program);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string path = "tivrandel-demo.wav";
    long rate = 48000;
    bool pathGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--rate" && i + 1 < argc) {
            char* end = nullptr;
            rate = std::strtol(argv[++i], &end, 10);
            if (end == argv[i] || *end != '\0' || rate < 8000 || rate > 768000) {
                std::fprintf(stderr,
                             "%s: the rate must be a whole number of Hz from 8000 to "
                             "768000\n",
                             argv[0]);
                return 2;
            }
        } else if (argument.rfind("-", 0) == 0 || pathGiven) {
            return usage(argv[0]);
        } else {
            path = argument;
            pathGiven = true;
        }
    }

    static HostApplication host;
    IPtr<tivrandel::Processor> processor = owned(new tivrandel::Processor);
    ProcessSetup setup{kOffline, kSample32, blockSize, double(rate)};
    if (processor->initialize(&host) != kResultOk ||
        processor->setupProcessing(setup) != kResultOk || processor->setActive(true) != kResultOk) {
        std::fprintf(stderr, "%s: the processor refused to start\n", argv[0]);
        return 1;
    }

    const std::vector<float> signal = makeSignal(int32(rate));
    const auto total = int32(signal.size());
    std::vector<float> interleaved(signal.size() * 2);
    std::vector<float> inLeft(blockSize), inRight(blockSize), outLeft(blockSize),
        outRight(blockSize);
    float* inputs[2] = {inLeft.data(), inRight.data()};
    float* outputs[2] = {outLeft.data(), outRight.data()};
    AudioBusBuffers inputBus{}, outputBus{};
    inputBus.numChannels = outputBus.numChannels = 2;
    inputBus.channelBuffers32 = inputs;
    outputBus.channelBuffers32 = outputs;
    PointQueue timePan(tivrandel::Parameters::TimePan);
    SingleQueueChanges changes(timePan);

    for (int32 start = 0; start < total; start += blockSize) {
        const int32 count = std::min(blockSize, total - start);
        for (int32 i = 0; i < count; ++i) {
            inLeft[size_t(i)] = inRight[size_t(i)] = signal[size_t(start + i)];
        }
        // One point per block at its last sample, on a straight line from 0 to 1.
        timePan.clear();
        if (start == 0) {
            timePan.add(0, 0.0);
        }
        timePan.add(count - 1, double(start + count - 1) / double(total - 1));

        ProcessData data;
        data.processMode = kOffline;
        data.symbolicSampleSize = kSample32;
        data.numSamples = count;
        data.numInputs = data.numOutputs = 1;
        data.inputs = &inputBus;
        data.outputs = &outputBus;
        data.inputParameterChanges = &changes;
        if (processor->process(data) != kResultOk) {
            std::fprintf(stderr, "%s: processing failed\n", argv[0]);
            return 1;
        }
        for (int32 i = 0; i < count; ++i) {
            interleaved[2 * size_t(start + i)] = outLeft[size_t(i)];
            interleaved[2 * size_t(start + i) + 1] = outRight[size_t(i)];
        }
    }
    processor->setActive(false);
    processor->terminate();

    SF_INFO info{};
    info.samplerate = int(rate);
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "%s: cannot write %s: %s\n", argv[0], path.c_str(),
                     sf_strerror(nullptr));
        return 1;
    }
    const sf_count_t frames = sf_writef_float(file, interleaved.data(), sf_count_t(total));
    const bool closed = sf_close(file) == 0;
    if (frames != sf_count_t(total) || !closed) {
        std::fprintf(stderr, "%s: writing %s failed\n", argv[0], path.c_str());
        return 1;
    }
    std::printf("wrote %s: %.1f s of stereo at %ld Hz, time pan swept from left to right\n",
                path.c_str(), lengthSeconds, rate);
    return 0;
}
