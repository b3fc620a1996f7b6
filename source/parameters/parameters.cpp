#include "parameters/parameters.h"

#include "framework/typedtext.h"

#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <cmath>
#include <cstddef>
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
    // Not automatable: it changes the latency.
    {"Fine Delay", 1, 0.0, 0, "fineDelay"},
};

const char* const onText = "On";
const char* const offText = "Off";

// Each takes the signed position in percent as its one double argument.
const char* const panLeftFormat = "%.1f L";
const char* const panCentreFormat = "%.1f C";
const char* const panRightFormat = "+%.1f R";

// The words that place a typed pan position, as the display shows them or spelt out.
const char* const leftWords[] = {"L", "left"};
const char* const centreWords[] = {"C", "centre", "center"};
const char* const rightWords[] = {"R", "right"};

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

template <std::size_t n>
bool oneOf(const std::string& word, const char* const (&words)[n]) {
    for (const char* candidate : words) {
        if (kelvane::vst::sameWord(word, candidate)) {
            return true;
        }
    }
    return false;
}

double fromPosition(double percent) {
    return (percent / 100.0 + 1.0) / 2.0;
}

// The display's own form reads back as its position: a signed number, or a number with L, C or
// R before or after it (the letter decides the side). A plain unsigned number is the normalized
// value itself, as it always was; other words after a number are ignored as before.
bool readPan(const kelvane::vst::TypedText& text, double& value) {
    const bool wordFirst = !text.before.empty();
    const std::string& word = wordFirst ? text.before : text.after;
    const bool left = oneOf(word, leftWords);
    const bool centre = oneOf(word, centreWords);
    const bool right = oneOf(word, rightWords);
    if (!left && !centre && !right) {
        if (wordFirst || !text.hasNumber) {
            return false;
        }
        value = text.signWritten ? fromPosition(text.number) : text.number;
        return true;
    }
    // A side on both ends, or more text after it, is no display text.
    if ((wordFirst && !text.after.empty()) || text.rest) {
        return false;
    }
    if (centre) {
        // The centre shows as zero; a distance from it would contradict the letter.
        if (text.hasNumber && text.number != 0.0) {
            return false;
        }
        value = 0.5;
        return true;
    }
    if (!text.hasNumber) {
        return false;
    }
    const double distance = std::fabs(text.number);
    value = fromPosition(left ? -distance : distance);
    return true;
}

// The switches read their own texts, in any case, or a number as the normalized value.
bool readSwitch(const kelvane::vst::TypedText& text, double& value) {
    if (text.hasNumber) {
        if (!text.before.empty()) {
            return false;
        }
        value = text.number;
        return true;
    }
    if (kelvane::vst::sameWord(text.before, onText)) {
        value = 1.0;
        return true;
    }
    if (kelvane::vst::sameWord(text.before, offText)) {
        value = 0.0;
        return true;
    }
    return false;
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
    case FineDelay:
        return value < 0.5f ? offText : onText;
    default:
        throw std::out_of_range("unknown parameter id");
    }
}

bool Parameters::readText(Steinberg::Vst::ParamID id, const kelvane::vst::TypedText& text,
                          double& value) {
    switch (id) {
    case Bypass:
    case SwapChannels:
    case FineDelay:
        return readSwitch(text, value);
    case TimePan:
    case LevelPan:
        return readPan(text, value);
    default:
        return false;
    }
}

bool Parameters::saved(Steinberg::Vst::ParamID id, double value) {
    return id != FineDelay || !(static_cast<float>(value) < 0.5f);
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
