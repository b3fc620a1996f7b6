#pragma once

// A VST3 processor and its edit controller, hosted inside a plug-in of another format (CLAP,
// LV2). The adapter of that format owns one ComponentHost per plug-in instance and drives the
// pair only through it:
//
//     auto host = ComponentHost::create(factory, processorClassId); // null on failure
//     host->setEditListener(&listener);     // the controller's edits (editor gestures)
//     host->setup(48000.0, 1024, false);    // then activate(), startProcessing()
//     host->process(inputs, outputs, n, &changes);   // audio thread (PointChanges)
//     host->setProcessorValue(id, value);  // a value set outside blocks, from any thread
//     host->stopProcessing(); host->deactivate();
//
// Creation makes both classes from the module's own factory, initializes them with a host
// application stand-in, connects them, sets up one stereo bus each way and hands the
// processor's state to the controller. State moves as the bytes of the processor's getState;
// a loaded state goes to the processor and, once accepted, to the controller. A processor of
// this framework (IHostedProcessor) also takes values set outside blocks, which its next save
// holds, and blocks of either sample size; with another processor those are refused.
//
// Threads: everything but process runs on the format's main thread; process runs on the audio
// thread and only touches the processor and the buffers made at setup, so it allocates
// nothing, takes no lock and throws nothing. The controller is never touched by process.
// Every call catches what the pair throws and answers failure.

#include "framework/hostedprocessor.h"

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivstcontextmenu.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kelvane::wrappers {

// Where the controller's edits go: the editor's gestures and restart requests, on the main
// thread. Implementations must not throw.
class EditListener {
public:
    virtual ~EditListener() = default;
    virtual void beginEdit(Steinberg::Vst::ParamID id) noexcept = 0;
    virtual void performEdit(Steinberg::Vst::ParamID id,
                             Steinberg::Vst::ParamValue normalized) noexcept = 0;
    virtual void endEdit(Steinberg::Vst::ParamID id) noexcept = 0;
    virtual void restartComponent(Steinberg::int32 /*flags*/) noexcept {}
    // The answer to IComponentHandler3::createContextMenu (a new reference), or null for none.
    virtual Steinberg::Vst::IContextMenu*
    createContextMenu(Steinberg::IPlugView* /*view*/,
                      const Steinberg::Vst::ParamID* /*id*/) noexcept {
        return nullptr;
    }
};

class EditForwarder;

class ComponentHost {
public:
    // The pair of the processor class processorId of factory; null when any step fails (what was
    // made is released again). The host keeps a reference of its own to the factory.
    static std::unique_ptr<ComponentHost> create(Steinberg::IPluginFactory* factory,
                                                 const Steinberg::TUID processorId);
    ~ComponentHost();
    ComponentHost(const ComponentHost&) = delete;
    ComponentHost& operator=(const ComponentHost&) = delete;

    void setEditListener(EditListener* listener) noexcept;

    // --- Parameters (controller) ---
    Steinberg::int32 parameterCount() const { return static_cast<Steinberg::int32>(ids.size()); }
    bool parameterInfo(Steinberg::int32 index, Steinberg::Vst::ParameterInfo& info) const;
    // The index of id, or -1.
    Steinberg::int32 indexOf(Steinberg::Vst::ParamID id) const;
    Steinberg::Vst::ParamID idAt(Steinberg::int32 index) const {
        return ids[static_cast<size_t>(index)];
    }
    Steinberg::Vst::ParamValue normalized(Steinberg::Vst::ParamID id) const;
    bool setNormalized(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue value);
    // Any thread, lock-free: id's value set outside the blocks (a flush while not processing, a
    // host's setParameter, an edit): the next save holds it and the next setup starts the engine
    // from it. The running engine still needs it as a point of the next block. False when the
    // processor cannot take it.
    bool setProcessorValue(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue value) noexcept;
    Steinberg::Vst::ParamValue toPlain(Steinberg::Vst::ParamID id,
                                       Steinberg::Vst::ParamValue normalized) const;
    Steinberg::Vst::ParamValue toNormalized(Steinberg::Vst::ParamID id,
                                            Steinberg::Vst::ParamValue plain) const;
    // The controller's text for a normalized value, as UTF-8; false when it has none.
    bool valueToText(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue normalized,
                     std::string& text) const;
    // The controller's reading of UTF-8 text; false when it refuses it.
    bool textToValue(Steinberg::Vst::ParamID id, const char* text,
                     Steinberg::Vst::ParamValue& normalized) const;

    // --- Processing (processor) ---
    bool canProcess64() const { return can64; }
    // setupProcessing for the rate, the longest block and the sample size; not while active.
    // processMode is the VST3 one (kRealtime, kPrefetch, kOffline).
    bool setup(double sampleRate, Steinberg::int32 maxBlockSize, bool wide,
               Steinberg::int32 processMode = Steinberg::Vst::kRealtime);
    bool activate();
    void deactivate();
    bool startProcessing();
    void stopProcessing();
    bool isActive() const { return active; }
    bool isProcessing() const { return processing; }
    Steinberg::int32 maxBlockSize() const { return blockSize; }
    Steinberg::uint32 latencySamples() const;
    Steinberg::uint32 tailSamples() const;

    // Whether the processor is set up for 64-bit samples.
    bool setUpWide() const { return wideSamples; }
    // Whether process takes either sample size, whatever setup declared.
    bool takesEitherWidth() const { return eitherWidth; }

    // Audio thread. One stereo block of at most maxBlockSize() samples, in the sample size of
    // setup or, when the processor takes either, in its own (64-bit only when canProcess64);
    // inputs and outputs may be the same buffers; changes and outputChanges may be null. False
    // when the processor failed the block or is not processing; the outputs are then as the
    // processor left them.
    bool process(float* const* inputs, float* const* outputs, Steinberg::int32 frames,
                 Steinberg::Vst::IParameterChanges* changes,
                 Steinberg::Vst::IParameterChanges* outputChanges = nullptr) noexcept;
    bool process(double* const* inputs, double* const* outputs, Steinberg::int32 frames,
                 Steinberg::Vst::IParameterChanges* changes,
                 Steinberg::Vst::IParameterChanges* outputChanges = nullptr) noexcept;

    // --- State ---
    bool getState(std::vector<std::uint8_t>& bytes);
    // The processor's setState, then, when it accepts, the controller's setComponentState.
    bool setState(const void* bytes, std::size_t size);

    // --- Editor ---
    // A new "editor" view of the controller, or null; the caller owns the reference.
    Steinberg::IPlugView* createEditor();

    Steinberg::Vst::IComponent* component() const { return componentPtr.get(); }
    Steinberg::Vst::IAudioProcessor* processor() const { return processorPtr.get(); }
    Steinberg::Vst::IEditController* controller() const { return controllerPtr.get(); }

private:
    friend class EditForwarder;
    explicit ComponentHost(Steinberg::IPluginFactory* factory);
    bool setUp(const Steinberg::TUID processorId);
    bool createController();
    void destroy();
    template <typename Sample>
    bool processBlock(Sample* const* inputs, Sample* const* outputs, Steinberg::int32 frames,
                      Steinberg::Vst::IParameterChanges* changes,
                      Steinberg::Vst::IParameterChanges* outputChanges) noexcept;

    Steinberg::IPtr<Steinberg::IPluginFactory> factory;
    Steinberg::Vst::HostApplication hostContext;
    Steinberg::IPtr<Steinberg::Vst::IComponent> componentPtr;
    Steinberg::IPtr<Steinberg::Vst::IAudioProcessor> processorPtr;
    Steinberg::IPtr<Steinberg::Vst::IEditController> controllerPtr;
    Steinberg::IPtr<Steinberg::Vst::IConnectionPoint> componentConnection;
    Steinberg::IPtr<Steinberg::Vst::IConnectionPoint> controllerConnection;
    Steinberg::IPtr<EditForwarder> forwarder;
    Steinberg::IPtr<kelvane::vst::IHostedProcessor> hosted;
    bool componentInitialized = false;
    bool controllerInitialized = false;
    bool controllerIsComponent = false;
    bool connected = false;

    std::vector<Steinberg::Vst::ParamID> ids;
    bool can64 = false;
    bool wideSamples = false;
    bool eitherWidth = false;
    bool active = false;
    bool processing = false;
    double rate = 44100.0;
    Steinberg::int32 blockSize = 0;

    // Filled in by process; made once.
    Steinberg::Vst::ProcessData data;
    Steinberg::Vst::AudioBusBuffers inputBus{};
    Steinberg::Vst::AudioBusBuffers outputBus{};
    float* inputs32[2] = {};
    float* outputs32[2] = {};
    double* inputs64[2] = {};
    double* outputs64[2] = {};
};

} // namespace kelvane::wrappers
