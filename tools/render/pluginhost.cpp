#include "pluginhost.h"

#include "public.sdk/source/common/memorystream.h"

#include <dlfcn.h>

#include <cstring>
#include <stdexcept>
#include <utility>

namespace render {

using namespace Steinberg;

namespace {

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what);
}

void check(tresult result, const char* call) {
    if (result != kResultOk)
        fail(std::string("the plug-in's ") + call + " failed (result " + std::to_string(result) +
             ")");
}

std::string bytesOf(MemoryStream& stream) {
    return std::string(stream.getData(), static_cast<std::size_t>(stream.getSize()));
}

IPtr<MemoryStream> streamOf(const std::string& bytes) {
    auto stream = owned(new MemoryStream);
    int32 written = 0;
    stream->write(const_cast<char*>(bytes.data()), static_cast<int32>(bytes.size()), &written);
    stream->seek(0, IBStream::kIBSeekSet, nullptr);
    return stream;
}

} // namespace

PluginModule::PluginModule(const std::string& modulePath) : path(modulePath) {
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = dlerror();
        fail("cannot load the plug-in " + path + ": " + (reason ? reason : "unknown reason"));
    }
    // Linux hosts enter the module before anything else and leave it last.
    auto moduleEntry = reinterpret_cast<bool (*)(void*)>(dlsym(handle, "ModuleEntry"));
    moduleExit = reinterpret_cast<bool (*)()>(dlsym(handle, "ModuleExit"));
    auto getFactory = reinterpret_cast<GetFactoryProc>(dlsym(handle, "GetPluginFactory"));
    if (moduleEntry == nullptr || moduleExit == nullptr || getFactory == nullptr) {
        dlclose(handle);
        fail(path + " is not a VST3 module (it lacks ModuleEntry, ModuleExit or GetPluginFactory)");
    }
    if (!moduleEntry(handle)) {
        dlclose(handle);
        fail("the plug-in's ModuleEntry failed");
    }
    pluginFactory = owned(getFactory());
    if (!pluginFactory) {
        moduleExit();
        dlclose(handle);
        fail("the plug-in's GetPluginFactory gave no factory");
    }
}

PluginModule::~PluginModule() {
    pluginFactory = nullptr;
    moduleExit();
    dlclose(handle);
}

HostedPlugin::HostedPlugin(const PluginModule& module) {
    try {
        build(module.factory());
    } catch (...) {
        tearDown();
        throw;
    }
}

void HostedPlugin::build(IPluginFactory& factory) {
    TUID processorClass{};
    bool found = false;
    for (int32 i = 0; i < factory.countClasses() && !found; ++i) {
        PClassInfo info{};
        if (factory.getClassInfo(i, &info) == kResultOk &&
            std::strcmp(info.category, kVstAudioEffectClass) == 0) {
            std::memcpy(processorClass, info.cid, sizeof processorClass);
            found = true;
        }
    }
    if (!found)
        fail("the plug-in offers no audio effect class");

    Vst::IComponent* createdComponent = nullptr;
    check(factory.createInstance(processorClass, Vst::IComponent::iid,
                                 reinterpret_cast<void**>(&createdComponent)),
          "createInstance of the processor");
    component = owned(createdComponent);
    check(component->initialize(&host), "processor initialize");
    componentInitialized = true;
    processor = FUnknownPtr<Vst::IAudioProcessor>(component);
    if (!processor)
        fail("the plug-in's processor is no IAudioProcessor");

    TUID controllerClass{};
    check(component->getControllerClassId(controllerClass), "getControllerClassId");
    Vst::IEditController* createdController = nullptr;
    check(factory.createInstance(controllerClass, Vst::IEditController::iid,
                                 reinterpret_cast<void**>(&createdController)),
          "createInstance of the controller");
    controller = owned(createdController);
    check(controller->initialize(&host), "controller initialize");
    controllerInitialized = true;

    processorPoint = FUnknownPtr<Vst::IConnectionPoint>(component);
    controllerPoint = FUnknownPtr<Vst::IConnectionPoint>(controller);
    if (processorPoint && controllerPoint) {
        check(processorPoint->connect(controllerPoint), "processor connect");
        if (controllerPoint->connect(processorPoint) != kResultOk) {
            processorPoint->disconnect(controllerPoint);
            fail("the plug-in's controller connect failed");
        }
        connected = true;
    }
    applyProcessorStateToController();
}

HostedPlugin::~HostedPlugin() {
    tearDown();
}

void HostedPlugin::tearDown() {
    // Teardown answers are not checked: there is nothing left to do about a failure here.
    if (std::exchange(processing, false))
        processor->setProcessing(false);
    if (std::exchange(active, false))
        component->setActive(false);
    if (std::exchange(connected, false)) {
        controllerPoint->disconnect(processorPoint);
        processorPoint->disconnect(controllerPoint);
    }
    processorPoint = nullptr;
    controllerPoint = nullptr;
    if (std::exchange(controllerInitialized, false))
        controller->terminate();
    controller = nullptr;
    processor = nullptr;
    if (std::exchange(componentInitialized, false))
        component->terminate();
    component = nullptr;
}

std::string HostedPlugin::processorState() {
    MemoryStream stream;
    check(component->getState(&stream), "processor getState");
    return bytesOf(stream);
}

void HostedPlugin::applyProcessorStateToController() {
    const IPtr<MemoryStream> state = streamOf(processorState());
    check(controller->setComponentState(state), "controller setComponentState");
}

void HostedPlugin::loadState(const std::string& bytes, const std::string& source) {
    const IPtr<MemoryStream> forProcessor = streamOf(bytes);
    if (component->setState(forProcessor) != kResultOk)
        fail("the plug-in's processor refused the state in " + source);
    const IPtr<MemoryStream> forController = streamOf(bytes);
    if (controller->setComponentState(forController) != kResultOk)
        fail("the plug-in's controller refused the state in " + source);
}

void HostedPlugin::setupProcessing() {
    Vst::ProcessSetup setup{Vst::kOffline,
                            current.doublePrecision ? Vst::kSample64 : Vst::kSample32,
                            current.maxBlockSize, current.sampleRate};
    check(processor->setupProcessing(setup), "setupProcessing");
}

void HostedPlugin::prepare(const ProcessingSetup& setup,
                           const std::vector<std::pair<Vst::ParamID, double>>& startValues) {
    current = setup;
    Vst::SpeakerArrangement stereo = Vst::SpeakerArr::kStereo;
    if (processor->setBusArrangements(&stereo, 1, &stereo, 1) != kResultTrue)
        fail("the plug-in refused a stereo input and output");
    const int32 sampleSize = setup.doublePrecision ? Vst::kSample64 : Vst::kSample32;
    if (processor->canProcessSampleSize(sampleSize) != kResultTrue)
        fail(std::string("the plug-in cannot process ") + (setup.doublePrecision ? "64" : "32") +
             "-bit samples");
    check(component->activateBus(Vst::kAudio, Vst::kInput, 0, true), "activateBus (input)");
    check(component->activateBus(Vst::kAudio, Vst::kOutput, 0, true), "activateBus (output)");
    setupProcessing();

    if (!startValues.empty()) {
        // A block without samples hands the starting values to the processor; the second
        // setupProcessing builds its engine at them, so that nothing glides at the start.
        for (const auto& [id, value] : startValues)
            blockChanges.queue(id).assign({{0, value}});
        process(nullptr, nullptr, nullptr, nullptr, 0);
        blockChanges.clear();
        setupProcessing();
        applyProcessorStateToController();
    }
}

Steinberg::uint32 HostedPlugin::latency() {
    return processor->getLatencySamples();
}

void HostedPlugin::start() {
    check(component->setActive(true), "setActive(true)");
    active = true;
    // Processors with nothing to do here answer kNotImplemented.
    const tresult result = processor->setProcessing(true);
    if (result != kResultOk && result != kNotImplemented)
        check(result, "setProcessing(true)");
    processing = true;
}

void HostedPlugin::stop() {
    if (processing) {
        processing = false;
        const tresult result = processor->setProcessing(false);
        if (result != kResultOk && result != kNotImplemented)
            check(result, "setProcessing(false)");
    }
    if (active) {
        active = false;
        check(component->setActive(false), "setActive(false)");
    }
}

void HostedPlugin::process(float** in32, float** out32, double** in64, double** out64,
                           int32 numSamples) {
    Vst::AudioBusBuffers input{}, output{};
    input.numChannels = output.numChannels = 2;
    if (current.doublePrecision) {
        input.channelBuffers64 = in64;
        output.channelBuffers64 = out64;
    } else {
        input.channelBuffers32 = in32;
        output.channelBuffers32 = out32;
    }
    Vst::ProcessData data{};
    data.processMode = Vst::kOffline;
    data.symbolicSampleSize = current.doublePrecision ? Vst::kSample64 : Vst::kSample32;
    data.numSamples = numSamples;
    data.numInputs = numSamples > 0 ? 1 : 0;
    data.numOutputs = numSamples > 0 ? 1 : 0;
    data.inputs = numSamples > 0 ? &input : nullptr;
    data.outputs = numSamples > 0 ? &output : nullptr;
    data.inputParameterChanges = &blockChanges;
    check(processor->process(data), "process");
}

} // namespace render
