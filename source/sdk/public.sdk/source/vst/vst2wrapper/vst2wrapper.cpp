#include "public.sdk/source/vst/vst2wrapper/vst2wrapper.h"

#include "public.sdk/source/vst/vst2wrapper/vst2componenthandler.h"
#include "public.sdk/source/vst/vst2wrapper/vst2plugframe.h"

#include "public.sdk/source/common/hostboundary.h"

#include "pluginterfaces/base/funknown.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Steinberg {
namespace Vst {

namespace {

// Every entry that the host (or the wrapped controller) calls has its one exception boundary.
using Steinberg::guarded;

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
    // Made now (and kept for the host's first questions): hosts read the flag before anything.
    if (editorView()) {
        effect.flags |= effFlagsHasEditor;
    }
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
    // The editor holds the controller: it goes first.
    closeEditor();
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

VstIntPtr Vst2Wrapper::callHost(int opcode, int index, VstIntPtr value, void* ptr, float opt) {
    return audioMaster ? audioMaster(&block->effect, opcode, index, value, ptr, opt) : 0;
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

} // namespace Vst
} // namespace Steinberg
