#pragma once

#include "pluginterfaces/vst/vsttypes.h"

#include <string>

namespace kelvane::vst {
struct TypedText;
}

namespace tivrandel {

// The one description of the plug-in's five parameters, shared by processor, controller and
// editor. It holds no values: those live in the controller's parameter objects and in the
// processor's state and engine.
struct Parameters {
    enum Id : Steinberg::Vst::ParamID {
        Bypass = 0,
        TimePan = 1,
        LevelPan = 2,
        SwapChannels = 3,
        FineDelay = 4
    };
    static constexpr Steinberg::int32 count = 5;

    struct Description {
        const char* title;
        Steinberg::int32 stepCount;
        double defaultValue;
        Steinberg::int32 flags;
        const char* stateKey;
    };

    // Valid for ids below count.
    static const Description& describe(Steinberg::Vst::ParamID id);
    static double defaultValue(Steinberg::Vst::ParamID id) { return describe(id).defaultValue; }

    // ASCII display text of a value that the caller has already narrowed to float.
    static std::string displayText(Steinberg::Vst::ParamID id, float value);
    // The normalized value that a typed text stands for, before the caller refuses what is not
    // finite and clamps the rest to [0, 1]; false if the text means nothing for the parameter.
    // Each display text reads back as the value it shows.
    static bool readText(Steinberg::Vst::ParamID id, const kelvane::vst::TypedText& text,
                         double& value);

    // Whether a saved state holds id's value: the fine delay only while it is on, so that the
    // states of everything else are those of the versions before it.
    static bool saved(Steinberg::Vst::ParamID id, double value);

    // Members of the state document other than the parameter keys.
    static const char* versionKey();
    static const char* tagKey();
    static const char* processorTag();
    static const char* controllerTag();
};

} // namespace tivrandel
