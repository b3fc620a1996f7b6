#include "public.sdk/source/vst/vstaudioeffect.h"

namespace Steinberg {
namespace Vst {

AudioEffect::AudioEffect() {
    processSetup.processMode = kRealtime;
    processSetup.symbolicSampleSize = kSample32;
    processSetup.maxSamplesPerBlock = 1024;
    processSetup.sampleRate = 44100.0;
}

AudioBus* AudioEffect::addAudioBus(BusList& list, const TChar* name, SpeakerArrangement arr,
                                   BusType busType, int32 flags) {
    auto* bus = new AudioBus(name, busType, flags, arr);
    list.push_back(IPtr<Vst::Bus>(bus, false));
    return bus;
}

AudioBus* AudioEffect::audioBusAt(BusList& list, int32 index) {
    if (index < 0 || index >= static_cast<int32>(list.size())) {
        return nullptr;
    }
    return static_cast<AudioBus*>(list.at(static_cast<size_t>(index)).get());
}

AudioBus* AudioEffect::addAudioInput(const TChar* name, SpeakerArrangement arr, BusType busType,
                                     int32 flags) {
    return addAudioBus(audioInputs, name, arr, busType, flags);
}

AudioBus* AudioEffect::addAudioOutput(const TChar* name, SpeakerArrangement arr, BusType busType,
                                      int32 flags) {
    return addAudioBus(audioOutputs, name, arr, busType, flags);
}

AudioBus* AudioEffect::getAudioInput(int32 index) {
    return audioBusAt(audioInputs, index);
}

AudioBus* AudioEffect::getAudioOutput(int32 index) {
    return audioBusAt(audioOutputs, index);
}

tresult PLUGIN_API AudioEffect::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                   SpeakerArrangement* outputs, int32 numOuts) {
    if (numIns < 0 || numOuts < 0) {
        return kInvalidArgument;
    }
    if (numIns != static_cast<int32>(audioInputs.size()) ||
        numOuts != static_cast<int32>(audioOutputs.size()) || (numIns > 0 && !inputs) ||
        (numOuts > 0 && !outputs)) {
        return kResultFalse;
    }
    for (int32 i = 0; i < numIns; ++i) {
        audioBusAt(audioInputs, i)->setArrangement(inputs[i]);
    }
    for (int32 i = 0; i < numOuts; ++i) {
        audioBusAt(audioOutputs, i)->setArrangement(outputs[i]);
    }
    return kResultTrue;
}

tresult PLUGIN_API AudioEffect::getBusArrangement(BusDirection dir, int32 index,
                                                  SpeakerArrangement& arr) {
    AudioBus* bus = audioBusAt(dir == kInput ? audioInputs : audioOutputs, index);
    if (bus == nullptr) {
        return kInvalidArgument;
    }
    arr = bus->getArrangement();
    return kResultTrue;
}

tresult PLUGIN_API AudioEffect::canProcessSampleSize(int32 symbolicSampleSize) {
    return symbolicSampleSize == kSample32 ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API AudioEffect::setupProcessing(ProcessSetup& setup) {
    // A refused setup leaves the stored one as it was.
    if (canProcessSampleSize(setup.symbolicSampleSize) != kResultTrue) {
        return kResultFalse;
    }
    processSetup = setup;
    return kResultOk;
}

tresult PLUGIN_API AudioEffect::setProcessing(TBool /*state*/) {
    return kNotImplemented;
}

tresult PLUGIN_API AudioEffect::process(ProcessData& /*data*/) {
    return kNotImplemented;
}

} // namespace Vst
} // namespace Steinberg
