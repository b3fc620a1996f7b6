#pragma once

// The SDK's audio effect base, which the packaged subset of the VST3 SDK lacks: a Component
// that is also an IAudioProcessor and, as the SDK's own has been since 3.7, an
// IProcessContextRequirements, with the SDK's published names and documented defaults.

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "public.sdk/source/vst/vstbus.h"
#include "public.sdk/source/vst/vstcomponent.h"

namespace Steinberg {
namespace Vst {

class AudioEffect : public Component, public IAudioProcessor, public IProcessContextRequirements {
public:
    AudioEffect();

    AudioBus* addAudioInput(const TChar* name, SpeakerArrangement arr, BusType busType = kMain,
                            int32 flags = BusInfo::kDefaultActive);
    AudioBus* addAudioOutput(const TChar* name, SpeakerArrangement arr, BusType busType = kMain,
                             int32 flags = BusInfo::kDefaultActive);
    AudioBus* getAudioInput(int32 index);
    AudioBus* getAudioOutput(int32 index);

    // IAudioProcessor
    tresult PLUGIN_API setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                          SpeakerArrangement* outputs, int32 numOuts) SMTG_OVERRIDE;
    tresult PLUGIN_API getBusArrangement(BusDirection dir, int32 index,
                                         SpeakerArrangement& arr) SMTG_OVERRIDE;
    tresult PLUGIN_API canProcessSampleSize(int32 symbolicSampleSize) SMTG_OVERRIDE;
    uint32 PLUGIN_API getLatencySamples() SMTG_OVERRIDE { return 0; }
    tresult PLUGIN_API setupProcessing(ProcessSetup& setup) SMTG_OVERRIDE;
    tresult PLUGIN_API setProcessing(TBool state) SMTG_OVERRIDE;
    tresult PLUGIN_API process(ProcessData& data) SMTG_OVERRIDE;
    uint32 PLUGIN_API getTailSamples() SMTG_OVERRIDE { return kNoTail; }

    // IProcessContextRequirements: the host asks once, between initialize and setActive, which
    // fields of the ProcessContext the effect reads (IProcessContextRequirements::Flags). Set
    // processContextRequirements in the constructor of an effect that reads any.
    uint32 PLUGIN_API getProcessContextRequirements() SMTG_OVERRIDE {
        return processContextRequirements;
    }

    OBJ_METHODS(AudioEffect, Component)
    DEFINE_INTERFACES
    DEF_INTERFACE(IAudioProcessor)
    DEF_INTERFACE(IProcessContextRequirements)
    END_DEFINE_INTERFACES(Component)
    REFCOUNT_METHODS(Component)

protected:
    ProcessSetup processSetup;
    uint32 processContextRequirements = 0;

private:
    AudioBus* addAudioBus(BusList& list, const TChar* name, SpeakerArrangement arr, BusType busType,
                          int32 flags);
    static AudioBus* audioBusAt(BusList& list, int32 index);
};

} // namespace Vst
} // namespace Steinberg
