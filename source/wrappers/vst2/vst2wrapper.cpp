#include "wrappers/vst2/vst2wrapper.h"

#include "public.sdk/source/common/hostboundary.h"

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
        std::unique_ptr<Vst2Wrapper> wrapper(new Vst2Wrapper(audioMaster, onClose));
        if (!wrapper->setUp(factory, vst3ComponentID, vst2ID)) {
            return nullptr;
        }
        return &wrapper.release()->block->effect;
    });
}

Vst2Wrapper::Vst2Wrapper(audioMasterCallback host, CloseHook hook)
    : block(new EffectBlock{}), audioMaster(host), onClose(hook) {
    Vst2Text::copyUtf8("Default", programName, Vst2Text::kProgramNameLength);
}

Vst2Wrapper::~Vst2Wrapper() {
    guarded(0, [&] {
        destroy();
        return 0;
    });
}

bool Vst2Wrapper::setUp(IPluginFactory* factory, const TUID componentId, VstInt32 vst2ID) {
    // The pair holds its own reference to the factory for as long as it lives.
    pair = kelvane::wrappers::ComponentHost::create(factory, componentId);
    if (!pair) {
        return false;
    }
    pair->setEditListener(this);

    const int32 count = pair->parameterCount();
    mailbox.reset(new kelvane::wrappers::vst2::ParameterMailbox(count));
    changes.reset(new kelvane::wrappers::PointChanges(count, 1));
    readControllerValues();
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
    if (pair->canProcess64()) {
        effect.flags |= effFlagsCanDoubleReplacing;
        effect.processDoubleReplacing = &Vst2Wrapper::processDoubleReplacingEntry;
    }
    effect.initialDelay = static_cast<VstInt32>(pair->latencySamples());
    effect.object = this;
    effect.uniqueID = vst2ID;
    effect.processReplacing = &Vst2Wrapper::processReplacingEntry;
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

void Vst2Wrapper::destroy() {
    // The editor holds the controller: it goes first.
    closeEditor();
    if (active) {
        suspend();
    }
    if (pair) {
        pair->setEditListener(nullptr);
        pair.reset();
    }
    chunk.clear();
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
        if (wrapper && std::isfinite(value) && index >= 0 && index < wrapper->mailbox->size()) {
            wrapper->setValue(index, std::clamp(static_cast<double>(value), 0.0, 1.0), true);
            // Hosts call this from the audio thread too: the latency, which takes the
            // processor's lock and calls the host, waits for the dispatcher's thread.
            wrapper->latencyDue.store(true, std::memory_order_release);
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

void Vst2Wrapper::setValue(int32 index, ParamValue value, bool forController) noexcept {
    // The mailbox first: a block that takes the value puts it into the processor's values too.
    mailbox->post(index, value, forController);
    pair->setProcessorValue(pair->idAt(index), value);
}

void Vst2Wrapper::settleValues() noexcept {
    for (int32 i = 0; i < mailbox->size(); ++i) {
        ParamValue value = 0.0;
        if (mailbox->takeForProcessor(i, value)) {
            pair->setProcessorValue(pair->idAt(i), value);
        }
    }
}

void Vst2Wrapper::updateController() {
    if (!mailbox || !pair) {
        return;
    }
    for (int32 i = 0; i < mailbox->size(); ++i) {
        ParamValue value = 0.0;
        if (mailbox->takeForController(i, value)) {
            pair->setNormalized(pair->idAt(i), value);
        }
    }
}

void Vst2Wrapper::readControllerValues() {
    for (int32 i = 0; i < mailbox->size(); ++i) {
        mailbox->setLatest(i, pair->normalized(pair->idAt(i)));
    }
}

void Vst2Wrapper::beginEdit(ParamID id) noexcept {
    guarded<VstIntPtr>(0, [&] {
        const int32 index = pair->indexOf(id);
        return index >= 0 ? callHost(audioMasterBeginEdit, index, 0, nullptr, 0.0f) : 0;
    });
}

void Vst2Wrapper::performEdit(ParamID id, ParamValue value) noexcept {
    guarded<VstIntPtr>(0, [&]() -> VstIntPtr {
        const int32 index = pair->indexOf(id);
        if (index < 0 || !std::isfinite(value)) {
            return 0;
        }
        const ParamValue normalized = std::clamp(value, 0.0, 1.0);
        // The controller has the value already.
        setValue(index, normalized, false);
        return callHost(audioMasterAutomate, index, 0, nullptr, static_cast<float>(normalized));
    });
}

void Vst2Wrapper::endEdit(ParamID id) noexcept {
    guarded<VstIntPtr>(0, [&] {
        const int32 index = pair->indexOf(id);
        return index >= 0 ? callHost(audioMasterEndEdit, index, 0, nullptr, 0.0f) : 0;
    });
}

void Vst2Wrapper::restartComponent(int32 flags) noexcept {
    guarded(0, [&] {
        if (flags & kParamValuesChanged) {
            readControllerValues();
        }
        if (flags & kLatencyChanged) {
            followLatency();
        }
        return 0;
    });
}

void Vst2Wrapper::followLatency() {
    latencyDue.store(false, std::memory_order_relaxed);
    const auto latency = static_cast<VstInt32>(pair->latencySamples());
    if (latency == block->effect.initialDelay) {
        return;
    }
    block->effect.initialDelay = latency;
    callHost(audioMasterIOChanged, 0, 0, nullptr, 0.0f);
}

} // namespace Vst
} // namespace Steinberg
