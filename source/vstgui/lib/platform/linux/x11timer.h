#pragma once

#include "vstgui/lib/platform/iplatformtimer.h"
#include "vstgui/lib/platform/linux/x11runloop.h"

namespace VSTGUI::X11 {

// A timer of the current run loop (the one the open editor entered): start() registers it with
// that loop for its period, stop() unregisters it. Without a run loop it does not start.
class Timer : public IPlatformTimer, private ITimerHandler {
public:
    explicit Timer(IPlatformTimerCallback* callback);
    ~Timer() override;
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // A running timer changes its period, on the loop it runs on.
    bool start(std::uint32_t fireTime) override;
    bool stop() override;

private:
    void onTimer() override;

    IPlatformTimerCallback* callback;
    SharedPointer<IRunLoop> runLoop;
};

} // namespace VSTGUI::X11
