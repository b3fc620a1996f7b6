#pragma once

// A small CLAP host for the tests: it loads a module through its one export (dlopen or
// LoadLibraryW, clap_entry), offers the host extensions a plug-in may ask for (each can be
// withheld), records what the plug-in asks of it, and hands process() event lists.

#include "clap/entry.h"
#include "clap/events.h"
#include "clap/ext/gui.h"
#include "clap/ext/latency.h"
#include "clap/ext/params.h"
#include "clap/ext/state.h"
#include "clap/ext/timer-support.h"
#include "clap/host.h"
#include "clap/plugin-factory.h"
#include "clap/stream.h"

#include "wrappers/clap/substitutes/clapext.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace claphost {

// The module under test: TIVRANDEL_CLAP_MODULE from the environment, else the built one.
std::string modulePath();

class Module {
public:
    explicit Module(const std::string& path);
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    const clap_plugin_entry_t* entry() const { return pluginEntry; }
    const clap_plugin_factory_t* factory() const { return pluginFactory; }
    bool loaded() const { return pluginFactory != nullptr; }

private:
    void* handle = nullptr;
    const clap_plugin_entry_t* pluginEntry = nullptr;
    const clap_plugin_factory_t* pluginFactory = nullptr;
};

struct HostOptions {
    bool timers = true;
    bool fds = true;
};

class Host {
public:
    explicit Host(HostOptions options = {});

    const clap_host_t* clap() const { return &host; }

    // Runs the plug-in's due timers and ready descriptors once (the GUI's run loop).
    void runLoop(const clap_plugin_t* plugin);

    std::atomic<int> callbackRequests{0};
    std::atomic<int> restartRequests{0};
    std::atomic<int> flushRequests{0};
    // latency.changed calls, and those that came while the test had the plug-in active (which
    // CLAP forbids); the test says when it activates and deactivates.
    int latencyChanges = 0;
    int latencyChangesWhileActive = 0;
    bool pluginActive = false;
    int dirtyMarks = 0;
    int rescans = 0;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> resizeRequests;
    struct Timer {
        std::uint32_t period;
    };
    std::map<clap_id, Timer> timers;
    std::map<int, std::uint32_t> fds;
    clap_id nextTimer = 1;

private:
    static Host* from(const clap_host_t* host);
    clap_host_t host{};
    clap_host_params_t params{};
    clap_host_state_t state{};
    clap_host_gui_t gui{};
    clap_host_latency_t latency{};
    clap_host_timer_support_t timerSupport{};
    clap_host_posix_fd_support_t fdSupport{};
    HostOptions options;
};

// The input events of one block, and a recorder of its output events.
class InputEvents {
public:
    InputEvents();
    void addValue(std::uint32_t time, clap_id id, double value);
    void addRaw(const clap_event_header_t& header, std::size_t size);
    void clear() { storage.clear(), offsets.clear(); }
    std::size_t size() const { return offsets.size(); }
    const clap_input_events_t* list() const { return &events; }

private:
    std::vector<std::uint64_t> storage; // 8-byte aligned events
    std::vector<std::size_t> offsets;   // in bytes
    clap_input_events_t events{};
};

class OutputEvents {
public:
    OutputEvents();
    const clap_output_events_t* list() const { return &events; }
    struct Recorded {
        std::uint16_t type;
        clap_id id;
        double value;
    };
    std::vector<Recorded> recorded;

private:
    clap_output_events_t events{};
};

// Streams over a byte vector; a reader can be made to fail, or to answer more bytes than it was
// asked for (as a broken host's may).
class OutputStream {
public:
    OutputStream();
    const clap_ostream_t* stream() const { return &out; }
    std::vector<std::uint8_t> bytes;
    std::size_t chunk = 7; // writes take at most this many bytes, as a host's may

private:
    clap_ostream_t out{};
};

class InputStream {
public:
    explicit InputStream(std::vector<std::uint8_t> data);
    const clap_istream_t* stream() const { return &in; }
    bool failing = false;
    std::uint64_t overstated = 0; // added to every answer

private:
    std::vector<std::uint8_t> bytes;
    std::size_t position = 0;
    clap_istream_t in{};
};

template <typename Extension>
const Extension* extension(const clap_plugin_t* plugin, const char* id) {
    return static_cast<const Extension*>(plugin->get_extension(plugin, id));
}

} // namespace claphost
