#include "public.sdk/source/vst/vst2wrapper/vst2wrapper.h"

#include "public.sdk/source/vst/vst2wrapper/vst2componenthandler.h"

#include "framework/guard.h"

#include "pluginterfaces/base/funknown.h"
#include "pluginterfaces/base/ustring.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace Steinberg {
namespace Vst {

namespace {

// Every entry that the host (or the wrapped controller) calls has its one exception boundary.
using kelvane::vst::guarded;

size_t utf16Length(const char16* text) {
    size_t length = 0;
    while (text[length] != 0) {
        ++length;
    }
    return length;
}

} // namespace

AEffect* Vst2Wrapper::create(IPluginFactory* factory, const TUID vst3ComponentID, VstInt32 vst2ID,
                             audioMasterCallback audioMaster, CloseHook onClose) {
    return guarded<AEffect*>(nullptr, [&]() -> AEffect* {
        if (!factory || !vst3ComponentID) {
            return nullptr;
        }
        std::unique_ptr<Vst2Wrapper> wrapper(new Vst2Wrapper(factory, audioMaster, onClose));
        if (!wrapper->setUp(vst3ComponentID, vst2ID)) {
            return nullptr;
        }
        return &wrapper.release()->block->effect;
    });
}

Vst2Wrapper::Vst2Wrapper(IPluginFactory* source, audioMasterCallback host, CloseHook hook)
    : block(new EffectBlock{}), factory(source), audioMaster(host), onClose(hook) {
    Vst2Text::copyUtf8("Default", programName, Vst2Text::kProgramNameLength);
}

Vst2Wrapper::~Vst2Wrapper() {
    guarded(0, [&] {
        destroy();
        return 0;
    });
}

bool Vst2Wrapper::setUp(const TUID componentId, VstInt32 vst2ID) {
    IComponent* created = nullptr;
    if (factory->createInstance(componentId, IComponent::iid, reinterpret_cast<void**>(&created)) !=
            kResultOk ||
        !created) {
        return false;
    }
    component = owned(created);
    processor = FUnknownPtr<IAudioProcessor>(component.get());
    if (!processor) {
        return false;
    }
    if (component->initialize(&hostContext) != kResultOk) {
        return false;
    }
    componentInitialized = true;
    if (!createController(*factory)) {
        return false;
    }

    componentConnection = FUnknownPtr<IConnectionPoint>(component.get());
    controllerConnection = FUnknownPtr<IConnectionPoint>(controller.get());
    if (componentConnection && controllerConnection && !controllerIsComponent) {
        componentConnection->connect(controllerConnection);
        controllerConnection->connect(componentConnection);
        connected = true;
    }

    SpeakerArrangement input = SpeakerArr::kStereo;
    SpeakerArrangement output = SpeakerArr::kStereo;
    if (processor->setBusArrangements(&input, 1, &output, 1) != kResultTrue) {
        return false;
    }
    component->activateBus(kAudio, kInput, 0, true);
    component->activateBus(kAudio, kOutput, 0, true);

    transferState();
    handler = owned(new Vst2ComponentHandler(this));
    controller->setComponentHandler(handler);

    const int32 count = std::max<int32>(controller->getParameterCount(), 0);
    parameterIds.assign(static_cast<size_t>(count), kNoParamId);
    mailbox.reset(new Vst2ParameterMailbox(count));
    inputChanges.reset(new Vst2ParameterChanges(count));
    outputChanges.reset(new Vst2ParameterChanges(count));
    for (int32 i = 0; i < count; ++i) {
        ParameterInfo info{};
        if (controller->getParameterInfo(i, info) == kResultOk) {
            parameterIds[static_cast<size_t>(i)] = info.id;
        }
    }
    readControllerValues();

    can64 = processor->canProcessSampleSize(kSample64) == kResultTrue;
    readFactoryTexts(*factory, componentId);

    AEffect& effect = block->effect;
    effect.magic = kEffectMagic;
    effect.dispatcher = &Vst2Wrapper::dispatchEntry;
    effect.process = &Vst2Wrapper::processEntry;
    effect.setParameter = &Vst2Wrapper::setParameterEntry;
    effect.getParameter = &Vst2Wrapper::getParameterEntry;
    effect.numPrograms = 1;
    effect.numParams = count;
    effect.numInputs = 2;
    effect.numOutputs = 2;
    effect.flags = effFlagsCanReplacing | effFlagsProgramChunks;
    if (can64) {
        effect.flags |= effFlagsCanDoubleReplacing;
        effect.processDoubleReplacing = &Vst2Wrapper::processDoubleReplacingEntry;
    }
    effect.initialDelay = static_cast<VstInt32>(processor->getLatencySamples());
    effect.object = this;
    effect.uniqueID = vst2ID;
    effect.processReplacing = &Vst2Wrapper::processReplacingEntry;
    return true;
}

bool Vst2Wrapper::createController(IPluginFactory& source) {
    FUnknownPtr<IEditController> single(component.get());
    if (single) {
        controller = single;
        controllerIsComponent = true;
        return true;
    }
    TUID controllerId{};
    if (component->getControllerClassId(controllerId) != kResultOk) {
        return false;
    }
    IEditController* created = nullptr;
    if (source.createInstance(controllerId, IEditController::iid,
                              reinterpret_cast<void**>(&created)) != kResultOk ||
        !created) {
        return false;
    }
    controller = owned(created);
    if (controller->initialize(&hostContext) != kResultOk) {
        return false;
    }
    controllerInitialized = true;
    return true;
}

void Vst2Wrapper::readFactoryTexts(IPluginFactory& source, const TUID componentId) {
    PFactoryInfo factoryInfo{};
    if (source.getFactoryInfo(&factoryInfo) == kResultOk) {
        Vst2Text::copyUtf8(factoryInfo.vendor, vendorName, Vst2Text::kVendorStringLength);
    }
    FUnknownPtr<IPluginFactory2> source2(&source);
    const int32 classes = source.countClasses();
    for (int32 i = 0; i < classes; ++i) {
        PClassInfo info{};
        if (source.getClassInfo(i, &info) != kResultOk ||
            std::memcmp(info.cid, componentId, sizeof(TUID)) != 0) {
            continue;
        }
        Vst2Text::copyUtf8(info.name, effectName, Vst2Text::kEffectNameLength);
        PClassInfo2 info2{};
        if (source2 && source2->getClassInfo2(i, &info2) == kResultOk) {
            block->effect.version = Vst2Text::versionNumber(info2.version);
            if (info2.vendor[0] != 0) {
                Vst2Text::copyUtf8(info2.vendor, vendorName, Vst2Text::kVendorStringLength);
            }
        }
        return;
    }
}

void Vst2Wrapper::transferState() {
    IPtr<MemoryStream> stream = owned(new MemoryStream());
    if (component->getState(stream) == kResultOk) {
        stream->seek(0, IBStream::kIBSeekSet, nullptr);
        controller->setComponentState(stream);
    }
}

void Vst2Wrapper::destroy() {
    if (active) {
        suspend();
    }
    if (handler) {
        handler->detach();
        if (controller) {
            controller->setComponentHandler(nullptr);
        }
    }
    if (connected) {
        componentConnection->disconnect(controllerConnection);
        controllerConnection->disconnect(componentConnection);
        connected = false;
    }
    if (controllerInitialized) {
        controller->terminate();
        controllerInitialized = false;
    }
    if (componentInitialized) {
        component->terminate();
        componentInitialized = false;
    }
    chunk = nullptr;
    handler = nullptr;
    controllerConnection = nullptr;
    componentConnection = nullptr;
    controller = nullptr;
    processor = nullptr;
    component = nullptr;
    factory = nullptr;
}

// --- Host entries ---------------------------------------------------------------------------

Vst2Wrapper* Vst2Wrapper::from(AEffect* effect) {
    return effect ? static_cast<Vst2Wrapper*>(effect->object) : nullptr;
}

VstIntPtr Vst2Wrapper::dispatchEntry(AEffect* effect, int opcode, int index, VstIntPtr value,
                                     void* ptr, float opt) {
    return guarded<VstIntPtr>(0, [&]() -> VstIntPtr {
        Vst2Wrapper* wrapper = from(effect);
        if (!wrapper) {
            return 0;
        }
        if (opcode == effClose) {
            const CloseHook hook = wrapper->onClose;
            delete wrapper;
            if (hook) {
                hook();
            }
            return 0;
        }
        return wrapper->dispatch(opcode, index, value, ptr, opt);
    });
}

void Vst2Wrapper::setParameterEntry(AEffect* effect, int index, float value) {
    guarded(0, [&] {
        Vst2Wrapper* wrapper = from(effect);
        if (wrapper && std::isfinite(value)) {
            wrapper->mailbox->post(index, std::clamp(static_cast<double>(value), 0.0, 1.0), true);
        }
        return 0;
    });
}

float Vst2Wrapper::getParameterEntry(AEffect* effect, int index) {
    return guarded(0.0f, [&] {
        Vst2Wrapper* wrapper = from(effect);
        return wrapper ? static_cast<float>(wrapper->mailbox->latest(index)) : 0.0f;
    });
}

void Vst2Wrapper::processEntry(AEffect* effect, float** inputs, float** outputs, int frames) {
    guarded(0, [&] {
        if (Vst2Wrapper* wrapper = from(effect)) {
            wrapper->processAccumulating(inputs, outputs, frames);
        }
        return 0;
    });
}

void Vst2Wrapper::processReplacingEntry(AEffect* effect, float** inputs, float** outputs,
                                        int frames) {
    guarded(0, [&] {
        if (Vst2Wrapper* wrapper = from(effect)) {
            wrapper->process(inputs, outputs, frames);
        }
        return 0;
    });
}

void Vst2Wrapper::processDoubleReplacingEntry(AEffect* effect, double** inputs, double** outputs,
                                              int frames) {
    guarded(0, [&] {
        if (Vst2Wrapper* wrapper = from(effect)) {
            wrapper->process(inputs, outputs, frames);
        }
        return 0;
    });
}

VstIntPtr Vst2Wrapper::callHost(int opcode, int index, VstIntPtr value, void* ptr, float opt) {
    return audioMaster ? audioMaster(&block->effect, opcode, index, value, ptr, opt) : 0;
}

// --- Dispatcher ------------------------------------------------------------------------------

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
        // No editor yet.
        if (ptr) {
            *static_cast<ERect**>(ptr) = nullptr;
        }
        return 0;
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
        // effOpen, program selection (there is one program), the editor opcodes and whatever
        // this effect does not know.
        return 0;
    }
}

bool Vst2Wrapper::resume() {
    if (active) {
        return true;
    }
    ProcessSetup setup{kRealtime, symbolicSampleSize, maxBlockSize, sampleRate};
    if (processor->setupProcessing(setup) != kResultOk) {
        return false;
    }
    scratch.assign(2 * static_cast<size_t>(maxBlockSize), 0.0f);
    processBlockSize = maxBlockSize;

    processData.processMode = kRealtime;
    processData.symbolicSampleSize = symbolicSampleSize;
    processData.numInputs = 1;
    processData.numOutputs = 1;
    processData.inputs = &inputBus;
    processData.outputs = &outputBus;
    processData.inputParameterChanges = inputChanges.get();
    processData.outputParameterChanges = outputChanges.get();
    processData.inputEvents = nullptr;
    processData.outputEvents = nullptr;
    processData.processContext = nullptr;
    inputBus.numChannels = 2;
    outputBus.numChannels = 2;

    component->setActive(true);
    // Processors that need no start signal answer kNotImplemented; that is no failure.
    processor->setProcessing(true);
    active = true;
    processing.store(true, std::memory_order_release);
    return true;
}

void Vst2Wrapper::suspend() {
    if (!active) {
        return;
    }
    processing.store(false, std::memory_order_release);
    processor->setProcessing(false);
    component->setActive(false);
    active = false;
}

bool Vst2Wrapper::setProcessPrecision(VstIntPtr precision) {
    if (active) {
        return false;
    }
    if (precision == kVstProcessPrecision32) {
        symbolicSampleSize = kSample32;
        return true;
    }
    if (precision == kVstProcessPrecision64 && can64) {
        symbolicSampleSize = kSample64;
        return true;
    }
    return false;
}

VstIntPtr Vst2Wrapper::getChunk(void** data) {
    if (!data) {
        return 0;
    }
    *data = nullptr;
    IPtr<MemoryStream> stream = owned(new MemoryStream());
    if (component->getState(stream) != kResultOk) {
        return 0;
    }
    // The host reads the bytes until the next getChunk or the close.
    chunk = stream;
    *data = chunk->getData();
    return static_cast<VstIntPtr>(chunk->getSize());
}

VstIntPtr Vst2Wrapper::setChunk(const void* data, VstIntPtr size) {
    if (!data || size <= 0 || size > INT_MAX) {
        return 0;
    }
    IPtr<MemoryStream> stream = owned(new MemoryStream(const_cast<void*>(data), size));
    if (component->setState(stream) != kResultOk) {
        return 0;
    }
    // Host values that the processor has not been given yet predate the loaded state.
    mailbox->discardForProcessor();
    stream->seek(0, IBStream::kIBSeekSet, nullptr);
    controller->setComponentState(stream);
    readControllerValues();
    return 1;
}

bool Vst2Wrapper::parameterInfo(int32 index, ParameterInfo& info) {
    return index >= 0 && index < mailbox->size() &&
           controller->getParameterInfo(index, info) == kResultOk;
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

void Vst2Wrapper::parameterDisplay(int32 index, char* text) {
    if (!text) {
        return;
    }
    text[0] = 0;
    if (index < 0 || index >= mailbox->size()) {
        return;
    }
    String128 display{};
    if (controller->getParamStringByValue(parameterIds[static_cast<size_t>(index)],
                                          mailbox->latest(index), display) == kResultOk) {
        display[127] = 0;
        Vst2Text::copyUtf16(display, text, Vst2Text::kParamStringLength);
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
    String128 wide{};
    Vst2Text::toUtf16(text, wide, 128);
    const ParamID id = parameterIds[static_cast<size_t>(index)];
    ParamValue value = 0.0;
    if (controller->getParamValueByString(id, wide, value) != kResultOk || !std::isfinite(value)) {
        return false;
    }
    value = std::clamp(value, 0.0, 1.0);
    controller->setParamNormalized(id, value);
    mailbox->post(index, controller->getParamNormalized(id), false);
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

// --- Parameters -----------------------------------------------------------------------------

int32 Vst2Wrapper::indexOf(ParamID id) const {
    const auto found = std::find(parameterIds.begin(), parameterIds.end(), id);
    return found == parameterIds.end() ? -1 : static_cast<int32>(found - parameterIds.begin());
}

void Vst2Wrapper::updateController() {
    if (!mailbox || !controller) {
        return;
    }
    for (int32 i = 0; i < mailbox->size(); ++i) {
        ParamValue value = 0.0;
        if (mailbox->takeForController(i, value)) {
            controller->setParamNormalized(parameterIds[static_cast<size_t>(i)], value);
        }
    }
}

void Vst2Wrapper::readControllerValues() {
    for (int32 i = 0; i < mailbox->size(); ++i) {
        mailbox->setLatest(i, controller->getParamNormalized(parameterIds[static_cast<size_t>(i)]));
    }
}

tresult Vst2Wrapper::beginEdit(ParamID id) noexcept {
    return guarded(kResultFalse, [&] {
        const int32 index = indexOf(id);
        if (index < 0) {
            return kResultFalse;
        }
        callHost(audioMasterBeginEdit, index, 0, nullptr, 0.0f);
        return kResultOk;
    });
}

tresult Vst2Wrapper::performEdit(ParamID id, ParamValue value) noexcept {
    return guarded(kResultFalse, [&] {
        const int32 index = indexOf(id);
        if (index < 0) {
            return kResultFalse;
        }
        // The controller has the value already; the processor gets it with the next block.
        mailbox->post(index, value, false);
        callHost(audioMasterAutomate, index, 0, nullptr, static_cast<float>(value));
        return kResultOk;
    });
}

tresult Vst2Wrapper::endEdit(ParamID id) noexcept {
    return guarded(kResultFalse, [&] {
        const int32 index = indexOf(id);
        if (index < 0) {
            return kResultFalse;
        }
        callHost(audioMasterEndEdit, index, 0, nullptr, 0.0f);
        return kResultOk;
    });
}

tresult Vst2Wrapper::restartComponent(int32 flags) noexcept {
    return guarded(kResultFalse, [&] {
        if (flags & kParamValuesChanged) {
            readControllerValues();
        }
        if (flags & kLatencyChanged) {
            // VST 2 hosts read it again when they next resume the effect.
            block->effect.initialDelay = static_cast<VstInt32>(processor->getLatencySamples());
        }
        return kResultOk;
    });
}

// --- Audio thread ---------------------------------------------------------------------------

void Vst2Wrapper::collectChanges() noexcept {
    inputChanges->clear();
    for (int32 i = 0; i < mailbox->size(); ++i) {
        ParamValue value = 0.0;
        if (mailbox->takeForProcessor(i, value)) {
            inputChanges->addChange(parameterIds[static_cast<size_t>(i)], value);
        }
    }
}

template <typename Sample>
void Vst2Wrapper::silence(Sample** outputs, int32 offset, int32 frames) noexcept {
    for (int32 c = 0; c < 2; ++c) {
        std::fill_n(outputs[c] + offset, frames, Sample(0));
    }
}

namespace {

void bind(AudioBusBuffers& bus, float** pointers, float** channels, int32 offset) {
    for (int32 c = 0; c < 2; ++c) {
        pointers[c] = channels[c] + offset;
    }
    bus.channelBuffers32 = pointers;
}

void bind(AudioBusBuffers& bus, double** pointers, double** channels, int32 offset) {
    for (int32 c = 0; c < 2; ++c) {
        pointers[c] = channels[c] + offset;
    }
    bus.channelBuffers64 = pointers;
}

template <typename Sample>
bool usable(Sample** channels) {
    return channels && channels[0] && channels[1];
}

} // namespace

template <typename Sample>
bool Vst2Wrapper::processPiece(Sample** inputs, Sample** outputs, int32 offset,
                               int32 frames) noexcept {
    constexpr bool wide = sizeof(Sample) == sizeof(double);
    if constexpr (wide) {
        bind(inputBus, inputs64, inputs, offset);
        bind(outputBus, outputs64, outputs, 0);
    } else {
        bind(inputBus, inputs32, inputs, offset);
        bind(outputBus, outputs32, outputs, 0);
    }
    inputBus.silenceFlags = 0;
    outputBus.silenceFlags = 0;
    processData.symbolicSampleSize = wide ? kSample64 : kSample32;
    processData.numSamples = frames;
    outputChanges->clear();
    return processor->process(processData) == kResultOk;
}

template <typename Sample>
void Vst2Wrapper::process(Sample** inputs, Sample** outputs, int32 frames) noexcept {
    if (frames <= 0 || !usable(outputs)) {
        return;
    }
    if (!usable(inputs) || !processing.load(std::memory_order_acquire)) {
        silence(outputs, 0, frames);
        return;
    }
    collectChanges();
    for (int32 offset = 0; offset < frames; offset += processBlockSize) {
        const int32 length = std::min(processBlockSize, frames - offset);
        Sample* pieceOutputs[2] = {outputs[0] + offset, outputs[1] + offset};
        if (!processPiece(inputs, pieceOutputs, offset, length)) {
            silence(outputs, offset, length);
        }
        // The block's changes belong at its start only.
        inputChanges->clear();
    }
}

void Vst2Wrapper::processAccumulating(float** inputs, float** outputs, int32 frames) noexcept {
    if (frames <= 0 || !usable(outputs) || !usable(inputs) ||
        !processing.load(std::memory_order_acquire)) {
        return;
    }
    collectChanges();
    float* sums[2] = {scratch.data(), scratch.data() + processBlockSize};
    for (int32 offset = 0; offset < frames; offset += processBlockSize) {
        const int32 length = std::min(processBlockSize, frames - offset);
        if (processPiece(inputs, sums, offset, length)) {
            for (int32 c = 0; c < 2; ++c) {
                for (int32 i = 0; i < length; ++i) {
                    outputs[c][offset + i] += sums[c][i];
                }
            }
        }
        inputChanges->clear();
    }
}

} // namespace Vst
} // namespace Steinberg
