#pragma once

// A CLAP plug-in made of a VST3 processor and its edit controller (ComponentHost): the CLAP
// calls are translated into the VST3 ones, so the plug-in behaves, sounds and saves exactly as
// the VST3 one does.
//
// Parameters: the VST3 parameters with their ids, titles and flags. A continuous parameter's
// CLAP value is its normalized value (0 to 1); a stepped one's is its step (0 to stepCount),
// step / stepCount normalized. Texts are the controller's.
//
// Events: a CLAP_EVENT_PARAM_VALUE at sample t is a step. It becomes the processor's points
// (t - 1, previous value) and (t, new value), or the single point (0, new value) at t = 0; of
// several events for one parameter at the same sample the last one counts. Other events, and
// events of unknown parameters, are ignored; events out of order or past the block reach the
// processor as points that it skips or heads for, as it does a VST3 host's. Of a list, no more
// events are read than a block can use (every parameter twice at each sample, and some to skip),
// whatever size the list claims; a flush reads as many as the longest block.
//
// Values set outside the host's blocks (a flush, an editor's edit) go to the processor at once
// (ComponentHost::setProcessorValue): the next save holds them and the next activation's engine
// starts from them. The running engine learns them as points at the next block's start.
//
// Audio: each block in the sample size the host hands it, 32 or 64 bits, from the first block
// of an activation on.
//
// Threads: as CLAP fixes them. Values move between the audio thread and the main thread (the
// controller's) through lock-free slots; editor gestures go to the host through a lock-free
// queue read by process or params.flush. process allocates nothing and takes no lock.
//
// State: the processor's getState bytes; a load goes to the processor's setState and, accepted,
// to the controller; a refused load changes nothing, nor does a stream that fails or answers
// more bytes than it was asked for.
//
// Latency: the processor's, for the latest values however they came. CLAP lets it change only
// while the plug-in is inactive: while active, latency.get keeps answering the activation's
// value and a change asks the host for a restart (request_restart); while inactive, the new value
// is answered at once and the host's latency.changed is called (on the main thread, as for every
// check of the latency).
//
// Editor: the controller's editor embedded in the host's window (x11, win32), with a fixed size
// and the host's content scale. On Linux its run loop is the host's timer-support and
// posix-fd-support; without them there is no editor.

#include "wrappers/clap/substitutes/clapext.h"
#include "wrappers/common/componenthost.h"
#include "wrappers/common/contextmenu.h"
#include "wrappers/common/editorframe.h"
#include "wrappers/common/pointchanges.h"

#include "clap/ext/audio-ports.h"
#include "clap/ext/gui.h"
#include "clap/ext/latency.h"
#include "clap/ext/params.h"
#include "clap/ext/state.h"
#include "clap/ext/thread-check.h"
#include "clap/ext/timer-support.h"
#include "clap/plugin.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace kelvane::wrappers::clap {

// A lock-free single-producer single-consumer ring of the editor's gestures for the host.
struct GestureEvent {
    std::uint16_t type; // CLAP_EVENT_PARAM_GESTURE_BEGIN, _END or CLAP_EVENT_PARAM_VALUE
    clap_id id;
    double value;
};

class GestureRing {
public:
    explicit GestureRing(std::uint32_t capacity);
    bool push(const GestureEvent& event) noexcept; // main thread; false when full
    bool pop(GestureEvent& event) noexcept;        // audio thread (or flush)

private:
    std::unique_ptr<GestureEvent[]> events;
    std::uint32_t size;
    std::atomic<std::uint32_t> head{0};
    std::atomic<std::uint32_t> tail{0};
};

struct Entries;

class Plugin final : public EditListener,
                     public Resizer
#if SMTG_OS_LINUX
    ,
                     public RunLoop::Observer
#endif
{
public:
    // The plug-in for host, made of processorId of factory; init does the work.
    Plugin(const clap_plugin_descriptor_t* descriptor, const clap_host_t* host,
           Steinberg::IPluginFactory* factory, const Steinberg::TUID processorId);
    ~Plugin() override;
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    const clap_plugin_t* clapPlugin() const {
        return &plugin;
    }

    // EditListener (main thread)
    void beginEdit(Steinberg::Vst::ParamID id) noexcept override;
    void performEdit(Steinberg::Vst::ParamID id,
                     Steinberg::Vst::ParamValue value) noexcept override;
    void endEdit(Steinberg::Vst::ParamID id) noexcept override;
    void restartComponent(Steinberg::int32 flags) noexcept override;
    // CLAP has no menus: the editor's context menu is the adapters' own.
    Steinberg::Vst::IContextMenu*
    createContextMenu(Steinberg::IPlugView* view,
                      const Steinberg::Vst::ParamID* id) noexcept override;
    // Resizer
    bool resizeEditor(Steinberg::int32 width, Steinberg::int32 height) noexcept override;
#if SMTG_OS_LINUX
    // RunLoop::Observer
    bool watchFd(int fd) noexcept override;
    void unwatchFd(int fd) noexcept override;
    bool startTimer(std::uint32_t milliseconds, std::uint64_t& token) noexcept override;
    void stopTimer(std::uint64_t token) noexcept override;
#endif

private:
    friend struct Entries;
    struct Slot {
        std::atomic<double> value{0.0}; // normalized
        std::atomic<bool> toController{false};
        std::atomic<bool> toProcessor{false};
    };
    static_assert(std::atomic<double>::is_always_lock_free, "needs lock-free doubles");

    static Plugin* from(const clap_plugin_t* plugin);

    // clap_plugin
    bool init();
    bool activate(double sampleRate, std::uint32_t minFrames, std::uint32_t maxFrames);
    void deactivate();
    bool startProcessing();
    void stopProcessing();
    clap_process_status process(const clap_process_t& process) noexcept;
    const void* extension(const char* id) const;
    void onMainThread();

    // Parameters
    bool paramInfo(std::uint32_t index, clap_param_info_t& info) const;
    bool paramValue(clap_id id, double& value) const;
    bool valueToText(clap_id id, double value, char* display, std::uint32_t size) const;
    bool textToValue(clap_id id, const char* display, double& value) const;
    void flush(const clap_input_events_t* in, const clap_output_events_t* out) noexcept;
    double toClap(std::int32_t index, double normalized) const;
    double toNormalized(std::int32_t index, double clapValue) const;
    // The index of a CLAP parameter id, or -1.
    std::int32_t indexOf(clap_id id) const;
    void updateController();
    void readControllerValues();
    void sendGestures(const clap_output_events_t* out) noexcept;
    // Audio thread: the points of a block of frames samples from the slots and the host's
    // events.
    void collectPoints(const clap_input_events_t* in, std::uint32_t frames) noexcept;

    // Latency (main thread)
    std::uint32_t latency();
    // After anything that may have moved the processor's latency: the host told as CLAP allows.
    void followLatency();

    // State
    bool save(const clap_ostream_t* stream);
    bool load(const clap_istream_t* stream);

    // Editor
    bool guiSupported(const char* api, bool floating) const;
    bool guiCreate(const char* api, bool floating);
    void guiDestroy();
    bool guiSetScale(double scale);
    bool guiSize(std::uint32_t& width, std::uint32_t& height) const;
    bool guiSetSize(std::uint32_t width, std::uint32_t height);
    bool guiSetParent(const clap_window_t* window);
    bool guiPreferred(const char** api, bool* floating) const;
    bool guiVisible() const;
    void onTimer(clap_id id);
    void onFd(int fd);
    bool portInfo(std::uint32_t index, bool isInput, clap_audio_port_info_t* info) const;
    bool setRender(clap_plugin_render_mode mode);

    template <typename Sample>
    clap_process_status processAudio(Sample* const* inputs, Sample* const* outputs,
                                     std::uint32_t frames) noexcept;

    clap_plugin_t plugin{};
    const clap_host_t* host;
    Steinberg::IPtr<Steinberg::IPluginFactory> factory;
    Steinberg::TUID processorId{};
    std::unique_ptr<ComponentHost> pair;

    const clap_host_params_t* hostParams = nullptr;
    const clap_host_state_t* hostState = nullptr;
    const clap_host_gui_t* hostGui = nullptr;
    const clap_host_latency_t* hostLatency = nullptr;
    const clap_host_timer_support_t* hostTimers = nullptr;
    const clap_host_posix_fd_support_t* hostFds = nullptr;

    // Main thread: the editor's gestures nest; the host sees the outermost one.
    std::vector<std::int32_t> gestureDepth;
    std::unique_ptr<Slot[]> slots;
    std::int32_t count = 0;
    std::atomic<bool> stateLoaded{false};
    std::atomic<bool> forProcessor{false}; // set after stateLoaded or a slot's toProcessor
    std::atomic<bool> active{false};
    std::int32_t processMode = 0; // Steinberg::Vst::kRealtime
    // Main thread: the latency of the current activation, the one the host last learned, and
    // whether this activation asked for a restart already.
    std::uint32_t activeLatency = 0;
    std::uint32_t learnedLatency = 0;
    bool restartRequested = false;
    GestureRing gestures{1024};

    // For each parameter, what its events need, side by side: the audio thread's values, and its
    // step count (fixed at init).
    struct Lane {
        double sent = 0.0; // the value its ramp last went to
        StepWriter points; // open on its queue in the block, once made
        std::int32_t steps = 0;
    };
    std::unique_ptr<Lane[]> lanes;
    std::unique_ptr<PointChanges> changes;
    bool idsAreIndices = false; // ids 0 to count - 1, in order

    Steinberg::IPtr<Steinberg::IPlugView> view;
    Steinberg::IPtr<EditorFrame> frame;
    bool viewAttached = false;
    // Over the host's window, which the editor's fills from its corner; closed with the editor.
    ContextMenus contextMenus;
    double scale = 1.0;
};

// The plug-in object for host (null when it cannot be made).
const clap_plugin_t* createPlugin(const clap_plugin_descriptor_t* descriptor,
                                  const clap_host_t* host, Steinberg::IPluginFactory* factory,
                                  const Steinberg::TUID processorId);

} // namespace kelvane::wrappers::clap
