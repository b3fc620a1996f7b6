#pragma once

#include "vstgui/lib/platform/iplatformframe.h"
#include "vstgui/lib/vstguibase.h"

#include <cstdint>

namespace VSTGUI::X11 {

// Called when the file descriptor it was registered for is readable.
class IEventHandler {
public:
    virtual void onEvent() = 0;

protected:
    ~IEventHandler() = default;
};

// Called every period of the timer it was registered as. onTimer() may unregister the handler,
// or delete its owner.
class ITimerHandler {
public:
    virtual void onTimer() = 0;

protected:
    ~ITimerHandler() = default;
};

// The event loop of the user-interface thread, as the host offers it: X has none of its own, so
// windows register their connection's descriptor and timers their period with the host's loop.
// Handlers are not owned; whoever registers one unregisters it before it goes away.
class IRunLoop : public CBaseObject {
public:
    virtual bool registerEventHandler(int fd, IEventHandler* handler) = 0;
    virtual bool unregisterEventHandler(IEventHandler* handler) = 0;
    virtual bool registerTimer(std::uint64_t intervalMilliseconds, ITimerHandler* handler) = 0;
    virtual bool unregisterTimer(ITimerHandler* handler) = 0;
};

// What a frame opens with on X: the run loop its window's events arrive through. Without one
// the frame uses the current run loop, and without that it paints once when it opens.
struct FrameConfig : IPlatformFrameConfig {
    SharedPointer<IRunLoop> runLoop;
};

// The run loops of the editors that are open, for what starts without a config (timers): the
// one entered last and not yet left is current. Each enter() is balanced by an exit() of the
// same loop; a loop may be entered more than once. User-interface thread only.
class RunLoop {
public:
    static void enter(IRunLoop* runLoop);
    static void exit(IRunLoop* runLoop);
    // The current run loop, or null when no editor has entered one.
    static SharedPointer<IRunLoop> current();
};

} // namespace VSTGUI::X11
