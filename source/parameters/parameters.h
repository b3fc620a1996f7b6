#pragma once

#include "pluginterfaces/vst/vsttypes.h"

#include <string>

namespace tivrandel {

// The one description of the plug-in's four parameters, shared by processor, controller and
// editor. It holds no values: those live in the controller's parameter objects and in the
// processor's state and engine.
struct Parameters {
    enum Id : Steinberg::Vst::ParamID { Bypass = 0, TimePan = 1, LevelPan = 2, SwapChannels = 3 };
    static constexpr Steinberg::int32 count = 4;

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

    // Members of the state document other than the four parameter keys.
    static const char* versionKey();
    static const char* tagKey();
    static const char* processorTag();
    static const char* controllerTag();
};

} // namespace tivrandel
