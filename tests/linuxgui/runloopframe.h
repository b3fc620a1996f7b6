#pragma once

#include "pluginterfaces/gui/iplugview.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <vector>

namespace linuxgui {

// A host's window frame for a plug-in view, with the host's run loop: a small poll() loop over
// the registered descriptors and timers that the test drives. It holds a reference to each
// registered handler, as hosts do, and counts what was registered. Without offersRunLoop it
// answers only IPlugFrame. Lives on the stack: counting references deletes nothing.
class RunLoopFrame : public Steinberg::IPlugFrame, public Steinberg::Linux::IRunLoop {
public:
    using Clock = std::chrono::steady_clock;

    explicit RunLoopFrame(bool offersRunLoop = true) : runLoop(offersRunLoop) {}
    virtual ~RunLoopFrame() = default;

    Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view,
                                             Steinberg::ViewRect* newSize) override;

    Steinberg::tresult PLUGIN_API registerEventHandler(
        Steinberg::Linux::IEventHandler* handler, Steinberg::Linux::FileDescriptor fd) override;
    Steinberg::tresult PLUGIN_API
    unregisterEventHandler(Steinberg::Linux::IEventHandler* handler) override;
    Steinberg::tresult PLUGIN_API
    registerTimer(Steinberg::Linux::ITimerHandler* handler,
                  Steinberg::Linux::TimerInterval milliseconds) override;
    Steinberg::tresult PLUGIN_API
    unregisterTimer(Steinberg::Linux::ITimerHandler* handler) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return ++references; }
    Steinberg::uint32 PLUGIN_API release() override { return --references; }

    // Calls the handlers of readable descriptors and of due timers for duration.
    void run(std::chrono::milliseconds duration);
    // Runs until done() holds (checked between dispatches) or limit has passed; done()'s answer.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

    std::size_t eventHandlerCount() const { return watches.size(); }
    std::size_t timerCount() const { return timers.size(); }
    std::vector<Steinberg::Linux::TimerInterval> intervals() const;
    int timerTicks = 0;
    int registrations = 0;
    int unregistrations = 0;
    std::vector<Steinberg::ViewRect> resizes;
    Steinberg::uint32 references = 0;

private:
    struct Watch {
        Steinberg::Linux::IEventHandler* handler;
        Steinberg::Linux::FileDescriptor fd;
    };
    struct Timer {
        Steinberg::Linux::ITimerHandler* handler;
        Steinberg::Linux::TimerInterval interval;
        Clock::time_point due;
    };
    // One round: waits at most until the next timer is due or until, then dispatches.
    void dispatchOnce(Clock::time_point until);
    bool watching(Steinberg::Linux::IEventHandler* handler) const;
    bool timing(Steinberg::Linux::ITimerHandler* handler) const;

    bool runLoop;
    std::vector<Watch> watches;
    std::vector<Timer> timers;
};

} // namespace linuxgui
