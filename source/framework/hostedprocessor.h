#pragma once

#include "pluginterfaces/base/funknown.h"
#include "pluginterfaces/vst/vsttypes.h"

namespace kelvane::vst {

// What a processor offers the adapters that host it inside a plug-in of another format (CLAP,
// VST2, LV2) beyond what a VST3 host may do. Those adapters see the real buffers and every value
// the host sets, so they may be trusted with more; VST3 hosts never learn of this interface.
class IHostedProcessor : public Steinberg::FUnknown {
public:
    // Any thread, lock-free. The parameter's value from now on, set outside the blocks the caller
    // hands the processor (a flush while not processing, a VST2 setParameter, an editor's edit):
    // the next getState saves it, the latency follows it, and the next setupProcessing builds its
    // engine from it. The running engine learns it only from a block, so the caller still hands
    // it over as a point at the next block's start. kInvalidArgument for an unknown id or a value
    // that is not finite.
    virtual Steinberg::tresult PLUGIN_API setParameterValue(Steinberg::Vst::ParamID id,
                                                            Steinberg::Vst::ParamValue value) = 0;
    // From now on process takes blocks of 32- and 64-bit samples alike, each in the width its
    // ProcessData says, whatever setupProcessing declared.
    virtual Steinberg::tresult PLUGIN_API acceptEitherSampleSize(Steinberg::TBool accept) = 0;

    static const Steinberg::FUID iid;
};

inline const Steinberg::FUID IHostedProcessor::iid(0x445AD0CE, 0xB0021E86, 0x8BC1D87B, 0xA97A61E0);

} // namespace kelvane::vst
