#include "parameters/parameters.h"

#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace tivrandel {

namespace {

using Steinberg::Vst::ParameterInfo;

constexpr Steinberg::int32 automatable = ParameterInfo::kCanAutomate;
constexpr Steinberg::int32 automatableBypass =
    ParameterInfo::kCanAutomate | ParameterInfo::kIsBypass;

const Parameters::Description descriptions[Parameters::count] = {
    {"Bypass", 1, 0.0, automatableBypass, "bypass"},
    {"Time Pan", 0, 0.5, automatable, "timePan"},
    {"Level Pan", 0, 0.5, automatable, "levelPan"},
    {"Swap Channels", 1, 0.0, automatable, "swapChannels"},
};

const char* const onText = "On";
const char* const offText = "Off";

// Each takes the signed position in percent as its one double argument.
const char* const panLeftFormat = "%.1f L";
const char* const panCentreFormat = "%.1f C";
const char* const panRightFormat = "+%.1f R";

// Min then max, so that NaN counts as 1.
float clamp01(float x) {
    const float upper = x < 1.0f ? x : 1.0f;
    return upper > 0.0f ? upper : 0.0f;
}

std::string panText(float x) {
    const double p = static_cast<double>((clamp01(x) * 2.0f - 1.0f) * 100.0f);
    const char* format = p < 0.0 ? panLeftFormat : (p > 0.0 ? panRightFormat : panCentreFormat);
    char text[64];
    const int length = std::snprintf(text, sizeof text, format, p);
    return length > 0 ? std::string(text) : std::string();
}

} // namespace

const Parameters::Description& Parameters::describe(Steinberg::Vst::ParamID id) {
    if (id >= static_cast<Steinberg::Vst::ParamID>(count)) {
        throw std::out_of_range("unknown parameter id");
    }
    return descriptions[id];
}

std::string Parameters::displayText(Steinberg::Vst::ParamID id, float value) {
    switch (id) {
    case Bypass:
        return std::floor(static_cast<double>(value) + 0.5) != 0.0 ? onText : offText;
    case TimePan:
    case LevelPan:
        return panText(value);
    case SwapChannels:
        return value < 0.5f ? offText : onText;
    default:
        throw std::out_of_range("unknown parameter id");
    }
}

const char* Parameters::versionKey() {
    return "version";
}
const char* Parameters::tagKey() {
    return "writer";
}
const char* Parameters::processorTag() {
    return "Tivrandel processor";
}
const char* Parameters::controllerTag() {
    return "Tivrandel controller";
}

} // namespace tivrandel
