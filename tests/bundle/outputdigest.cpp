#include "outputdigest.h"

#include "crypto/sha256.h"
#include "host/processdata.h"

#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <cstdint>
#include <cstdio>
#include <stdexcept>

namespace bundletest {

using namespace Steinberg;

namespace {

constexpr double sampleRate = 44100.0;
constexpr int32 maxBlock = 512;
// Uneven sizes, so that ramps, smoothing and the delay line cross block edges everywhere.
constexpr int32 blockSizes[] = {64, 128, 1, 333, 512, 7, 256, 200, 0, 97};
constexpr int rounds = 4;

void check(tresult result, const char* step) {
    if (result != kResultOk && result != kResultTrue)
        throw std::runtime_error(std::string(step) + " failed");
}

// The input is made with integer arithmetic only, so that it cannot differ between C libraries.
class Signal {
public:
    double next(int32 channel) {
        state = state * 1664525u + 1013904223u + static_cast<std::uint32_t>(channel);
        const double noise = static_cast<double>(state >> 8) / 8388608.0 - 1.0; // [-1, 1)
        ++position;
        // Every 41st sample of a stretch is tiny, so that flush-to-zero has something to flush.
        if ((position / 1000) % 3 == 1 && position % 41 == 0)
            return 1.0e-39 * noise;
        return 0.6 * noise;
    }

private:
    std::uint32_t state = 20240611u;
    std::uint32_t position = 0;
};

// Points for every parameter in most blocks: time and level pan sweep and jump, the swap and
// the bypass switch on and off.
void automate(testhost::ParameterChanges& changes, int round, int index, int32 samples) {
    changes.clear();
    if (samples == 0 || (round + index) % 5 == 4)
        return;
    const int step = round * 10 + index;
    const double phase = static_cast<double>(step % 16) / 15.0;
    changes.add(1, 0, phase).add(1, samples - 1, 1.0 - phase);
    if (samples > 2)
        changes.add(1, samples / 2, 0.5);
    changes.add(2, samples / 3, static_cast<double>((step * 7) % 11) / 10.0);
    if (step % 6 == 2)
        changes.add(3, 0, step % 12 == 2 ? 1.0 : 0.0);
    if (step % 9 == 5)
        changes.add(0, samples / 4, step % 18 == 5 ? 0.8 : 0.2);
}

} // namespace

std::string outputDigest(IPluginFactory& factory, int32 symbolicSampleSize) {
    PClassInfo info{};
    check(factory.getClassInfo(0, &info), "getClassInfo");
    Vst::IComponent* created = nullptr;
    check(
        factory.createInstance(info.cid, Vst::IComponent::iid, reinterpret_cast<void**>(&created)),
        "createInstance");
    const IPtr<Vst::IComponent> component(created, false);
    // Lives on the stack: its reference count does not count.
    Vst::HostApplication host;
    check(component->initialize(&host), "initialize");
    FUnknownPtr<Vst::IAudioProcessor> processor(component);
    if (!processor)
        throw std::runtime_error("no IAudioProcessor");

    Vst::SpeakerArrangement stereo = Vst::SpeakerArr::kStereo;
    check(processor->setBusArrangements(&stereo, 1, &stereo, 1), "setBusArrangements");
    check(component->activateBus(Vst::kAudio, Vst::kInput, 0, true), "activateBus");
    check(component->activateBus(Vst::kAudio, Vst::kOutput, 0, true), "activateBus");
    Vst::ProcessSetup setup{Vst::kOffline, symbolicSampleSize, maxBlock, sampleRate};
    check(processor->setupProcessing(setup), "setupProcessing");
    check(component->setActive(true), "setActive");
    processor->setProcessing(true);

    kelvane::crypto::Sha256 sha;
    Signal signal;
    std::size_t audible = 0;
    for (int round = 0; round < rounds; ++round) {
        int index = 0;
        for (const int32 samples : blockSizes) {
            testhost::ProcessDataBuilder block(symbolicSampleSize, 2, samples);
            for (int32 i = 0; i < samples; ++i) {
                for (int32 c = 0; c < 2; ++c)
                    block.setInput(c, i, signal.next(c));
            }
            automate(block.changes(), round, index++, samples);
            check(processor->process(block.data()), "process");
            for (int32 c = 0; c < 2; ++c) {
                for (int32 i = 0; i < samples; ++i)
                    audible += block.output(c, i) != 0.0 ? 1 : 0;
                if (block.is64())
                    sha.update(block.out64[c].data(), block.out64[c].size() * sizeof(double));
                else
                    sha.update(block.out32[c].data(), block.out32[c].size() * sizeof(float));
            }
        }
    }

    // A digest of silence would pin nothing.
    if (audible == 0)
        throw std::runtime_error("the processor wrote silence");

    processor->setProcessing(false);
    component->setActive(false);
    component->terminate();

    std::string hex;
    char byte[3];
    for (const std::uint8_t b : sha.finish()) {
        std::snprintf(byte, sizeof byte, "%02x", b);
        hex += byte;
    }
    return hex;
}

} // namespace bundletest
