#include "clap/claphost.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <poll.h>
#endif

namespace claphost {

std::string modulePath() {
    const char* path = std::getenv("TIVRANDEL_CLAP_MODULE");
    return path && *path ? path : TIVRANDEL_CLAP_PATH;
}

Module::Module(const std::string& path) {
#ifdef _WIN32
    // Built on Linux, run under Wine, whose drive Z: is the Linux root.
    std::string converted = path;
    if (!converted.empty() && converted.front() == '/')
        converted.insert(0, "Z:");
    std::replace(converted.begin(), converted.end(), '/', '\\');
    const int size = MultiByteToWideChar(CP_UTF8, 0, converted.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, converted.c_str(), -1, wide.data(), size);
    handle = LoadLibraryW(wide.c_str());
    if (handle) {
        pluginEntry = reinterpret_cast<const clap_plugin_entry_t*>(
            GetProcAddress(static_cast<HMODULE>(handle), "clap_entry"));
    }
#else
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle) {
        pluginEntry = static_cast<const clap_plugin_entry_t*>(dlsym(handle, "clap_entry"));
    }
#endif
    if (pluginEntry && pluginEntry->init(path.c_str())) {
        pluginFactory = static_cast<const clap_plugin_factory_t*>(
            pluginEntry->get_factory(CLAP_PLUGIN_FACTORY_ID));
        if (!pluginFactory) {
            pluginEntry->deinit();
        }
    }
}

Module::~Module() {
    if (pluginFactory) {
        pluginEntry->deinit();
    }
#ifdef _WIN32
    if (handle)
        FreeLibrary(static_cast<HMODULE>(handle));
#else
    if (handle)
        dlclose(handle);
#endif
}

Host* Host::from(const clap_host_t* host) {
    return static_cast<Host*>(host->host_data);
}

Host::Host(HostOptions chosen) : options(chosen) {
    host.clap_version = CLAP_VERSION;
    host.host_data = this;
    host.name = "Test host";
    host.vendor = "Kelvane";
    host.url = "";
    host.version = "1";
    host.get_extension = [](const clap_host_t* h, const char* id) -> const void* {
        Host* self = from(h);
        if (!std::strcmp(id, CLAP_EXT_PARAMS))
            return &self->params;
        if (!std::strcmp(id, CLAP_EXT_STATE))
            return &self->state;
        if (!std::strcmp(id, CLAP_EXT_GUI))
            return &self->gui;
        if (!std::strcmp(id, CLAP_EXT_LATENCY))
            return &self->latency;
        if (!std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) && self->options.timers)
            return &self->timerSupport;
        if (!std::strcmp(id, CLAP_EXT_POSIX_FD_SUPPORT) && self->options.fds)
            return &self->fdSupport;
        return nullptr;
    };
    host.request_restart = [](const clap_host_t* h) { ++from(h)->restartRequests; };
    host.request_process = [](const clap_host_t*) {};
    host.request_callback = [](const clap_host_t* h) { ++from(h)->callbackRequests; };
    params.rescan = [](const clap_host_t* h, clap_param_rescan_flags) { ++from(h)->rescans; };
    params.clear = [](const clap_host_t*, clap_id, clap_param_clear_flags) {};
    params.request_flush = [](const clap_host_t* h) { ++from(h)->flushRequests; };
    state.mark_dirty = [](const clap_host_t* h) { ++from(h)->dirtyMarks; };
    latency.changed = [](const clap_host_t* h) {
        Host* self = from(h);
        ++self->latencyChanges;
        self->latencyChangesWhileActive += self->pluginActive ? 1 : 0;
    };
    gui.resize_hints_changed = [](const clap_host_t*) {};
    gui.request_resize = [](const clap_host_t* h, uint32_t width, uint32_t height) {
        from(h)->resizeRequests.push_back({width, height});
        return true;
    };
    gui.request_show = [](const clap_host_t*) { return false; };
    gui.request_hide = [](const clap_host_t*) { return false; };
    gui.closed = [](const clap_host_t*, bool) {};
    timerSupport.register_timer = [](const clap_host_t* h, uint32_t period, clap_id* id) {
        Host* self = from(h);
        *id = self->nextTimer++;
        self->timers[*id] = {period};
        return true;
    };
    timerSupport.unregister_timer = [](const clap_host_t* h, clap_id id) {
        return from(h)->timers.erase(id) == 1;
    };
    fdSupport.register_fd = [](const clap_host_t* h, int fd, clap_posix_fd_flags_t flags) {
        return from(h)->fds.emplace(fd, flags).second;
    };
    fdSupport.modify_fd = [](const clap_host_t* h, int fd, clap_posix_fd_flags_t flags) {
        auto found = from(h)->fds.find(fd);
        if (found == from(h)->fds.end())
            return false;
        found->second = flags;
        return true;
    };
    fdSupport.unregister_fd = [](const clap_host_t* h, int fd) {
        return from(h)->fds.erase(fd) == 1;
    };
}

void Host::runLoop(const clap_plugin_t* plugin) {
#ifndef _WIN32
    const auto* fdExtension =
        extension<clap_plugin_posix_fd_support_t>(plugin, CLAP_EXT_POSIX_FD_SUPPORT);
    if (fdExtension) {
        std::vector<pollfd> polled;
        for (const auto& [fd, flags] : fds) {
            polled.push_back({fd, POLLIN, 0});
        }
        if (!polled.empty() && poll(polled.data(), polled.size(), 0) > 0) {
            for (const pollfd& entry : polled) {
                if (entry.revents != 0 && fds.count(entry.fd)) {
                    fdExtension->on_fd(plugin, entry.fd, CLAP_POSIX_FD_READ);
                }
            }
        }
    }
    const auto* timerExtension =
        extension<clap_plugin_timer_support_t>(plugin, CLAP_EXT_TIMER_SUPPORT);
    if (timerExtension) {
        std::vector<clap_id> ids;
        for (const auto& [id, timer] : timers) {
            ids.push_back(id);
        }
        for (clap_id id : ids) {
            if (timers.count(id)) {
                timerExtension->on_timer(plugin, id);
            }
        }
    }
#else
    (void)plugin;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
#endif
}

InputEvents::InputEvents() {
    events.ctx = this;
    events.size = [](const clap_input_events_t* list) {
        return static_cast<uint32_t>(static_cast<const InputEvents*>(list->ctx)->offsets.size());
    };
    events.get = [](const clap_input_events_t* list, uint32_t index) -> const clap_event_header_t* {
        const auto* self = static_cast<const InputEvents*>(list->ctx);
        if (index >= self->offsets.size())
            return nullptr;
        return reinterpret_cast<const clap_event_header_t*>(
            reinterpret_cast<const char*>(self->storage.data()) + self->offsets[index]);
    };
}

void InputEvents::addRaw(const clap_event_header_t& header, std::size_t size) {
    const std::size_t at = storage.size() * 8;
    storage.resize(storage.size() + (size + 7) / 8);
    std::memcpy(reinterpret_cast<char*>(storage.data()) + at, &header, size);
    offsets.push_back(at);
}

void InputEvents::addValue(std::uint32_t time, clap_id id, double value) {
    clap_event_param_value_t event{};
    event.header = {sizeof(event), time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    event.param_id = id;
    event.note_id = -1;
    event.port_index = -1;
    event.channel = -1;
    event.key = -1;
    event.value = value;
    addRaw(event.header, sizeof(event));
}

OutputEvents::OutputEvents() {
    events.ctx = this;
    events.try_push = [](const clap_output_events_t* list, const clap_event_header_t* header) {
        auto* self = static_cast<OutputEvents*>(list->ctx);
        if (header->type == CLAP_EVENT_PARAM_VALUE) {
            const auto* event = reinterpret_cast<const clap_event_param_value_t*>(header);
            self->recorded.push_back({header->type, event->param_id, event->value});
        } else if (header->type == CLAP_EVENT_PARAM_GESTURE_BEGIN ||
                   header->type == CLAP_EVENT_PARAM_GESTURE_END) {
            const auto* event = reinterpret_cast<const clap_event_param_gesture_t*>(header);
            self->recorded.push_back({header->type, event->param_id, 0.0});
        }
        return true;
    };
}

OutputStream::OutputStream() {
    out.ctx = this;
    out.write = [](const clap_ostream_t* stream, const void* buffer, uint64_t size) -> int64_t {
        auto* self = static_cast<OutputStream*>(stream->ctx);
        const auto taken = std::min<uint64_t>(size, self->chunk);
        const auto* data = static_cast<const std::uint8_t*>(buffer);
        self->bytes.insert(self->bytes.end(), data, data + taken);
        return static_cast<int64_t>(taken);
    };
}

InputStream::InputStream(std::vector<std::uint8_t> data) : bytes(std::move(data)) {
    in.ctx = this;
    in.read = [](const clap_istream_t* stream, void* buffer, uint64_t size) -> int64_t {
        auto* self = static_cast<InputStream*>(stream->ctx);
        if (self->failing)
            return -1;
        const auto taken = std::min<uint64_t>(size, self->bytes.size() - self->position);
        if (taken > 0)
            std::memcpy(buffer, self->bytes.data() + self->position, taken);
        self->position += taken;
        return static_cast<int64_t>(taken + self->overstated);
    };
}

} // namespace claphost
