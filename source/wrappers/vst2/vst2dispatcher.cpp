#include "wrappers/vst2/vst2wrapper.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>

// The dispatcher's opcodes, on the host's user-interface thread.

namespace Steinberg {
namespace Vst {

namespace {

size_t utf16Length(const char16* text) {
    size_t length = 0;
    while (text[length] != 0) {
        ++length;
    }
    return length;
}

} // namespace

VstIntPtr Vst2Wrapper::dispatch(int opcode, int index, VstIntPtr value, void* ptr, float opt) {
    switch (opcode) {
    case effProcessEvents:
    case effStartProcess:
    case effStopProcess:
    case effSetTotalSampleToProcess:
        // Hosts send these from the audio thread too: keep the controller out of them.
        break;
    default:
        updateController();
        if (latencyDue.load(std::memory_order_acquire)) {
            followLatency();
        }
        break;
    }

    auto* text = static_cast<char*>(ptr);
    switch (opcode) {
    case effSetProgramName:
        if (text) {
            Vst2Text::copyUtf8(text, programName, Vst2Text::kProgramNameLength);
        }
        return 0;
    case effGetProgramName:
        if (text) {
            Vst2Text::copyUtf8(programName, text, Vst2Text::kProgramNameLength);
        }
        return 0;
    case effGetProgramNameIndexed:
        if (text && index == 0) {
            Vst2Text::copyUtf8(programName, text, Vst2Text::kProgramNameLength);
            return 1;
        }
        return 0;
    case effGetParamLabel:
        parameterLabel(index, text);
        return 0;
    case effGetParamDisplay:
        parameterDisplay(index, text);
        return 0;
    case effGetParamName:
        parameterName(index, text);
        return 0;
    case effGetParameterProperties:
        return parameterProperties(index, static_cast<VstParameterProperties*>(ptr)) ? 1 : 0;
    case effCanBeAutomated: {
        ParameterInfo info{};
        return parameterInfo(index, info) && (info.flags & ParameterInfo::kCanAutomate) ? 1 : 0;
    }
    case effString2Parameter:
        return stringToParameter(index, text) ? 1 : 0;
    case effSetSampleRate:
        // Takes effect at the next resume, as the host suspends the effect around a change.
        if (std::isfinite(opt) && opt > 0.0f) {
            sampleRate = static_cast<double>(opt);
        }
        return 0;
    case effSetBlockSize:
        if (value > 0 && value <= INT_MAX) {
            maxBlockSize = static_cast<int32>(value);
        }
        return 0;
    case effMainsChanged:
        if (value != 0) {
            resume();
        } else {
            suspend();
        }
        return 0;
    case effEditGetRect:
        return editorRect(static_cast<ERect**>(ptr));
    case effEditOpen:
        return openEditor(ptr) ? 1 : 0;
    case effEditClose:
        closeEditor();
        return 0;
    case effEditIdle:
        idleEditor();
        return 0;
    case effSetSpeakerArrangement: {
        // The effect is stereo in and out, whatever the host would like.
        const auto* input = reinterpret_cast<const VstSpeakerArrangement*>(value);
        const auto* output = static_cast<const VstSpeakerArrangement*>(ptr);
        return input && output && input->numChannels == 2 && output->numChannels == 2 ? 1 : 0;
    }
    case effGetChunk:
        return getChunk(static_cast<void**>(ptr));
    case effSetChunk:
        return setChunk(ptr, value);
    case effGetPlugCategory:
        return kPlugCategEffect;
    case effGetEffectName:
    case effGetProductString:
        if (!text) {
            return 0;
        }
        Vst2Text::copyUtf8(effectName, text,
                           opcode == effGetEffectName ? Vst2Text::kEffectNameLength
                                                      : Vst2Text::kVendorStringLength);
        return 1;
    case effGetVendorString:
        if (!text) {
            return 0;
        }
        Vst2Text::copyUtf8(vendorName, text, Vst2Text::kVendorStringLength);
        return 1;
    case effGetVendorVersion:
        return block->effect.version;
    case effCanDo:
        return canDo(text);
    case effGetVstVersion:
        return kVstVersion;
    case effSetProcessPrecision:
        return setProcessPrecision(value) ? 1 : 0;
    default:
        // effOpen, program selection (there is one program) and whatever this effect does not
        // know.
        return 0;
    }
}

bool Vst2Wrapper::resume() {
    if (active) {
        return true;
    }
    // The host's block size only bounds the pieces: a host may announce far more than it sends.
    const int32 pieceSize = std::min(maxBlockSize, kMaxPieceSamples);
    // The new engine starts from every value set so far, with no point to glide to.
    settleValues();
    if (!pair->setup(sampleRate, pieceSize, wideSamples, kRealtime)) {
        return false;
    }
    scratch.assign(2 * static_cast<size_t>(pieceSize), 0.0f);
    processBlockSize = pieceSize;
    if (!pair->activate()) {
        return false;
    }
    // Processors that need no start signal answer kNotImplemented; that is no failure.
    pair->startProcessing();
    active = true;
    processing.store(pair->isProcessing(), std::memory_order_release);
    // The latency may follow the rate just set up.
    followLatency();
    return true;
}

void Vst2Wrapper::suspend() {
    if (!active) {
        return;
    }
    processing.store(false, std::memory_order_release);
    pair->deactivate();
    active = false;
}

bool Vst2Wrapper::setProcessPrecision(VstIntPtr precision) {
    if (active) {
        return false;
    }
    if (precision == kVstProcessPrecision32) {
        wideSamples = false;
        return true;
    }
    if (precision == kVstProcessPrecision64 && pair->canProcess64()) {
        wideSamples = true;
        return true;
    }
    return false;
}

VstIntPtr Vst2Wrapper::getChunk(void** data) {
    if (!data) {
        return 0;
    }
    *data = nullptr;
    if (!pair->getState(chunk) || chunk.empty()) {
        return 0;
    }
    // The host reads the bytes until the next getChunk or the close.
    *data = chunk.data();
    return static_cast<VstIntPtr>(chunk.size());
}

VstIntPtr Vst2Wrapper::setChunk(const void* data, VstIntPtr size) {
    if (!data || size <= 0 || size > INT_MAX) {
        return 0;
    }
    if (!pair->setState(data, static_cast<std::size_t>(size))) {
        return 0;
    }
    // Host values that the processor has not been given yet predate the loaded state.
    mailbox->discardForProcessor();
    readControllerValues();
    followLatency();
    return 1;
}

bool Vst2Wrapper::parameterInfo(int32 index, ParameterInfo& info) {
    if (!pair->parameterInfo(index, info)) {
        return false;
    }
    // Terminated whatever the controller wrote.
    info.title[127] = info.shortTitle[127] = info.units[127] = 0;
    return true;
}

void Vst2Wrapper::parameterName(int32 index, char* text) {
    if (!text) {
        return;
    }
    text[0] = 0;
    ParameterInfo info{};
    if (!parameterInfo(index, info)) {
        return;
    }
    // The short title where the full one would be cut.
    const bool useShort =
        utf16Length(info.title) > Vst2Text::kParamStringLength && info.shortTitle[0] != 0;
    Vst2Text::copyUtf16(useShort ? info.shortTitle : info.title, text,
                        Vst2Text::kParamStringLength);
}

bool Vst2Wrapper::parameterProperties(int32 index, VstParameterProperties* properties) {
    ParameterInfo info{};
    if (!properties || !parameterInfo(index, info)) {
        return false;
    }
    *properties = VstParameterProperties{};
    Vst2Text::copyUtf16(info.title, properties->label, Vst2Text::kParamPropertyLabelLength);
    Vst2Text::copyUtf16(info.shortTitle[0] != 0 ? info.shortTitle : info.title,
                        properties->shortLabel, Vst2Text::kParamShortLabelLength);
    if (info.stepCount == 1) {
        properties->flags |= kVstParameterIsSwitch;
    }
    return true;
}

void Vst2Wrapper::parameterDisplay(int32 index, char* text) {
    if (!text) {
        return;
    }
    text[0] = 0;
    if (index < 0 || index >= mailbox->size()) {
        return;
    }
    std::string display;
    if (pair->valueToText(pair->idAt(index), mailbox->latest(index), display)) {
        Vst2Text::copyUtf8(display.c_str(), text, Vst2Text::kParamStringLength);
    }
}

void Vst2Wrapper::parameterLabel(int32 index, char* text) {
    if (!text) {
        return;
    }
    text[0] = 0;
    ParameterInfo info{};
    if (parameterInfo(index, info)) {
        Vst2Text::copyUtf16(info.units, text, Vst2Text::kParamStringLength);
    }
}

bool Vst2Wrapper::stringToParameter(int32 index, const char* text) {
    if (index < 0 || index >= mailbox->size()) {
        return false;
    }
    if (!text) {
        return true; // the host asks whether the parameter takes text at all
    }
    const ParamID id = pair->idAt(index);
    ParamValue value = 0.0;
    if (!pair->textToValue(id, text, value) || !pair->setNormalized(id, value)) {
        return false;
    }
    setValue(index, pair->normalized(id), false);
    return true;
}

VstIntPtr Vst2Wrapper::canDo(const char* text) const {
    if (!text) {
        return 0;
    }
    static const char* const yes[] = {"plugAsChannelInsert", "plugAsSend", "2in2out"};
    static const char* const no[] = {
        "sendVstEvents",      "sendVstMidiEvent", "receiveVstEvents", "receiveVstMidiEvent",
        "receiveVstTimeInfo", "offline",          "midiProgramNames", "bypass"};
    for (const char* entry : yes) {
        if (std::strcmp(text, entry) == 0) {
            return 1;
        }
    }
    for (const char* entry : no) {
        if (std::strcmp(text, entry) == 0) {
            return -1;
        }
    }
    return 0;
}

} // namespace Vst
} // namespace Steinberg
