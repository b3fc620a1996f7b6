#include "wrappers/common/componenthost.h"

#include "public.sdk/source/common/hostboundary.h"
#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/vst2wrapper/vst2text.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kelvane::wrappers {

using namespace Steinberg;
using namespace Steinberg::Vst;

// The component handler the controller is given: edits and context menus go to the listener.
// An edit of an id the pair does not have goes nowhere and is refused. Reference counted because
// the controller holds it; detached once the host goes.
class EditForwarder : public IComponentHandler, public IComponentHandler3 {
public:
    explicit EditForwarder(const ComponentHost& owner) : pair(owner) {}
    virtual ~EditForwarder() = default;

    void attach(EditListener* target) { listener = target; }

    tresult PLUGIN_API beginEdit(ParamID id) SMTG_OVERRIDE {
        if (!takes(id)) {
            return kResultFalse;
        }
        listener->beginEdit(id);
        return kResultOk;
    }
    tresult PLUGIN_API performEdit(ParamID id, ParamValue valueNormalized) SMTG_OVERRIDE {
        if (!takes(id)) {
            return kResultFalse;
        }
        listener->performEdit(id, valueNormalized);
        return kResultOk;
    }
    tresult PLUGIN_API endEdit(ParamID id) SMTG_OVERRIDE {
        if (!takes(id)) {
            return kResultFalse;
        }
        listener->endEdit(id);
        return kResultOk;
    }
    tresult PLUGIN_API restartComponent(int32 flags) SMTG_OVERRIDE {
        if (!listener) {
            return kResultFalse;
        }
        listener->restartComponent(flags);
        return kResultOk;
    }
    IContextMenu* PLUGIN_API createContextMenu(IPlugView* view, const ParamID* id) SMTG_OVERRIDE {
        return listener ? listener->createContextMenu(view, id) : nullptr;
    }

    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) SMTG_OVERRIDE {
        QUERY_INTERFACE(iid, obj, FUnknown::iid, IComponentHandler)
        QUERY_INTERFACE(iid, obj, IComponentHandler::iid, IComponentHandler)
        QUERY_INTERFACE(iid, obj, IComponentHandler3::iid, IComponentHandler3)
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() SMTG_OVERRIDE { return ++references; }
    uint32 PLUGIN_API release() SMTG_OVERRIDE {
        if (--references == 0) {
            delete this;
            return 0;
        }
        return references;
    }

private:
    bool takes(ParamID id) const { return listener && pair.indexOf(id) >= 0; }

    const ComponentHost& pair;
    EditListener* listener = nullptr;
    uint32 references = 1;
};

std::unique_ptr<ComponentHost> ComponentHost::create(IPluginFactory* factory,
                                                     const TUID processorId) {
    return guarded<std::unique_ptr<ComponentHost>>(
        nullptr, [&]() -> std::unique_ptr<ComponentHost> {
            if (!factory || !processorId) {
                return nullptr;
            }
            std::unique_ptr<ComponentHost> host(new ComponentHost(factory));
            if (!host->setUp(processorId)) {
                return nullptr;
            }
            return host;
        });
}

ComponentHost::ComponentHost(IPluginFactory* source) : factory(source) {
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &inputBus;
    data.outputs = &outputBus;
    inputBus.numChannels = 2;
    outputBus.numChannels = 2;
}

ComponentHost::~ComponentHost() {
    guarded(0, [&] {
        destroy();
        return 0;
    });
}

bool ComponentHost::setUp(const TUID processorId) {
    IComponent* created = nullptr;
    if (factory->createInstance(processorId, IComponent::iid, reinterpret_cast<void**>(&created)) !=
            kResultOk ||
        !created) {
        return false;
    }
    componentPtr = owned(created);
    processorPtr = FUnknownPtr<IAudioProcessor>(componentPtr.get());
    if (!processorPtr || componentPtr->initialize(&hostContext) != kResultOk) {
        return false;
    }
    componentInitialized = true;
    if (!createController()) {
        return false;
    }
    componentConnection = FUnknownPtr<IConnectionPoint>(componentPtr.get());
    controllerConnection = FUnknownPtr<IConnectionPoint>(controllerPtr.get());
    if (componentConnection && controllerConnection && !controllerIsComponent) {
        componentConnection->connect(controllerConnection);
        controllerConnection->connect(componentConnection);
        connected = true;
    }

    SpeakerArrangement input = SpeakerArr::kStereo;
    SpeakerArrangement output = SpeakerArr::kStereo;
    if (processorPtr->setBusArrangements(&input, 1, &output, 1) != kResultTrue) {
        return false;
    }
    componentPtr->activateBus(kAudio, kInput, 0, true);
    componentPtr->activateBus(kAudio, kOutput, 0, true);

    IPtr<MemoryStream> stream = owned(new MemoryStream());
    if (componentPtr->getState(stream) == kResultOk) {
        stream->seek(0, IBStream::kIBSeekSet, nullptr);
        controllerPtr->setComponentState(stream);
    }
    forwarder = owned(new EditForwarder(*this));
    controllerPtr->setComponentHandler(forwarder);

    const int32 count = std::max<int32>(controllerPtr->getParameterCount(), 0);
    ids.assign(static_cast<size_t>(count), kNoParamId);
    for (int32 i = 0; i < count; ++i) {
        ParameterInfo info{};
        if (controllerPtr->getParameterInfo(i, info) == kResultOk) {
            ids[static_cast<size_t>(i)] = info.id;
        }
    }
    can64 = processorPtr->canProcessSampleSize(kSample64) == kResultTrue;
    hosted = FUnknownPtr<kelvane::vst::IHostedProcessor>(componentPtr.get());
    eitherWidth = hosted && hosted->acceptEitherSampleSize(true) == kResultOk;
    return true;
}

bool ComponentHost::createController() {
    FUnknownPtr<IEditController> single(componentPtr.get());
    if (single) {
        controllerPtr = single;
        controllerIsComponent = true;
        return true;
    }
    TUID controllerId{};
    if (componentPtr->getControllerClassId(controllerId) != kResultOk) {
        return false;
    }
    IEditController* created = nullptr;
    if (factory->createInstance(controllerId, IEditController::iid,
                                reinterpret_cast<void**>(&created)) != kResultOk ||
        !created) {
        return false;
    }
    controllerPtr = owned(created);
    if (controllerPtr->initialize(&hostContext) != kResultOk) {
        return false;
    }
    controllerInitialized = true;
    return true;
}

void ComponentHost::destroy() {
    if (processing) {
        stopProcessing();
    }
    if (active) {
        deactivate();
    }
    if (forwarder) {
        forwarder->attach(nullptr);
        if (controllerPtr) {
            controllerPtr->setComponentHandler(nullptr);
        }
    }
    if (connected) {
        componentConnection->disconnect(controllerConnection);
        controllerConnection->disconnect(componentConnection);
        connected = false;
    }
    if (controllerInitialized) {
        controllerPtr->terminate();
        controllerInitialized = false;
    }
    if (componentInitialized) {
        componentPtr->terminate();
        componentInitialized = false;
    }
    forwarder = nullptr;
    hosted = nullptr;
    controllerConnection = nullptr;
    componentConnection = nullptr;
    controllerPtr = nullptr;
    processorPtr = nullptr;
    componentPtr = nullptr;
    factory = nullptr;
}

void ComponentHost::setEditListener(EditListener* listener) noexcept {
    if (forwarder) {
        forwarder->attach(listener);
    }
}

// --- Parameters -----------------------------------------------------------------------------

bool ComponentHost::parameterInfo(int32 index, ParameterInfo& info) const {
    return guarded(false, [&] {
        return index >= 0 && index < parameterCount() &&
               controllerPtr->getParameterInfo(index, info) == kResultOk;
    });
}

int32 ComponentHost::indexOf(ParamID id) const {
    const auto found = std::find(ids.begin(), ids.end(), id);
    return found == ids.end() ? -1 : static_cast<int32>(found - ids.begin());
}

ParamValue ComponentHost::normalized(ParamID id) const {
    return guarded(0.0, [&] { return controllerPtr->getParamNormalized(id); });
}

bool ComponentHost::setNormalized(ParamID id, ParamValue value) {
    return guarded(false, [&] {
        return std::isfinite(value) &&
               controllerPtr->setParamNormalized(id, std::clamp(value, 0.0, 1.0)) == kResultOk;
    });
}

bool ComponentHost::setProcessorValue(ParamID id, ParamValue value) noexcept {
    return guarded(false,
                   [&] { return hosted && hosted->setParameterValue(id, value) == kResultOk; });
}

ParamValue ComponentHost::toPlain(ParamID id, ParamValue value) const {
    return guarded(0.0, [&] { return controllerPtr->normalizedParamToPlain(id, value); });
}

ParamValue ComponentHost::toNormalized(ParamID id, ParamValue plain) const {
    return guarded(0.0, [&] { return controllerPtr->plainParamToNormalized(id, plain); });
}

bool ComponentHost::valueToText(ParamID id, ParamValue value, std::string& text) const {
    return guarded(false, [&] {
        String128 wide{};
        if (controllerPtr->getParamStringByValue(id, value, wide) != kResultOk) {
            return false;
        }
        wide[127] = 0;
        // Four bytes at most for each UTF-16 unit pair, so nothing is cut.
        char utf8[128 * 3 + 1] = {};
        Vst2Text::copyUtf16(wide, utf8, sizeof(utf8) - 1);
        text = utf8;
        return true;
    });
}

bool ComponentHost::textToValue(ParamID id, const char* text, ParamValue& value) const {
    return guarded(false, [&] {
        if (!text) {
            return false;
        }
        String128 wide{};
        Vst2Text::toUtf16(text, wide, 128);
        ParamValue result = 0.0;
        if (controllerPtr->getParamValueByString(id, wide, result) != kResultOk) {
            return false;
        }
        value = result;
        return true;
    });
}

// --- Processing -----------------------------------------------------------------------------

bool ComponentHost::setup(double sampleRate, int32 maxBlock, bool wide, int32 processMode) {
    return guarded(false, [&] {
        if (active || maxBlock <= 0 || !(sampleRate > 0.0) || (wide && !can64)) {
            return false;
        }
        ProcessSetup setup{processMode, wide ? kSample64 : kSample32, maxBlock, sampleRate};
        if (processorPtr->setupProcessing(setup) != kResultOk) {
            return false;
        }
        rate = sampleRate;
        blockSize = maxBlock;
        wideSamples = wide;
        data.processMode = processMode;
        return true;
    });
}

bool ComponentHost::activate() {
    return guarded(false, [&] {
        if (active) {
            return true;
        }
        if (blockSize <= 0 || componentPtr->setActive(true) != kResultOk) {
            return false;
        }
        active = true;
        return true;
    });
}

void ComponentHost::deactivate() {
    guarded(0, [&] {
        if (processing) {
            stopProcessing();
        }
        if (active) {
            componentPtr->setActive(false);
            active = false;
        }
        return 0;
    });
}

bool ComponentHost::startProcessing() {
    return guarded(false, [&] {
        if (!active) {
            return false;
        }
        if (!processing) {
            // Not every processor answers setProcessing: it is optional in VST3.
            const tresult result = processorPtr->setProcessing(true);
            if (result != kResultOk && result != kNotImplemented) {
                return false;
            }
            processing = true;
        }
        return true;
    });
}

void ComponentHost::stopProcessing() {
    guarded(0, [&] {
        if (processing) {
            processorPtr->setProcessing(false);
            processing = false;
        }
        return 0;
    });
}

uint32 ComponentHost::latencySamples() const {
    return guarded(0u, [&] { return processorPtr->getLatencySamples(); });
}

uint32 ComponentHost::tailSamples() const {
    return guarded(0u, [&] { return processorPtr->getTailSamples(); });
}

namespace {

void bind(AudioBusBuffers& bus, float** pointers, float* const* channels) {
    pointers[0] = channels[0];
    pointers[1] = channels[1];
    bus.channelBuffers32 = pointers;
}

void bind(AudioBusBuffers& bus, double** pointers, double* const* channels) {
    pointers[0] = channels[0];
    pointers[1] = channels[1];
    bus.channelBuffers64 = pointers;
}

} // namespace

template <typename Sample>
bool ComponentHost::processBlock(Sample* const* inputs, Sample* const* outputs, int32 frames,
                                 IParameterChanges* changes,
                                 IParameterChanges* outputChanges) noexcept {
    constexpr bool wide = sizeof(Sample) == sizeof(double);
    // The sample size set up, or either when the processor takes both.
    const bool width = eitherWidth ? (!wide || can64) : wide == wideSamples;
    if (!processing || !width || frames < 0 || frames > blockSize || !inputs || !outputs) {
        return false;
    }
    if constexpr (wide) {
        bind(inputBus, inputs64, inputs);
        bind(outputBus, outputs64, outputs);
    } else {
        bind(inputBus, inputs32, inputs);
        bind(outputBus, outputs32, outputs);
    }
    inputBus.silenceFlags = 0;
    outputBus.silenceFlags = 0;
    data.symbolicSampleSize = wide ? kSample64 : kSample32;
    data.numSamples = frames;
    data.inputParameterChanges = changes;
    data.outputParameterChanges = outputChanges;
    return guarded(false, [&] { return processorPtr->process(data) == kResultOk; });
}

bool ComponentHost::process(float* const* inputs, float* const* outputs, int32 frames,
                            IParameterChanges* changes, IParameterChanges* outputChanges) noexcept {
    return processBlock(inputs, outputs, frames, changes, outputChanges);
}

bool ComponentHost::process(double* const* inputs, double* const* outputs, int32 frames,
                            IParameterChanges* changes, IParameterChanges* outputChanges) noexcept {
    return processBlock(inputs, outputs, frames, changes, outputChanges);
}

// --- State ----------------------------------------------------------------------------------

bool ComponentHost::getState(std::vector<std::uint8_t>& bytes) {
    return guarded(false, [&] {
        IPtr<MemoryStream> stream = owned(new MemoryStream());
        if (componentPtr->getState(stream) != kResultOk) {
            return false;
        }
        const auto* begin = reinterpret_cast<const std::uint8_t*>(stream->getData());
        bytes.assign(begin, begin + stream->getSize());
        return true;
    });
}

bool ComponentHost::setState(const void* bytes, std::size_t size) {
    return guarded(false, [&] {
        if ((!bytes && size != 0) || size > 0x7FFFFFFFu) {
            return false;
        }
        IPtr<MemoryStream> stream = owned(new MemoryStream());
        int32 written = 0;
        if (size > 0 && stream->write(const_cast<void*>(bytes), static_cast<int32>(size),
                                      &written) != kResultOk) {
            return false;
        }
        stream->seek(0, IBStream::kIBSeekSet, nullptr);
        if (componentPtr->setState(stream) != kResultOk) {
            return false;
        }
        stream->seek(0, IBStream::kIBSeekSet, nullptr);
        controllerPtr->setComponentState(stream);
        return true;
    });
}

// --- Editor ---------------------------------------------------------------------------------

IPlugView* ComponentHost::createEditor() {
    return guarded<IPlugView*>(nullptr,
                               [&] { return controllerPtr->createView(ViewType::kEditor); });
}

} // namespace kelvane::wrappers
