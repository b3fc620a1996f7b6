#pragma once

#include "vstgui/lib/platform/iplatformtimer.h"

#include <cstddef>
#include <cstdint>

namespace VSTGUI {

// A Windows thread timer (SetTimer without a window) of the user-interface thread: the host's
// message loop dispatches its WM_TIMER, whose procedure finds the timer by its id. A timer that
// is stopped or deleted (also from its own fire()) is no longer found, so a tick still queued
// for it is dropped.
class Win32Timer : public IPlatformTimer {
public:
    explicit Win32Timer(IPlatformTimerCallback* callback);
    ~Win32Timer() override;
    Win32Timer(const Win32Timer&) = delete;
    Win32Timer& operator=(const Win32Timer&) = delete;

    bool start(std::uint32_t fireTime) override;
    bool stop() override;

    // How many timers are running in the process (for tests).
    static std::size_t runningCount();

private:
    IPlatformTimerCallback* callback;
    std::uintptr_t id = 0;
};

} // namespace VSTGUI
