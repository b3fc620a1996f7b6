#pragma once

// The Linux run loop (Steinberg::Linux::IRunLoop) that an adapter gives a VST3 editor through
// its plug-in frame, when the host of the other format owns the event loop:
//
// - a host that watches descriptors and runs timers for the plug-in (CLAP's posix-fd-support
//   and timer-support) is told of every registration through the Observer, and calls
//   fdReady(fd) and timerDue(token) when they fire;
// - a host that only idles the plug-in (LV2's idle interface) calls idle(), which handles the
//   readable descriptors and the timers that are due without waiting.
//
// Handlers may unregister themselves or others while they run. Main thread only.

#include "base/source/fobject.h"
#include "pluginterfaces/gui/iplugview.h"

#include <chrono>
#include <cstdint>
#include <vector>

namespace kelvane::wrappers {

#if SMTG_OS_LINUX

class RunLoop : public Steinberg::FObject, public Steinberg::Linux::IRunLoop {
public:
    class Observer {
    public:
        virtual ~Observer() = default;
        // false refuses the registration.
        virtual bool watchFd(int fd) noexcept = 0;
        virtual void unwatchFd(int fd) noexcept = 0;
        // token: what the observer passes to timerDue later.
        virtual bool startTimer(std::uint32_t milliseconds, std::uint64_t& token) noexcept = 0;
        virtual void stopTimer(std::uint64_t token) noexcept = 0;
    };

    // Without an observer the loop is driven by idle().
    explicit RunLoop(Observer* hostLoop = nullptr) : observer(hostLoop) {}
    ~RunLoop() override;

    // Drops every registration (telling the observer); the handlers are released.
    void clear();

    void fdReady(int fd);
    void timerDue(std::uint64_t token);
    void idle();

    std::size_t watchCount() const { return watches.size(); }
    std::size_t timerCount() const { return timers.size(); }

    Steinberg::tresult PLUGIN_API registerEventHandler(
        Steinberg::Linux::IEventHandler* handler, Steinberg::Linux::FileDescriptor fd) override;
    Steinberg::tresult PLUGIN_API
    unregisterEventHandler(Steinberg::Linux::IEventHandler* handler) override;
    Steinberg::tresult PLUGIN_API
    registerTimer(Steinberg::Linux::ITimerHandler* handler,
                  Steinberg::Linux::TimerInterval milliseconds) override;
    Steinberg::tresult PLUGIN_API
    unregisterTimer(Steinberg::Linux::ITimerHandler* handler) override;

    OBJ_METHODS(RunLoop, Steinberg::FObject)
    DEFINE_INTERFACES
    DEF_INTERFACE(Steinberg::Linux::IRunLoop)
    END_DEFINE_INTERFACES(Steinberg::FObject)
    REFCOUNT_METHODS(Steinberg::FObject)

private:
    using Clock = std::chrono::steady_clock;
    struct Watch {
        Steinberg::IPtr<Steinberg::Linux::IEventHandler> handler;
        int fd;
    };
    struct Timer {
        Steinberg::IPtr<Steinberg::Linux::ITimerHandler> handler;
        Clock::duration interval;
        Clock::time_point due;
        std::uint64_t token;
    };
    bool watching(Steinberg::Linux::IEventHandler* handler, int fd) const;
    bool timing(Steinberg::Linux::ITimerHandler* handler) const;
    bool fdInUse(int fd) const;

    Observer* observer;
    std::vector<Watch> watches;
    std::vector<Timer> timers;
    std::uint64_t nextToken = 1;
};

#endif

} // namespace kelvane::wrappers
