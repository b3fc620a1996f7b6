// Windows' timers of the view layer, ticking in the thread's message loop.

#include "vstgui/lib/platform/win32/win32timer.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace VSTGUI {
namespace {

void pump(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

// Pumps until done() or, on a machine too busy to tick in time, 5 seconds have passed.
void pumpUntil(const std::function<bool()>& done) {
    const DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < 5000)
        pump(10);
}

struct Callback : IPlatformTimerCallback {
    void fire() override {
        ++fired;
        if (onFire)
            onFire();
    }
    int fired = 0;
    std::function<void()> onFire;
};

TEST(Win32Timer, TicksUntilStoppedAndMayStopOrDeleteItselfWhileFiring) {
    const std::size_t before = Win32Timer::runningCount();
    Callback ticking;
    Win32Timer timer(&ticking);
    ASSERT_TRUE(timer.start(20));
    ASSERT_TRUE(timer.start(10)); // a new period, still one timer
    EXPECT_EQ(Win32Timer::runningCount(), before + 1);
    pumpUntil([&] { return ticking.fired >= 3; });
    EXPECT_GE(ticking.fired, 3);
    EXPECT_TRUE(timer.stop());
    EXPECT_FALSE(timer.stop());
    const int fired = ticking.fired;
    pump(60);
    EXPECT_EQ(ticking.fired, fired);

    Callback stopping;
    Win32Timer stopped(&stopping);
    stopping.onFire = [&] { stopped.stop(); };
    Callback deleting;
    auto deleted = std::make_unique<Win32Timer>(&deleting);
    deleting.onFire = [&] { deleted.reset(); };
    ASSERT_TRUE(stopped.start(10));
    ASSERT_TRUE(deleted->start(10));
    pumpUntil([&] { return stopping.fired > 0 && deleting.fired > 0; });
    pump(60); // time for a tick too many
    EXPECT_EQ(stopping.fired, 1);
    EXPECT_EQ(deleting.fired, 1);
    EXPECT_EQ(deleted, nullptr);
    EXPECT_EQ(Win32Timer::runningCount(), before);

    // Destroyed while running: no tick reaches its callback afterwards.
    Callback orphan;
    {
        Win32Timer brief(&orphan);
        ASSERT_TRUE(brief.start(5));
    }
    pump(60);
    EXPECT_EQ(orphan.fired, 0);
}

} // namespace
} // namespace VSTGUI
