#pragma once

// The VST 2 plug-in interface as Debian's clean-room header declares it. That header emits
// #warning lines when it sees a GNU-compatible compiler, which -Werror turns into errors and
// which GCC 12 does not let a diagnostic pragma silence; hiding the compiler macros while it is
// read skips them (and its deprecation marks on constants it has not confirmed, which we avoid).

#pragma push_macro("__GNUC__")
#pragma push_macro("__clang__")
#undef __GNUC__
#undef __clang__
#include "pluginterfaces/fst/fst.h"
#pragma pop_macro("__clang__")
#pragma pop_macro("__GNUC__")

// What Debian's header (fst 0.122) does not declare: the parameter properties that hosts ask for
// with effGetParameterProperties, in the VST 2.4 interface's published layout (152 bytes), the
// structure the host hands over for the effect to fill. Hosts prefer its label to the 8-byte
// name of effGetParamName.
constexpr int effGetParameterProperties = 56;

enum VstParameterFlags {
    kVstParameterIsSwitch = 1 << 0,
    kVstParameterUsesIntegerMinMax = 1 << 1,
    kVstParameterUsesFloatStep = 1 << 2,
    kVstParameterUsesIntStep = 1 << 3,
    kVstParameterSupportsDisplayIndex = 1 << 4,
    kVstParameterSupportsDisplayCategory = 1 << 5,
    kVstParameterCanRamp = 1 << 6,
};

struct VstParameterProperties {
    float stepFloat;
    float smallStepFloat;
    float largeStepFloat;
    char label[64]; // the parameter's name
    VstInt32 flags; // VstParameterFlags
    VstInt32 minInteger;
    VstInt32 maxInteger;
    VstInt32 stepInteger;
    VstInt32 largeStepInteger;
    char shortLabel[8];
    short displayIndex;
    short category;
    short numParametersInCategory;
    short reserved;
    char categoryLabel[24];
    char future[16];
};
static_assert(sizeof(VstParameterProperties) == 152, "the interface's layout");
