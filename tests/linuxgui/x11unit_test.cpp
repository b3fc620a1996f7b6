// The X platform's pieces that need no display: the run loop seam between host and views, the
// X timer, the VST 2 run loop (the editor frame that effEditIdle drives) and the mapping of X
// button states.

#include "runloopframe.h"

#include "wrappers/common/editorframe.h"

#include "public.sdk/source/vst/vstguirunloop.h"
#include "vstgui/lib/cvstguitimer.h"
#include "vstgui/lib/platform/linux/x11factory.h"
#include "vstgui/lib/platform/linux/x11frame.h"
#include "vstgui/lib/platform/linux/x11runloop.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace linuxgui {
namespace {

using namespace std::chrono_literals;
using namespace VSTGUI;
using Steinberg::kResultTrue;

// A view-layer run loop that only records.
class RecordingLoop : public X11::IRunLoop {
public:
    bool registerEventHandler(int, X11::IEventHandler*) override { return true; }
    bool unregisterEventHandler(X11::IEventHandler*) override { return true; }
    bool registerTimer(std::uint64_t interval, X11::ITimerHandler* handler) override {
        timers.push_back(handler);
        intervals.push_back(interval);
        return true;
    }
    bool unregisterTimer(X11::ITimerHandler* handler) override {
        timers.erase(std::find(timers.begin(), timers.end(), handler));
        return true;
    }
    std::vector<X11::ITimerHandler*> timers;
    std::vector<std::uint64_t> intervals;
};

TEST(X11RunLoopTest, TimersStartOnTheCurrentLoopAndMayDeleteThemselvesWhenFiring) {
    int fired = 0;
    auto timer = makeOwned<CVSTGUITimer>([&](CVSTGUITimer*) { ++fired; }, 50, false);
    EXPECT_FALSE(timer->start()); // no editor has entered a loop

    auto first = makeOwned<RecordingLoop>();
    auto second = makeOwned<RecordingLoop>();
    X11::RunLoop::enter(first.get());
    X11::RunLoop::enter(second.get());
    X11::RunLoop::exit(first.get()); // editors need not close in order
    EXPECT_EQ(X11::RunLoop::current().get(), second.get());
    ASSERT_TRUE(timer->start());
    EXPECT_EQ(second->intervals, std::vector<std::uint64_t>{50});
    // A new period while running: the same loop, whatever is current now.
    X11::RunLoop::exit(second.get());
    EXPECT_FALSE(X11::RunLoop::current());
    ASSERT_TRUE(timer->setFireTime(20));
    EXPECT_EQ(second->intervals, (std::vector<std::uint64_t>{50, 20}));
    ASSERT_EQ(second->timers.size(), 1u);
    second->timers[0]->onTimer();
    EXPECT_EQ(fired, 1);
    EXPECT_TRUE(timer->stop());
    EXPECT_TRUE(second->timers.empty());

    // A timer whose tick releases the last reference to it.
    X11::RunLoop::enter(second.get());
    auto* dying = new CVSTGUITimer([](CVSTGUITimer* self) { self->forget(); }, 10, true);
    ASSERT_EQ(second->timers.size(), 1u);
    second->timers[0]->onTimer();
    EXPECT_TRUE(second->timers.empty());
    (void)dying;
    X11::RunLoop::exit(second.get());
}

TEST(X11RunLoopTest, TheHostsLoopIsOfferedWhileTheConfigurationLives) {
    EXPECT_EQ(Steinberg::Vst::makeFrameConfig(nullptr), nullptr);
    RunLoopFrame without(false);
    EXPECT_EQ(Steinberg::Vst::makeFrameConfig(&without), nullptr);

    RunLoopFrame host;
    int fired = 0;
    auto timer = makeOwned<CVSTGUITimer>([&](CVSTGUITimer*) { ++fired; }, 10, false);
    auto selfStopping =
        makeOwned<CVSTGUITimer>([](CVSTGUITimer* self) { self->stop(); }, 10, false);
    {
        auto config = Steinberg::Vst::makeFrameConfig(&host);
        ASSERT_NE(config, nullptr);
        auto* x11 = dynamic_cast<X11::FrameConfig*>(config.get());
        ASSERT_NE(x11, nullptr);
        EXPECT_EQ(X11::RunLoop::current().get(), x11->runLoop.get());
        ASSERT_TRUE(timer->start());
        ASSERT_TRUE(selfStopping->start());
        EXPECT_EQ(host.timerCount(), 2u);
        // Waited for rather than timed: a loaded machine only makes the ticks late.
        EXPECT_TRUE(host.runUntil([&] { return fired >= 2 && host.timerCount() == 1u; }, 5s));
        EXPECT_EQ(host.timerCount(), 1u); // the other stopped itself at its first tick
        // The last user goes with the timer still registered: the host is told.
        timer->stop();
        ASSERT_TRUE(timer->start());
    }
    EXPECT_FALSE(X11::RunLoop::current());
    // The timer keeps its loop, and with it the host's, until it stops.
    EXPECT_EQ(host.timerCount(), 1u);
    timer->stop();
    EXPECT_EQ(host.timerCount(), 0u);
    EXPECT_EQ(host.registrations, host.unregistrations);
    EXPECT_EQ(host.references, 0u);
}

// Counts its calls; unregisters itself from loop at the first when asked to.
class Handler : public Steinberg::FObject,
                public Steinberg::Linux::IEventHandler,
                public Steinberg::Linux::ITimerHandler {
public:
    void PLUGIN_API onFDIsSet(Steinberg::Linux::FileDescriptor) override {
        ++events;
        if (leave)
            loop->unregisterEventHandler(this);
    }
    void PLUGIN_API onTimer() override {
        ++ticks;
        if (leave)
            loop->unregisterTimer(this);
    }
    int events = 0;
    int ticks = 0;
    bool leave = false;
    kelvane::wrappers::EditorFrame* loop = nullptr;

    OBJ_METHODS(Handler, FObject)
    DEFINE_INTERFACES
    DEF_INTERFACE(Steinberg::Linux::IEventHandler)
    DEF_INTERFACE(Steinberg::Linux::ITimerHandler)
    END_DEFINE_INTERFACES(FObject)
    REFCOUNT_METHODS(FObject)
};

TEST(Vst2RunLoopTest, IdleHandlesReadableDescriptorsAndDueTimersWithoutWaiting) {
    auto frame = Steinberg::owned(new kelvane::wrappers::EditorFrame(nullptr));
    auto reader = Steinberg::owned(new Handler);
    auto ticker = Steinberg::owned(new Handler);
    reader->loop = ticker->loop = frame;
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    ASSERT_EQ(frame->registerEventHandler(reader, pipeEnds[0]), kResultTrue);
    EXPECT_NE(frame->registerEventHandler(reader, pipeEnds[0]), kResultTrue); // once only
    ASSERT_EQ(frame->registerTimer(ticker, 20), kResultTrue);
    EXPECT_NE(frame->registerTimer(ticker, 0), kResultTrue);

    frame->idle();
    EXPECT_EQ(reader->events, 0);
    EXPECT_EQ(ticker->ticks, 0); // not due yet
    ASSERT_EQ(write(pipeEnds[1], "x", 1), 1);
    usleep(25'000);
    frame->idle();
    EXPECT_EQ(reader->events, 1);
    EXPECT_EQ(ticker->ticks, 1);

    // Handlers that leave during their call are not called again.
    reader->leave = ticker->leave = true;
    usleep(25'000);
    frame->idle();
    frame->idle();
    EXPECT_EQ(reader->events, 2);
    EXPECT_EQ(ticker->ticks, 2);
    EXPECT_NE(frame->unregisterEventHandler(reader), kResultTrue);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
}

TEST(X11FrameTest, ButtonStatesAndParentsThatAreNoWindows) {
    using X11::Frame;
    EXPECT_EQ(Frame::buttonsOf(XCB_BUTTON_MASK_1 | XCB_MOD_MASK_SHIFT)(), kLButton | kShift);
    EXPECT_EQ(Frame::buttonsOf(XCB_BUTTON_MASK_2 | XCB_BUTTON_MASK_3 | XCB_MOD_MASK_CONTROL |
                               XCB_MOD_MASK_1 | XCB_MOD_MASK_LOCK)(),
              kMButton | kRButton | kControl | kAlt);
    EXPECT_EQ(Frame::buttonOf(1)(), kLButton);
    EXPECT_EQ(Frame::buttonOf(2)(), kMButton);
    EXPECT_EQ(Frame::buttonOf(3)(), kRButton);
    EXPECT_EQ(Frame::buttonOf(8)(), kButton4);
    for (std::uint8_t wheel = 4; wheel <= 7; ++wheel)
        EXPECT_EQ(Frame::buttonOf(wheel)(), 0);

    // Refused before any display is asked: no parent, a pointer, another kind of parent.
    const X11::Factory factory;
    int notAWindow = 0;
    const CRect size(0, 0, 10, 10);
    EXPECT_EQ(factory.createFrame(nullptr, size, reinterpret_cast<void*>(std::uintptr_t(5)),
                                  PlatformType::kX11EmbedWindowID, nullptr),
              nullptr);
    EXPECT_EQ(
        factory.createFrame(nullptr, size, &notAWindow, PlatformType::kDefaultNative, nullptr),
        nullptr);
    EXPECT_EQ(factory.createFrame(nullptr, size, reinterpret_cast<void*>(std::uintptr_t(5)),
                                  PlatformType::kHWND, nullptr),
              nullptr);
}

TEST(X11FrameTest, TwoPressesOfOneButtonSoonAndNearMakeADoubleClick) {
    X11::DoubleClicks clicks;
    EXPECT_FALSE(clicks.press(1, 1000, 50, 50));
    EXPECT_TRUE(clicks.press(1, 1400, 55, 45));  // at the limits of time and place
    EXPECT_FALSE(clicks.press(1, 1500, 55, 45)); // a third press starts a new pair
    EXPECT_TRUE(clicks.press(1, 1600, 55, 45));
    // Too late, too far, another button.
    EXPECT_FALSE(clicks.press(1, 3000, 0, 0));
    EXPECT_FALSE(clicks.press(1, 3401, 0, 0));
    EXPECT_FALSE(clicks.press(1, 3500, 6, 0));
    EXPECT_FALSE(clicks.press(3, 3600, 6, 0));
    EXPECT_TRUE(clicks.press(3, 3700, 6, 0));
    // The server's clock wraps around.
    EXPECT_FALSE(clicks.press(1, 0xFFFFFF00u, 10, 10));
    EXPECT_TRUE(clicks.press(1, 0x40u, 10, 10));
}

} // namespace
} // namespace linuxgui
