#include "wrappers/clap/clapplugin.h"

#include "public.sdk/source/common/hostboundary.h"
#include "public.sdk/source/vst/vst2wrapper/vst2text.h"

#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace kelvane::wrappers::clap {

using namespace Steinberg;
using namespace Steinberg::Vst;
using Steinberg::guarded;

namespace {

// The samples of a block at which every parameter may step, each with its own two points.
constexpr Steinberg::int32 maxEventSamples = 8192;

// Of the events a list claims, the most the plug-in asks for: every parameter twice at each
// sample of the block, and up to skippedEvents more that it passes over (other types and spaces,
// unknown ids, null answers), so a list that claims more than it holds costs bounded work. A flush
// has no block: it reads as much as a block of maxEventSamples may.
constexpr std::uint64_t eventsPerSampleAndParameter = 2;
constexpr std::uint64_t skippedEvents = 1024;

std::uint32_t eventsToRead(const clap_input_events_t* in, std::uint32_t frames,
                           std::int32_t parameters) {
    if (!in || !in->size || !in->get) {
        return 0;
    }
    const std::uint64_t most =
        static_cast<std::uint64_t>(frames) * eventsPerSampleAndParameter *
            static_cast<std::uint64_t>(std::max<std::int32_t>(parameters, 1)) +
        skippedEvents;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(in->size(in), most));
}

// The k-th event of in when it is a whole parameter value event of the core space, else null:
// the only events the plug-in reads.
const clap_event_param_value_t* paramValueAt(const clap_input_events_t& in, std::uint32_t k) {
    const clap_event_header_t* header = in.get(&in, k);
    if (!header || header->space_id != CLAP_CORE_EVENT_SPACE_ID ||
        header->type != CLAP_EVENT_PARAM_VALUE || header->size < sizeof(clap_event_param_value_t)) {
        return nullptr;
    }
    return reinterpret_cast<const clap_event_param_value_t*>(header);
}

#ifdef _WIN32
const char* const windowApi = CLAP_WINDOW_API_WIN32;
const FIDString viewType = kPlatformTypeHWND;
#else
const char* const windowApi = CLAP_WINDOW_API_X11;
const FIDString viewType = kPlatformTypeX11EmbedWindowID;
#endif

// A CLAP value (a step number for a stepped parameter) as the normalized value, clamped.
inline double normalizedValue(std::int32_t steps, double value) {
    const double normalized = steps > 1 ? value / steps : value;
    return normalized < 0.0 ? 0.0 : (normalized > 1.0 ? 1.0 : normalized);
}

// The most state bytes a load reads: far more than any state of the processor.
constexpr std::size_t maxStateSize = 16u << 20;

} // namespace

// --- Gesture ring ---------------------------------------------------------------------------

GestureRing::GestureRing(std::uint32_t capacity)
    : events(new GestureEvent[capacity]), size(capacity) {}

bool GestureRing::push(const GestureEvent& event) noexcept {
    const std::uint32_t at = head.load(std::memory_order_relaxed);
    const std::uint32_t next = (at + 1) % size;
    if (next == tail.load(std::memory_order_acquire)) {
        return false;
    }
    events[at] = event;
    head.store(next, std::memory_order_release);
    return true;
}

bool GestureRing::pop(GestureEvent& event) noexcept {
    const std::uint32_t at = tail.load(std::memory_order_relaxed);
    if (at == head.load(std::memory_order_acquire)) {
        return false;
    }
    event = events[at];
    tail.store((at + 1) % size, std::memory_order_release);
    return true;
}

// --- The C entries --------------------------------------------------------------------------

namespace {

Plugin* self(const clap_plugin_t* plugin) {
    return plugin ? static_cast<Plugin*>(plugin->plugin_data) : nullptr;
}

} // namespace

// Every CLAP entry: the plug-in, or the failure answer; nothing thrown escapes.
#define KV_CLAP_ENTRY(failure, plugin, body)                                                       \
    guarded(failure, [&] {                                                                         \
        Plugin* p = Plugin::from(plugin);                                                          \
        return p ? (body) : (failure);                                                             \
    })

struct Entries {
    static bool init(const clap_plugin_t* plugin) {
        return KV_CLAP_ENTRY(false, plugin, p->init());
    }
    static void destroy(const clap_plugin_t* plugin) {
        guarded(0, [&] {
            delete Plugin::from(plugin);
            return 0;
        });
    }
    static bool activate(const clap_plugin_t* plugin, double rate, uint32_t minFrames,
                         uint32_t maxFrames) {
        return KV_CLAP_ENTRY(false, plugin, p->activate(rate, minFrames, maxFrames));
    }
    static void deactivate(const clap_plugin_t* plugin) {
        KV_CLAP_ENTRY(0, plugin, (p->deactivate(), 0));
    }
    static bool startProcessing(const clap_plugin_t* plugin) {
        return KV_CLAP_ENTRY(false, plugin, p->startProcessing());
    }
    static void stopProcessing(const clap_plugin_t* plugin) {
        KV_CLAP_ENTRY(0, plugin, (p->stopProcessing(), 0));
    }
    static void reset(const clap_plugin_t*) {}
    static clap_process_status process(const clap_plugin_t* plugin, const clap_process_t* data) {
        Plugin* p = Plugin::from(plugin);
        return p && data ? p->process(*data) : CLAP_PROCESS_ERROR;
    }
    static const void* extension(const clap_plugin_t* plugin, const char* id) {
        return KV_CLAP_ENTRY(static_cast<const void*>(nullptr), plugin, p->extension(id));
    }
    static void onMainThread(const clap_plugin_t* plugin) {
        KV_CLAP_ENTRY(0, plugin, (p->onMainThread(), 0));
    }

    // audio-ports
    static uint32_t portCount(const clap_plugin_t* plugin, bool) {
        return Plugin::from(plugin) ? 1u : 0u;
    }
    static bool portInfo(const clap_plugin_t* plugin, uint32_t index, bool isInput,
                         clap_audio_port_info_t* info) {
        return KV_CLAP_ENTRY(false, plugin, p->portInfo(index, isInput, info));
    }

    // params
    static uint32_t paramCount(const clap_plugin_t* plugin) {
        return KV_CLAP_ENTRY(0u, plugin, static_cast<uint32_t>(p->count));
    }
    static bool paramInfo(const clap_plugin_t* plugin, uint32_t index, clap_param_info_t* info) {
        return KV_CLAP_ENTRY(false, plugin, info && p->paramInfo(index, *info));
    }
    static bool paramValue(const clap_plugin_t* plugin, clap_id id, double* value) {
        return KV_CLAP_ENTRY(false, plugin, value && p->paramValue(id, *value));
    }
    static bool valueToText(const clap_plugin_t* plugin, clap_id id, double value, char* display,
                            uint32_t size) {
        return KV_CLAP_ENTRY(false, plugin, p->valueToText(id, value, display, size));
    }
    static bool textToValue(const clap_plugin_t* plugin, clap_id id, const char* display,
                            double* value) {
        return KV_CLAP_ENTRY(false, plugin, value && p->textToValue(id, display, *value));
    }
    static void flush(const clap_plugin_t* plugin, const clap_input_events_t* in,
                      const clap_output_events_t* out) {
        if (Plugin* p = Plugin::from(plugin)) {
            p->flush(in, out);
        }
    }

    // state
    static bool save(const clap_plugin_t* plugin, const clap_ostream_t* stream) {
        return KV_CLAP_ENTRY(false, plugin, stream && p->save(stream));
    }
    static bool load(const clap_plugin_t* plugin, const clap_istream_t* stream) {
        return KV_CLAP_ENTRY(false, plugin, stream && p->load(stream));
    }

    // latency, tail, render
    static uint32_t latency(const clap_plugin_t* plugin) {
        return KV_CLAP_ENTRY(0u, plugin, p->latency());
    }
    static uint32_t tail(const clap_plugin_t* plugin) {
        return KV_CLAP_ENTRY(0u, plugin, static_cast<uint32_t>(p->pair->tailSamples()));
    }
    static bool hardRealtime(const clap_plugin_t*) { return false; }
    static bool setRender(const clap_plugin_t* plugin, clap_plugin_render_mode mode) {
        return KV_CLAP_ENTRY(false, plugin, p->setRender(mode));
    }

    // gui
    static bool guiSupported(const clap_plugin_t* plugin, const char* api, bool floating) {
        return KV_CLAP_ENTRY(false, plugin, p->guiSupported(api, floating));
    }
    static bool guiPreferred(const clap_plugin_t* plugin, const char** api, bool* floating) {
        return KV_CLAP_ENTRY(false, plugin, p->guiPreferred(api, floating));
    }
    static bool guiCreate(const clap_plugin_t* plugin, const char* api, bool floating) {
        return KV_CLAP_ENTRY(false, plugin, p->guiCreate(api, floating));
    }
    static void guiDestroy(const clap_plugin_t* plugin) {
        KV_CLAP_ENTRY(0, plugin, (p->guiDestroy(), 0));
    }
    static bool guiSetScale(const clap_plugin_t* plugin, double scale) {
        return KV_CLAP_ENTRY(false, plugin, p->guiSetScale(scale));
    }
    static bool guiSize(const clap_plugin_t* plugin, uint32_t* width, uint32_t* height) {
        return KV_CLAP_ENTRY(false, plugin, width && height && p->guiSize(*width, *height));
    }
    static bool guiCanResize(const clap_plugin_t*) { return false; }
    static bool guiHints(const clap_plugin_t*, clap_gui_resize_hints_t*) { return false; }
    static bool guiAdjust(const clap_plugin_t* plugin, uint32_t* width, uint32_t* height) {
        // The one size there is.
        return KV_CLAP_ENTRY(false, plugin, width && height && p->guiSize(*width, *height));
    }
    static bool guiSetSize(const clap_plugin_t* plugin, uint32_t width, uint32_t height) {
        return KV_CLAP_ENTRY(false, plugin, p->guiSetSize(width, height));
    }
    static bool guiSetParent(const clap_plugin_t* plugin, const clap_window_t* window) {
        return KV_CLAP_ENTRY(false, plugin, p->guiSetParent(window));
    }
    static bool guiSetTransient(const clap_plugin_t*, const clap_window_t*) { return false; }
    static void guiSuggestTitle(const clap_plugin_t*, const char*) {}
    static bool guiShow(const clap_plugin_t* plugin) {
        return KV_CLAP_ENTRY(false, plugin, p->guiVisible());
    }
    static bool guiHide(const clap_plugin_t* plugin) {
        return KV_CLAP_ENTRY(false, plugin, p->guiVisible());
    }

    // timer-support, posix-fd-support
    static void onTimer(const clap_plugin_t* plugin, clap_id id) {
        KV_CLAP_ENTRY(0, plugin, (p->onTimer(id), 0));
    }
    static void onFd(const clap_plugin_t* plugin, int fd, clap_posix_fd_flags_t) {
        KV_CLAP_ENTRY(0, plugin, (p->onFd(fd), 0));
    }
};

#undef KV_CLAP_ENTRY

namespace {

const clap_plugin_audio_ports_t audioPortsExtension = {&Entries::portCount, &Entries::portInfo};
const clap_plugin_params_t paramsExtension = {&Entries::paramCount,  &Entries::paramInfo,
                                              &Entries::paramValue,  &Entries::valueToText,
                                              &Entries::textToValue, &Entries::flush};
const clap_plugin_state_t stateExtension = {&Entries::save, &Entries::load};
const clap_plugin_latency_t latencyExtension = {&Entries::latency};
const clap_plugin_tail_t tailExtension = {&Entries::tail};
const clap_plugin_render_t renderExtension = {&Entries::hardRealtime, &Entries::setRender};
const clap_plugin_gui_t guiExtension = {
    &Entries::guiSupported,    &Entries::guiPreferred, &Entries::guiCreate,
    &Entries::guiDestroy,      &Entries::guiSetScale,  &Entries::guiSize,
    &Entries::guiCanResize,    &Entries::guiHints,     &Entries::guiAdjust,
    &Entries::guiSetSize,      &Entries::guiSetParent, &Entries::guiSetTransient,
    &Entries::guiSuggestTitle, &Entries::guiShow,      &Entries::guiHide};
#if SMTG_OS_LINUX
const clap_plugin_timer_support_t timerExtension = {&Entries::onTimer};
const clap_plugin_posix_fd_support_t fdExtension = {&Entries::onFd};
#endif

} // namespace

// --- Life -----------------------------------------------------------------------------------

Plugin* Plugin::from(const clap_plugin_t* plugin) {
    return self(plugin);
}

const clap_plugin_t* createPlugin(const clap_plugin_descriptor_t* descriptor,
                                  const clap_host_t* host, IPluginFactory* factory,
                                  const TUID processorId) {
    return guarded<const clap_plugin_t*>(nullptr, [&]() -> const clap_plugin_t* {
        if (!descriptor || !host || !factory || !processorId) {
            return nullptr;
        }
        return (new Plugin(descriptor, host, factory, processorId))->clapPlugin();
    });
}

Plugin::Plugin(const clap_plugin_descriptor_t* descriptor, const clap_host_t* clapHost,
               IPluginFactory* source, const TUID processor)
    : host(clapHost), factory(source) {
    std::memcpy(processorId, processor, sizeof(TUID));
    plugin.desc = descriptor;
    plugin.plugin_data = this;
    plugin.init = &Entries::init;
    plugin.destroy = &Entries::destroy;
    plugin.activate = &Entries::activate;
    plugin.deactivate = &Entries::deactivate;
    plugin.start_processing = &Entries::startProcessing;
    plugin.stop_processing = &Entries::stopProcessing;
    plugin.reset = &Entries::reset;
    plugin.process = &Entries::process;
    plugin.get_extension = &Entries::extension;
    plugin.on_main_thread = &Entries::onMainThread;
}

Plugin::~Plugin() {
    guiDestroy();
    if (pair) {
        pair->setEditListener(nullptr);
    }
    pair.reset();
    factory = nullptr;
}

template <typename Extension>
static const Extension* hostExtension(const clap_host_t* host, const char* id) {
    return host->get_extension ? static_cast<const Extension*>(host->get_extension(host, id))
                               : nullptr;
}

bool Plugin::init() {
    if (pair) {
        return false;
    }
    hostParams = hostExtension<clap_host_params_t>(host, CLAP_EXT_PARAMS);
    hostState = hostExtension<clap_host_state_t>(host, CLAP_EXT_STATE);
    hostGui = hostExtension<clap_host_gui_t>(host, CLAP_EXT_GUI);
    hostLatency = hostExtension<clap_host_latency_t>(host, CLAP_EXT_LATENCY);
    hostTimers = hostExtension<clap_host_timer_support_t>(host, CLAP_EXT_TIMER_SUPPORT);
    hostFds = hostExtension<clap_host_posix_fd_support_t>(host, CLAP_EXT_POSIX_FD_SUPPORT);

    pair = ComponentHost::create(factory, processorId);
    if (!pair) {
        return false;
    }
    pair->setEditListener(this);
    count = pair->parameterCount();
    gestureDepth.assign(static_cast<size_t>(count), 0);
    lanes.reset(new Lane[static_cast<size_t>(count)]);
    idsAreIndices = true;
    for (std::int32_t i = 0; i < count; ++i) {
        ParameterInfo info{};
        if (pair->parameterInfo(i, info)) {
            lanes[static_cast<size_t>(i)].steps = std::max<int32>(info.stepCount, 0);
        }
        idsAreIndices = idsAreIndices && pair->idAt(i) == static_cast<ParamID>(i);
    }
    slots.reset(new Slot[static_cast<size_t>(count)]);
    readControllerValues();
    for (std::int32_t i = 0; i < count; ++i) {
        lanes[static_cast<size_t>(i)].sent = slots[static_cast<size_t>(i)].value.load();
    }
    changes.reset(new PointChanges(count, 2));
    return true;
}

bool Plugin::activate(double sampleRate, std::uint32_t, std::uint32_t maxFrames) {
    if (!pair || active.load() || maxFrames == 0 || maxFrames > (1u << 24)) {
        return false;
    }
    const auto frames = static_cast<int32>(maxFrames);
    // Up to two points for every sample (one event for a parameter at each), within a bound a
    // host's claim cannot raise: past it a queue's last point takes the latest value.
    const int32 points = std::min(frames, maxEventSamples);
    std::unique_ptr<PointChanges> queues(new PointChanges(count, 2 * points + 2));
    // The width set up is no limit: each block is played in its own.
    if (!pair->setup(sampleRate, frames, false, processMode) || !pair->activate()) {
        return false;
    }
    changes = std::move(queues);
    stateLoaded.store(true);
    forProcessor.store(true);
    // Hosts read the latency after activating: it holds until the next deactivation.
    activeLatency = pair->latencySamples();
    learnedLatency = activeLatency;
    restartRequested = false;
    active.store(true);
    return true;
}

void Plugin::deactivate() {
    if (pair) {
        pair->deactivate();
    }
    const bool wasActive = active.exchange(false);
    if (pair && wasActive) {
        // A change held back while active may be told now.
        followLatency();
    }
}

std::uint32_t Plugin::latency() {
    if (active.load()) {
        return activeLatency;
    }
    learnedLatency = pair->latencySamples();
    return learnedLatency;
}

void Plugin::followLatency() {
    const std::uint32_t now = pair->latencySamples();
    if (active.load()) {
        if (now != activeLatency && !restartRequested && host->request_restart) {
            restartRequested = true;
            host->request_restart(host);
        }
        return;
    }
    if (now != learnedLatency) {
        learnedLatency = now;
        if (hostLatency && hostLatency->changed) {
            hostLatency->changed(host);
        }
    }
}

bool Plugin::startProcessing() {
    return pair && pair->startProcessing();
}

void Plugin::stopProcessing() {
    if (pair) {
        pair->stopProcessing();
    }
}

const void* Plugin::extension(const char* id) const {
    if (!id) {
        return nullptr;
    }
    const std::string name(id);
    if (name == CLAP_EXT_AUDIO_PORTS)
        return &audioPortsExtension;
    if (name == CLAP_EXT_PARAMS)
        return &paramsExtension;
    if (name == CLAP_EXT_STATE)
        return &stateExtension;
    if (name == CLAP_EXT_LATENCY)
        return &latencyExtension;
    if (name == CLAP_EXT_TAIL)
        return &tailExtension;
    if (name == CLAP_EXT_RENDER)
        return &renderExtension;
    if (name == CLAP_EXT_GUI)
        return &guiExtension;
#if SMTG_OS_LINUX
    if (name == CLAP_EXT_TIMER_SUPPORT)
        return &timerExtension;
    if (name == CLAP_EXT_POSIX_FD_SUPPORT)
        return &fdExtension;
#endif
    return nullptr;
}

void Plugin::onMainThread() {
    updateController();
    followLatency();
}

bool Plugin::setRender(clap_plugin_render_mode mode) {
    if (mode != CLAP_RENDER_REALTIME && mode != CLAP_RENDER_OFFLINE) {
        return false;
    }
    // From the next activation on: the processor learns its mode at setup.
    processMode = mode == CLAP_RENDER_OFFLINE ? kOffline : kRealtime;
    return true;
}

// --- Audio ports ----------------------------------------------------------------------------

bool Plugin::portInfo(std::uint32_t index, bool isInput, clap_audio_port_info_t* info) const {
    if (index != 0 || !info) {
        return false;
    }
    *info = clap_audio_port_info_t{};
    info->id = 0;
    Vst2Text::copyUtf8(isInput ? "Input" : "Output", info->name, CLAP_NAME_SIZE - 1);
    info->flags = CLAP_AUDIO_PORT_IS_MAIN | CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE;
    if (pair && pair->canProcess64()) {
        info->flags |= CLAP_AUDIO_PORT_SUPPORTS_64BITS;
    }
    info->channel_count = 2;
    info->port_type = CLAP_PORT_STEREO;
    info->in_place_pair = 0;
    return true;
}

// --- Parameters -----------------------------------------------------------------------------

std::int32_t Plugin::indexOf(clap_id id) const {
    // Most plug-ins number their parameters from 0: then the id is the index.
    if (idsAreIndices) {
        return id < static_cast<clap_id>(count) ? static_cast<std::int32_t>(id) : -1;
    }
    return pair ? pair->indexOf(static_cast<ParamID>(id)) : -1;
}

double Plugin::toClap(std::int32_t index, double normalized) const {
    const std::int32_t steps = lanes[static_cast<size_t>(index)].steps;
    return steps > 0 ? std::round(normalized * steps) : normalized;
}

double Plugin::toNormalized(std::int32_t index, double value) const {
    return normalizedValue(lanes[static_cast<size_t>(index)].steps, value);
}

bool Plugin::paramInfo(std::uint32_t index, clap_param_info_t& info) const {
    ParameterInfo vst{};
    if (index >= static_cast<std::uint32_t>(count) ||
        !pair->parameterInfo(static_cast<int32>(index), vst)) {
        return false;
    }
    const auto at = static_cast<std::int32_t>(index);
    info = clap_param_info_t{};
    info.id = vst.id;
    info.flags = 0;
    if (vst.flags & ParameterInfo::kCanAutomate) {
        info.flags |= CLAP_PARAM_IS_AUTOMATABLE;
    }
    if (vst.flags & ParameterInfo::kIsReadOnly) {
        info.flags |= CLAP_PARAM_IS_READONLY;
    }
    if (vst.flags & ParameterInfo::kIsWrapAround) {
        info.flags |= CLAP_PARAM_IS_PERIODIC;
    }
    if (vst.flags & ParameterInfo::kIsHidden) {
        info.flags |= CLAP_PARAM_IS_HIDDEN;
    }
    if (vst.flags & ParameterInfo::kIsBypass) {
        info.flags |= CLAP_PARAM_IS_BYPASS;
    }
    if (vst.stepCount > 0) {
        info.flags |= CLAP_PARAM_IS_STEPPED;
    }
    info.cookie = nullptr;
    Vst2Text::copyUtf16(vst.title, info.name, CLAP_NAME_SIZE - 1);
    info.module[0] = 0;
    info.min_value = 0.0;
    info.max_value = vst.stepCount > 0 ? static_cast<double>(vst.stepCount) : 1.0;
    info.default_value = toClap(at, vst.defaultNormalizedValue);
    return true;
}

bool Plugin::paramValue(clap_id id, double& value) const {
    const std::int32_t index = indexOf(id);
    if (index < 0) {
        return false;
    }
    value = toClap(index, slots[static_cast<size_t>(index)].value.load());
    return true;
}

bool Plugin::valueToText(clap_id id, double value, char* display, std::uint32_t size) const {
    const std::int32_t index = indexOf(id);
    if (index < 0 || !display || size == 0 || !std::isfinite(value)) {
        return false;
    }
    std::string text;
    if (!pair->valueToText(static_cast<ParamID>(id), toNormalized(index, value), text)) {
        return false;
    }
    Vst2Text::copyUtf8(text.c_str(), display, size - 1);
    return true;
}

bool Plugin::textToValue(clap_id id, const char* display, double& value) const {
    const std::int32_t index = indexOf(id);
    ParamValue normalized = 0.0;
    if (index < 0 || !display ||
        !pair->textToValue(static_cast<ParamID>(id), display, normalized)) {
        return false;
    }
    value = toClap(index, normalized);
    return true;
}

void Plugin::readControllerValues() {
    for (std::int32_t i = 0; i < count; ++i) {
        slots[static_cast<size_t>(i)].value.store(pair->normalized(pair->idAt(i)));
    }
}

void Plugin::updateController() {
    for (std::int32_t i = 0; i < count; ++i) {
        Slot& slot = slots[static_cast<size_t>(i)];
        if (slot.toController.exchange(false)) {
            pair->setNormalized(pair->idAt(i), slot.value.load());
        }
    }
}

void Plugin::sendGestures(const clap_output_events_t* out) noexcept {
    GestureEvent gesture{};
    while (gestures.pop(gesture)) {
        if (!out || !out->try_push) {
            continue;
        }
        if (gesture.type == CLAP_EVENT_PARAM_VALUE) {
            clap_event_param_value_t event{};
            event.header = {sizeof(event), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
            event.param_id = gesture.id;
            event.cookie = nullptr;
            event.note_id = -1;
            event.port_index = -1;
            event.channel = -1;
            event.key = -1;
            event.value = gesture.value;
            out->try_push(out, &event.header);
        } else {
            clap_event_param_gesture_t event{};
            event.header = {sizeof(event), 0, CLAP_CORE_EVENT_SPACE_ID, gesture.type, 0};
            event.param_id = gesture.id;
            out->try_push(out, &event.header);
        }
    }
}

void Plugin::flush(const clap_input_events_t* in, const clap_output_events_t* out) noexcept {
    if (!pair) {
        return;
    }
    const bool mainThread = !active.load();
    const std::uint32_t events =
        eventsToRead(in, static_cast<std::uint32_t>(maxEventSamples), count);
    bool changed = false;
    for (std::uint32_t k = 0; k < events; ++k) {
        const clap_event_param_value_t* event = paramValueAt(*in, k);
        if (!event) {
            continue;
        }
        const std::int32_t index = indexOf(event->param_id);
        if (index < 0 || !std::isfinite(event->value)) {
            continue;
        }
        // The processor's value at once, so the next save holds it and a new engine starts from
        // it; the running engine takes it as a point at the next block's start.
        const double normalized = toNormalized(index, event->value);
        pair->setProcessorValue(pair->idAt(index), normalized);
        Slot& slot = slots[static_cast<size_t>(index)];
        slot.value.store(normalized);
        slot.toProcessor.store(true);
        forProcessor.store(true);
        slot.toController.store(true);
        changed = true;
    }
    if (changed) {
        if (mainThread) {
            guarded(0, [&] {
                updateController();
                followLatency();
                return 0;
            });
        } else if (host->request_callback) {
            host->request_callback(host);
        }
    }
    sendGestures(out);
}

void Plugin::collectPoints(const clap_input_events_t* in, std::uint32_t frames) noexcept {
    changes->clear();
    Lane* const lane = lanes.get();
    // One flag says whether a state or a value waits, so a block without any reads no more.
    if (forProcessor.load(std::memory_order_relaxed) &&
        forProcessor.exchange(false, std::memory_order_acq_rel)) {
        if (stateLoaded.load(std::memory_order_relaxed) &&
            stateLoaded.exchange(false, std::memory_order_acq_rel)) {
            for (std::int32_t i = 0; i < count; ++i) {
                lane[i].sent = slots[static_cast<size_t>(i)].value.load(std::memory_order_relaxed);
            }
        }
        // Values from the editor or a flush: from the block's start.
        for (std::int32_t i = 0; i < count; ++i) {
            Slot& slot = slots[static_cast<size_t>(i)];
            if (slot.toProcessor.load(std::memory_order_relaxed) &&
                slot.toProcessor.exchange(false, std::memory_order_acquire)) {
                const double value = slot.value.load(std::memory_order_relaxed);
                changes->addPoint(pair->idAt(i), 0, value);
                lane[i].sent = value;
            }
        }
    }
    const std::uint32_t events = eventsToRead(in, frames, count);
    bool opened = false;
    // The hot loop of automated blocks: no call but the host's, nothing looked up twice.
    for (std::uint32_t k = 0; k < events; ++k) {
        const clap_event_param_value_t* event = paramValueAt(*in, k);
        if (!event) {
            continue;
        }
        const std::int32_t index = indexOf(event->param_id);
        const double clapValue = event->value;
        if (index < 0 || !std::isfinite(clapValue)) {
            continue;
        }
        Lane& at = lane[index];
        if (!at.points.isOpen()) {
            int32 ignored = 0;
            auto* queue =
                static_cast<PointQueue*>(changes->addParameterData(pair->idAt(index), ignored));
            if (!queue) {
                continue;
            }
            at.points.open(*queue);
            opened = true;
        }
        const double value = normalizedValue(at.steps, clapValue);
        const auto time =
            static_cast<int32>(std::min<std::uint32_t>(event->header.time, 0x7FFFFFFFu));
        at.points.step(time, at.sent, value);
        at.sent = value;
    }
    if (!opened) {
        return;
    }
    // The queues take their points; the main thread learns the values the block ends on.
    for (std::int32_t i = 0; i < count; ++i) {
        if (lane[i].points.isOpen()) {
            lane[i].points.close();
            Slot& slot = slots[static_cast<size_t>(i)];
            slot.value.store(lane[i].sent, std::memory_order_relaxed);
            slot.toController.store(true, std::memory_order_release);
        }
    }
    if (host->request_callback) {
        host->request_callback(host);
    }
}

template <typename Sample>
clap_process_status Plugin::processAudio(Sample* const* inputs, Sample* const* outputs,
                                         std::uint32_t frames) noexcept {
    if (pair->process(inputs, outputs, static_cast<int32>(frames), changes.get())) {
        return CLAP_PROCESS_CONTINUE;
    }
    std::fill_n(outputs[0], frames, Sample(0));
    std::fill_n(outputs[1], frames, Sample(0));
    return CLAP_PROCESS_ERROR;
}

clap_process_status Plugin::process(const clap_process_t& data) noexcept {
    if (!pair || !changes || data.frames_count > static_cast<std::uint32_t>(pair->maxBlockSize())) {
        return CLAP_PROCESS_ERROR;
    }
    collectPoints(data.in_events, data.frames_count);
    sendGestures(data.out_events);
    if (data.audio_inputs_count < 1 || data.audio_outputs_count < 1 || !data.audio_inputs ||
        !data.audio_outputs || data.audio_inputs[0].channel_count < 2 ||
        data.audio_outputs[0].channel_count < 2) {
        return CLAP_PROCESS_ERROR;
    }
    const clap_audio_buffer_t& input = data.audio_inputs[0];
    clap_audio_buffer_t& output = data.audio_outputs[0];
    output.constant_mask = 0;
    if (input.data64 && output.data64 && input.data64[0] && input.data64[1] && output.data64[0] &&
        output.data64[1]) {
        return processAudio(input.data64, output.data64, data.frames_count);
    }
    if (input.data32 && output.data32 && input.data32[0] && input.data32[1] && output.data32[0] &&
        output.data32[1]) {
        return processAudio(input.data32, output.data32, data.frames_count);
    }
    return CLAP_PROCESS_ERROR;
}

// --- Edits from the editor (main thread) ----------------------------------------------------

void Plugin::beginEdit(ParamID id) noexcept {
    const std::int32_t index = indexOf(id);
    if (index < 0 || gestureDepth[static_cast<size_t>(index)]++ > 0) {
        return;
    }
    gestures.push({CLAP_EVENT_PARAM_GESTURE_BEGIN, id, 0.0});
    if (hostParams && hostParams->request_flush) {
        hostParams->request_flush(host);
    }
}

void Plugin::performEdit(ParamID id, ParamValue value) noexcept {
    const std::int32_t index = indexOf(id);
    if (index < 0 || !std::isfinite(value)) {
        return;
    }
    const double normalized = std::clamp(value, 0.0, 1.0);
    pair->setProcessorValue(id, normalized);
    Slot& slot = slots[static_cast<size_t>(index)];
    slot.value.store(normalized);
    slot.toProcessor.store(true);
    forProcessor.store(true);
    gestures.push({CLAP_EVENT_PARAM_VALUE, id, toClap(index, normalized)});
    guarded(0, [&] {
        followLatency();
        return 0;
    });
    if (hostState && hostState->mark_dirty) {
        hostState->mark_dirty(host);
    }
    if (hostParams && hostParams->request_flush) {
        hostParams->request_flush(host);
    }
}

void Plugin::endEdit(ParamID id) noexcept {
    const std::int32_t index = indexOf(id);
    if (index < 0 || gestureDepth[static_cast<size_t>(index)] == 0 ||
        --gestureDepth[static_cast<size_t>(index)] > 0) {
        return;
    }
    gestures.push({CLAP_EVENT_PARAM_GESTURE_END, id, 0.0});
    if (hostParams && hostParams->request_flush) {
        hostParams->request_flush(host);
    }
}

void Plugin::restartComponent(int32 flags) noexcept {
    guarded(0, [&] {
        if (flags & kParamValuesChanged) {
            readControllerValues();
            if (hostParams && hostParams->rescan) {
                hostParams->rescan(host, CLAP_PARAM_RESCAN_VALUES);
            }
        }
        if (flags & kLatencyChanged) {
            followLatency();
        }
        return 0;
    });
}

// --- State ----------------------------------------------------------------------------------

bool Plugin::save(const clap_ostream_t* stream) {
    std::vector<std::uint8_t> bytes;
    if (!stream->write || !pair->getState(bytes)) {
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::int64_t written =
            stream->write(stream, bytes.data() + done, bytes.size() - done);
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

bool Plugin::load(const clap_istream_t* stream) {
    if (!stream->read) {
        return false;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[4096];
    for (;;) {
        const std::int64_t got = stream->read(stream, buffer, sizeof(buffer));
        // More than was asked for is a stream that lies: nothing it gave can be trusted.
        if (got < 0 || got > static_cast<std::int64_t>(sizeof(buffer))) {
            return false;
        }
        if (got == 0) {
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
        if (bytes.size() > maxStateSize) {
            return false;
        }
    }
    if (!pair->setState(bytes.data(), bytes.size())) {
        return false;
    }
    // The state supersedes the values the processor has not been given yet.
    for (std::int32_t i = 0; i < count; ++i) {
        slots[static_cast<size_t>(i)].toProcessor.store(false);
        slots[static_cast<size_t>(i)].toController.store(false);
    }
    readControllerValues();
    stateLoaded.store(true);
    forProcessor.store(true);
    if (hostParams && hostParams->rescan) {
        hostParams->rescan(host, CLAP_PARAM_RESCAN_VALUES);
    }
    followLatency();
    return true;
}

// --- Editor ---------------------------------------------------------------------------------

bool Plugin::guiSupported(const char* api, bool floating) const {
    if (floating || !api || std::strcmp(api, windowApi) != 0) {
        return false;
    }
#if SMTG_OS_LINUX
    // The editor's window and timers run on the host's loop: no loop, no editor.
    return hostTimers && hostTimers->register_timer && hostTimers->unregister_timer && hostFds &&
           hostFds->register_fd && hostFds->unregister_fd;
#else
    return true;
#endif
}

bool Plugin::guiPreferred(const char** api, bool* floating) const {
    if (!api || !floating) {
        return false;
    }
    *api = windowApi;
    *floating = false;
    return true;
}

bool Plugin::guiCreate(const char* api, bool floating) {
    if (view || !guiSupported(api, floating)) {
        return false;
    }
    IPtr<IPlugView> made = owned(pair->createEditor());
    if (!made || made->isPlatformTypeSupported(viewType) != kResultTrue) {
        return false;
    }
#if SMTG_OS_LINUX
    frame = owned(new EditorFrame(this, this));
#else
    frame = owned(new EditorFrame(this));
#endif
    made->setFrame(frame);
    view = made;
    if (scale != 1.0) {
        guiSetScale(scale);
    }
    return true;
}

void Plugin::guiDestroy() {
    contextMenus.setWindow(0);
    if (view) {
        if (viewAttached) {
            view->removed();
        }
        view->setFrame(nullptr);
    }
    viewAttached = false;
    view = nullptr;
    if (frame) {
        frame->clear();
        frame = nullptr;
    }
}

bool Plugin::guiSetScale(double factor) {
    if (!(factor > 0.0) || !std::isfinite(factor)) {
        return false;
    }
    scale = factor;
    if (!view) {
        return false;
    }
    FUnknownPtr<IPlugViewContentScaleSupport> scalable(view);
    return scalable &&
           scalable->setContentScaleFactor(
               static_cast<IPlugViewContentScaleSupport::ScaleFactor>(factor)) == kResultOk;
}

bool Plugin::guiSize(std::uint32_t& width, std::uint32_t& height) const {
    ViewRect size;
    if (!view || view->getSize(&size) != kResultOk || size.getWidth() <= 0 ||
        size.getHeight() <= 0) {
        return false;
    }
    width = static_cast<std::uint32_t>(size.getWidth());
    height = static_cast<std::uint32_t>(size.getHeight());
    return true;
}

bool Plugin::guiSetSize(std::uint32_t width, std::uint32_t height) {
    std::uint32_t currentWidth = 0;
    std::uint32_t currentHeight = 0;
    return guiSize(currentWidth, currentHeight) && width == currentWidth && height == currentHeight;
}

bool Plugin::guiSetParent(const clap_window_t* window) {
    if (!view || !window || !window->api || std::strcmp(window->api, windowApi) != 0) {
        return false;
    }
    contextMenus.setWindow(0);
    if (viewAttached) {
        view->removed();
        viewAttached = false;
    }
#ifdef _WIN32
    void* parent = window->win32;
#else
    void* parent = reinterpret_cast<void*>(window->x11);
#endif
    if (!parent) {
        return false;
    }
    viewAttached = view->attached(parent, viewType) == kResultOk;
    if (viewAttached) {
        // The editor fills the host's window from its corner: the menu's coordinates are its.
        contextMenus.setWindow(reinterpret_cast<std::uintptr_t>(parent));
    }
    return viewAttached;
}

IContextMenu* Plugin::createContextMenu(IPlugView* /*menuView*/, const ParamID* /*id*/) noexcept {
    return guarded<IContextMenu*>(nullptr, [&] { return contextMenus.create(); });
}

bool Plugin::guiVisible() const {
    // The embedded window is shown and hidden with the host's; the editor is there or not.
    return viewAttached;
}

bool Plugin::resizeEditor(int32 width, int32 height) noexcept {
    if (!hostGui || !hostGui->request_resize) {
        return false;
    }
    return hostGui->request_resize(host, static_cast<std::uint32_t>(width),
                                   static_cast<std::uint32_t>(height));
}

void Plugin::onTimer(clap_id id) {
#if SMTG_OS_LINUX
    if (frame) {
        frame->timerDue(id);
    }
#else
    (void)id;
#endif
}

void Plugin::onFd(int fd) {
#if SMTG_OS_LINUX
    if (frame) {
        frame->fdReady(fd);
    }
#else
    (void)fd;
#endif
}

#if SMTG_OS_LINUX

bool Plugin::watchFd(int fd) noexcept {
    return hostFds && hostFds->register_fd &&
           hostFds->register_fd(host, fd, CLAP_POSIX_FD_READ | CLAP_POSIX_FD_ERROR);
}

void Plugin::unwatchFd(int fd) noexcept {
    if (hostFds && hostFds->unregister_fd) {
        hostFds->unregister_fd(host, fd);
    }
}

bool Plugin::startTimer(std::uint32_t milliseconds, std::uint64_t& token) noexcept {
    clap_id id = CLAP_INVALID_ID;
    if (!hostTimers || !hostTimers->register_timer ||
        !hostTimers->register_timer(host, milliseconds, &id)) {
        return false;
    }
    token = id;
    return true;
}

void Plugin::stopTimer(std::uint64_t token) noexcept {
    if (hostTimers && hostTimers->unregister_timer) {
        hostTimers->unregister_timer(host, static_cast<clap_id>(token));
    }
}

#endif

} // namespace kelvane::wrappers::clap
