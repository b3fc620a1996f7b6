#include "wrappers/common/editorframe.h"
#include "wrappers/common/runloop.h"

#include <gtest/gtest.h>

#if SMTG_OS_LINUX

#include <unistd.h>

#include <map>
#include <set>

namespace {

using namespace Steinberg;
using namespace Steinberg::Linux;
using kelvane::wrappers::RunLoop;

class Recorder : public RunLoop::Observer {
public:
    bool watchFd(int fd) noexcept override {
        if (refuse)
            return false;
        return fds.insert(fd).second;
    }
    void unwatchFd(int fd) noexcept override { fds.erase(fd); }
    bool startTimer(std::uint32_t milliseconds, std::uint64_t& token) noexcept override {
        if (refuse)
            return false;
        token = 100 + nextId++;
        periods[token] = milliseconds;
        return true;
    }
    void stopTimer(std::uint64_t token) noexcept override { periods.erase(token); }

    bool refuse = false;
    std::set<int> fds;
    std::map<std::uint64_t, std::uint32_t> periods;
    std::uint64_t nextId = 0;
};

class Handler : public FObject, public IEventHandler, public ITimerHandler {
public:
    void PLUGIN_API onFDIsSet(FileDescriptor fd) override {
        lastFd = fd;
        ++events;
        if (loop && unregisterOnEvent)
            loop->unregisterEventHandler(this);
    }
    void PLUGIN_API onTimer() override { ++ticks; }

    RunLoop* loop = nullptr;
    bool unregisterOnEvent = false;
    int events = 0;
    int ticks = 0;
    int lastFd = -1;

    OBJ_METHODS(Handler, FObject)
    DEFINE_INTERFACES
    DEF_INTERFACE(IEventHandler)
    DEF_INTERFACE(ITimerHandler)
    END_DEFINE_INTERFACES(FObject)
    REFCOUNT_METHODS(FObject)
};

TEST(RunLoop, TellsTheHostOfRegistrationsAndDispatchesWhatItReports) {
    Recorder host;
    IPtr<RunLoop> loop = owned(new RunLoop(&host));
    IPtr<Handler> first = owned(new Handler());
    IPtr<Handler> second = owned(new Handler());
    EXPECT_EQ(loop->registerEventHandler(first, 5), kResultTrue);
    EXPECT_EQ(loop->registerEventHandler(second, 5), kResultTrue); // one host watch for both
    EXPECT_EQ(loop->registerEventHandler(first, 5), kInvalidArgument);
    EXPECT_EQ(loop->registerEventHandler(first, -1), kInvalidArgument);
    EXPECT_EQ(host.fds, std::set<int>{5});
    loop->fdReady(5);
    loop->fdReady(6);
    EXPECT_EQ(first->events, 1);
    EXPECT_EQ(second->events, 1);
    EXPECT_EQ(loop->unregisterEventHandler(first), kResultTrue);
    EXPECT_EQ(host.fds, std::set<int>{5});
    EXPECT_EQ(loop->unregisterEventHandler(second), kResultTrue);
    EXPECT_TRUE(host.fds.empty());
    EXPECT_EQ(loop->unregisterEventHandler(second), kInvalidArgument);

    EXPECT_EQ(loop->registerTimer(first, 0), kInvalidArgument);
    EXPECT_EQ(loop->registerTimer(first, 16), kResultTrue);
    EXPECT_EQ(loop->registerTimer(first, 16), kInvalidArgument);
    ASSERT_EQ(host.periods.size(), 1u);
    EXPECT_EQ(host.periods.begin()->second, 16u);
    loop->timerDue(host.periods.begin()->first);
    loop->timerDue(12345);
    EXPECT_EQ(first->ticks, 1);

    // Whatever is left is given back when the loop goes.
    EXPECT_EQ(loop->registerEventHandler(second, 9), kResultTrue);
    loop = nullptr;
    EXPECT_TRUE(host.fds.empty());
    EXPECT_TRUE(host.periods.empty());
}

TEST(RunLoop, RefusedByTheHostMeansNotRegistered) {
    Recorder host;
    host.refuse = true;
    IPtr<RunLoop> loop = owned(new RunLoop(&host));
    IPtr<Handler> handler = owned(new Handler());
    EXPECT_EQ(loop->registerEventHandler(handler, 3), kResultFalse);
    EXPECT_EQ(loop->registerTimer(handler, 10), kResultFalse);
    EXPECT_EQ(loop->watchCount(), 0u);
    EXPECT_EQ(loop->timerCount(), 0u);
}

TEST(RunLoop, IdleHandlesReadableDescriptorsAndDueTimers) {
    IPtr<RunLoop> loop = owned(new RunLoop());
    IPtr<Handler> handler = owned(new Handler());
    handler->loop = loop;
    handler->unregisterOnEvent = true;
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    EXPECT_EQ(loop->registerEventHandler(handler, pipeEnds[0]), kResultTrue);
    EXPECT_EQ(loop->registerTimer(handler, 1), kResultTrue);
    loop->idle();
    EXPECT_EQ(handler->events, 0);
    ASSERT_EQ(write(pipeEnds[1], "x", 1), 1);
    usleep(3000);
    loop->idle();
    EXPECT_EQ(handler->events, 1);
    EXPECT_EQ(handler->lastFd, pipeEnds[0]);
    EXPECT_GE(handler->ticks, 1);
    EXPECT_EQ(loop->watchCount(), 0u); // it unregistered itself while running
    loop->clear();
    loop = nullptr;
    close(pipeEnds[0]);
    close(pipeEnds[1]);
}

struct Sizes : kelvane::wrappers::Resizer {
    bool resizeEditor(int32 width, int32 height) noexcept override {
        asked = {width, height};
        return agree;
    }
    std::pair<int32, int32> asked{0, 0};
    bool agree = true;
};

class SizedView : public FObject, public IPlugView {
public:
    tresult PLUGIN_API isPlatformTypeSupported(FIDString) override { return kResultTrue; }
    tresult PLUGIN_API attached(void*, FIDString) override { return kResultOk; }
    tresult PLUGIN_API removed() override { return kResultOk; }
    tresult PLUGIN_API onWheel(float) override { return kResultFalse; }
    tresult PLUGIN_API onKeyDown(char16, int16, int16) override { return kResultFalse; }
    tresult PLUGIN_API onKeyUp(char16, int16, int16) override { return kResultFalse; }
    tresult PLUGIN_API getSize(ViewRect* size) override {
        *size = current;
        return kResultOk;
    }
    tresult PLUGIN_API onSize(ViewRect* size) override {
        current = *size;
        return kResultOk;
    }
    tresult PLUGIN_API onFocus(TBool) override { return kResultOk; }
    tresult PLUGIN_API setFrame(IPlugFrame*) override { return kResultOk; }
    tresult PLUGIN_API canResize() override { return kResultFalse; }
    tresult PLUGIN_API checkSizeConstraint(ViewRect*) override { return kResultOk; }
    ViewRect current{0, 0, 10, 10};
    OBJ_METHODS(SizedView, FObject)
    DEFINE_INTERFACES
    DEF_INTERFACE(IPlugView)
    END_DEFINE_INTERFACES(FObject)
    REFCOUNT_METHODS(FObject)
};

TEST(EditorFrame, ResizesOnlyWhenTheHostAgreesAndIsTheRunLoop) {
    Sizes sizes;
    Recorder host;
    IPtr<kelvane::wrappers::EditorFrame> frame =
        owned(new kelvane::wrappers::EditorFrame(&sizes, &host));
    IPtr<SizedView> view = owned(new SizedView());
    ViewRect bigger(0, 0, 20, 30);
    EXPECT_EQ(frame->resizeView(view, &bigger), kResultTrue);
    EXPECT_EQ(sizes.asked, std::make_pair(20, 30));
    EXPECT_EQ(view->current.getHeight(), 30);
    sizes.agree = false;
    ViewRect smaller(0, 0, 5, 5);
    EXPECT_EQ(frame->resizeView(view, &smaller), kResultFalse);
    EXPECT_EQ(view->current.getHeight(), 30);
    EXPECT_EQ(frame->resizeView(view, nullptr), kInvalidArgument);

    IRunLoop* loop = nullptr;
    ASSERT_EQ(frame->queryInterface(IRunLoop::iid, reinterpret_cast<void**>(&loop)), kResultOk);
    IPtr<Handler> handler = owned(new Handler());
    EXPECT_EQ(loop->registerEventHandler(handler, 4), kResultTrue);
    EXPECT_EQ(host.fds, std::set<int>{4});
    loop->release();
    IPlugFrame* plugFrame = nullptr;
    EXPECT_EQ(frame->queryInterface(IPlugFrame::iid, reinterpret_cast<void**>(&plugFrame)),
              kResultOk);
    plugFrame->release();
    frame->clear();
    EXPECT_TRUE(host.fds.empty());
}

} // namespace

#endif
