#include "public.sdk/source/vst/vstguirunloop.h"

#if SMTG_OS_LINUX

#include "base/source/fobject.h"

#include "vstgui/lib/platform/linux/x11runloop.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace Steinberg::Vst {
namespace {

namespace X11 = VSTGUI::X11;

// The host calls these; each passes the call on to its handler until that is unregistered. The
// host may hold one a little longer (or be inside its call while the handler goes away).
class EventForwarder final : public FObject, public Linux::IEventHandler {
public:
    explicit EventForwarder(X11::IEventHandler* handler) : target(handler) {}
    void PLUGIN_API onFDIsSet(Linux::FileDescriptor) override {
        IPtr<EventForwarder> self(this);
        if (target != nullptr)
            target->onEvent();
    }
    X11::IEventHandler* target;

    OBJ_METHODS(EventForwarder, FObject)
    DEFINE_INTERFACES
    DEF_INTERFACE(Linux::IEventHandler)
    END_DEFINE_INTERFACES(FObject)
    REFCOUNT_METHODS(FObject)
};

class TimerForwarder final : public FObject, public Linux::ITimerHandler {
public:
    explicit TimerForwarder(X11::ITimerHandler* handler) : target(handler) {}
    void PLUGIN_API onTimer() override {
        IPtr<TimerForwarder> self(this);
        if (target != nullptr)
            target->onTimer();
    }
    X11::ITimerHandler* target;

    OBJ_METHODS(TimerForwarder, FObject)
    DEFINE_INTERFACES
    DEF_INTERFACE(Linux::ITimerHandler)
    END_DEFINE_INTERFACES(FObject)
    REFCOUNT_METHODS(FObject)
};

// Unregisters every handler still registered when the last user lets it go.
class HostRunLoop final : public X11::IRunLoop {
public:
    explicit HostRunLoop(Linux::IRunLoop* runLoop) : host(runLoop) {}
    ~HostRunLoop() override {
        for (auto& entry : events) {
            entry.second->target = nullptr;
            host->unregisterEventHandler(entry.second);
        }
        for (auto& entry : timers) {
            entry.second->target = nullptr;
            host->unregisterTimer(entry.second);
        }
    }

    bool registerEventHandler(int fd, X11::IEventHandler* handler) override {
        return add(events, handler, [&](EventForwarder* forwarder) {
            return host->registerEventHandler(forwarder, fd);
        });
    }
    bool unregisterEventHandler(X11::IEventHandler* handler) override {
        return remove(events, handler, [&](EventForwarder* forwarder) {
            return host->unregisterEventHandler(forwarder);
        });
    }
    bool registerTimer(std::uint64_t interval, X11::ITimerHandler* handler) override {
        return add(timers, handler, [&](TimerForwarder* forwarder) {
            return host->registerTimer(forwarder, interval);
        });
    }
    bool unregisterTimer(X11::ITimerHandler* handler) override {
        return remove(timers, handler,
                      [&](TimerForwarder* forwarder) { return host->unregisterTimer(forwarder); });
    }

private:
    template <typename Handler, typename Forwarder, typename Register>
    static bool add(std::vector<std::pair<Handler*, IPtr<Forwarder>>>& list, Handler* handler,
                    Register hostRegister) {
        if (handler == nullptr || std::any_of(list.begin(), list.end(), [&](const auto& entry) {
                return entry.first == handler;
            }))
            return false;
        auto forwarder = owned(new Forwarder(handler));
        if (hostRegister(forwarder.get()) != kResultOk) {
            forwarder->target = nullptr;
            return false;
        }
        list.emplace_back(handler, std::move(forwarder));
        return true;
    }

    template <typename Handler, typename Forwarder, typename Unregister>
    static bool remove(std::vector<std::pair<Handler*, IPtr<Forwarder>>>& list, Handler* handler,
                       Unregister hostUnregister) {
        const auto found = std::find_if(list.begin(), list.end(),
                                        [&](const auto& entry) { return entry.first == handler; });
        if (found == list.end())
            return false;
        IPtr<Forwarder> forwarder = std::move(found->second);
        list.erase(found);
        forwarder->target = nullptr;
        hostUnregister(forwarder.get());
        return true;
    }

    IPtr<Linux::IRunLoop> host;
    std::vector<std::pair<X11::IEventHandler*, IPtr<EventForwarder>>> events;
    std::vector<std::pair<X11::ITimerHandler*, IPtr<TimerForwarder>>> timers;
};

class HostFrameConfig final : public X11::FrameConfig {
public:
    explicit HostFrameConfig(Linux::IRunLoop* host) {
        runLoop = VSTGUI::SharedPointer<X11::IRunLoop>(new HostRunLoop(host), false);
        X11::RunLoop::enter(runLoop.get());
    }
    ~HostFrameConfig() override { X11::RunLoop::exit(runLoop.get()); }
};

} // namespace

std::unique_ptr<VSTGUI::IPlatformFrameConfig> makeFrameConfig(IPlugFrame* plugFrame) {
    if (plugFrame == nullptr)
        return nullptr;
    Linux::IRunLoop* host = nullptr;
    if (plugFrame->queryInterface(Linux::IRunLoop::iid, reinterpret_cast<void**>(&host)) !=
            kResultOk ||
        host == nullptr)
        return nullptr;
    auto config = std::make_unique<HostFrameConfig>(host);
    host->release(); // the run loop holds its own reference
    return config;
}

} // namespace Steinberg::Vst

#else

namespace Steinberg::Vst {

std::unique_ptr<VSTGUI::IPlatformFrameConfig> makeFrameConfig(IPlugFrame*) {
    return nullptr;
}

} // namespace Steinberg::Vst

#endif
