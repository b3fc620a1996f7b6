#pragma once

// The render's host: loads a VST3 module as a host does, builds its processor and controller
// and connects them, and runs the processor block by block. Every failing host call throws
// std::runtime_error with a message that says which call failed.

#include "parameterqueues.h"

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <string>
#include <utility>
#include <vector>

namespace render {

// The loaded module: dlopen, ModuleEntry and its factory; ModuleExit and dlclose when done.
class PluginModule {
public:
    explicit PluginModule(const std::string& path);
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    Steinberg::IPluginFactory& factory() const { return *pluginFactory; }

private:
    std::string path;
    void* handle = nullptr;
    bool (*moduleExit)() = nullptr;
    Steinberg::IPtr<Steinberg::IPluginFactory> pluginFactory;
};

struct ProcessingSetup {
    double sampleRate = 48000.0;
    Steinberg::int32 maxBlockSize = 512;
    bool doublePrecision = false;
};

class HostedPlugin {
public:
    // The module's first audio effect class and the controller class it names, created,
    // initialized and connected to each other.
    explicit HostedPlugin(const PluginModule& module);
    // Deactivates if needed, then disconnects, terminates and releases in reverse order.
    ~HostedPlugin();
    HostedPlugin(const HostedPlugin&) = delete;
    HostedPlugin& operator=(const HostedPlugin&) = delete;

    // The processor's state blob, and loading one into the processor and the controller.
    std::string processorState();
    void loadState(const std::string& bytes, const std::string& source);

    // Stereo buses, the sample size and setupProcessing. Parameters given with their starting
    // values begin the render at those values instead of gliding to them.
    void prepare(const ProcessingSetup& setup,
                 const std::vector<std::pair<Steinberg::Vst::ParamID, double>>& startValues);
    // The processor's latency in samples, as a host asks for it.
    Steinberg::uint32 latency();
    // Activation and processing on; and off again.
    void start();
    void stop();

    // One block of stereo audio in the prepared sample size (the other pointer pair is null).
    ParameterChanges& changes() { return blockChanges; }
    void process(float** in32, float** out32, double** in64, double** out64,
                 Steinberg::int32 numSamples);

private:
    void build(Steinberg::IPluginFactory& factory);
    void tearDown();
    void applyProcessorStateToController();
    void setupProcessing();

    // Declared first, so that it outlives the components that hold it: its reference count
    // is not a real one.
    Steinberg::Vst::HostApplication host;
    Steinberg::IPtr<Steinberg::Vst::IComponent> component;
    Steinberg::IPtr<Steinberg::Vst::IAudioProcessor> processor;
    Steinberg::IPtr<Steinberg::Vst::IEditController> controller;
    Steinberg::IPtr<Steinberg::Vst::IConnectionPoint> processorPoint, controllerPoint;
    bool componentInitialized = false;
    bool controllerInitialized = false;
    bool connected = false;
    bool active = false;
    bool processing = false;
    ProcessingSetup current;
    ParameterChanges blockChanges;
};

} // namespace render
