#include "runloopframe.h"

#include <algorithm>

#include <poll.h>

namespace linuxgui {

using namespace Steinberg;

tresult PLUGIN_API RunLoopFrame::resizeView(IPlugView* view, ViewRect* newSize) {
    if (view == nullptr || newSize == nullptr)
        return kInvalidArgument;
    resizes.push_back(*newSize);
    return view->onSize(newSize);
}

tresult PLUGIN_API RunLoopFrame::queryInterface(const TUID iid, void** obj) {
    if (FUnknownPrivate::iidEqual(iid, IPlugFrame::iid) ||
        FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
        addRef();
        *obj = static_cast<IPlugFrame*>(this);
        return kResultOk;
    }
    if (runLoop && FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid)) {
        addRef();
        *obj = static_cast<Linux::IRunLoop*>(this);
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

bool RunLoopFrame::watching(Linux::IEventHandler* handler) const {
    return std::any_of(watches.begin(), watches.end(),
                       [&](const Watch& watch) { return watch.handler == handler; });
}

bool RunLoopFrame::timing(Linux::ITimerHandler* handler) const {
    return std::any_of(timers.begin(), timers.end(),
                       [&](const Timer& timer) { return timer.handler == handler; });
}

tresult PLUGIN_API RunLoopFrame::registerEventHandler(Linux::IEventHandler* handler,
                                                      Linux::FileDescriptor fd) {
    if (handler == nullptr || watching(handler))
        return kInvalidArgument;
    handler->addRef();
    watches.push_back({handler, fd});
    ++registrations;
    return kResultOk;
}

tresult PLUGIN_API RunLoopFrame::unregisterEventHandler(Linux::IEventHandler* handler) {
    const auto found = std::find_if(watches.begin(), watches.end(),
                                    [&](const Watch& watch) { return watch.handler == handler; });
    if (found == watches.end())
        return kInvalidArgument;
    watches.erase(found);
    ++unregistrations;
    handler->release();
    return kResultOk;
}

tresult PLUGIN_API RunLoopFrame::registerTimer(Linux::ITimerHandler* handler,
                                               Linux::TimerInterval milliseconds) {
    if (handler == nullptr || milliseconds == 0 || timing(handler))
        return kInvalidArgument;
    handler->addRef();
    timers.push_back(
        {handler, milliseconds, Clock::now() + std::chrono::milliseconds(milliseconds)});
    ++registrations;
    return kResultOk;
}

tresult PLUGIN_API RunLoopFrame::unregisterTimer(Linux::ITimerHandler* handler) {
    const auto found = std::find_if(timers.begin(), timers.end(),
                                    [&](const Timer& timer) { return timer.handler == handler; });
    if (found == timers.end())
        return kInvalidArgument;
    timers.erase(found);
    ++unregistrations;
    handler->release();
    return kResultOk;
}

std::vector<Linux::TimerInterval> RunLoopFrame::intervals() const {
    std::vector<Linux::TimerInterval> result;
    for (const Timer& timer : timers)
        result.push_back(timer.interval);
    return result;
}

void RunLoopFrame::dispatchOnce(Clock::time_point until) {
    Clock::time_point wake = until;
    for (const Timer& timer : timers)
        wake = std::min(wake, timer.due);
    std::vector<pollfd> polled;
    const std::vector<Watch> watched = watches;
    for (const Watch& watch : watched)
        polled.push_back({watch.fd, POLLIN, 0});
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(wake - Clock::now());
    const int timeout = static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, wait.count()));
    if (poll(polled.data(), polled.size(), timeout) > 0) {
        for (std::size_t i = 0; i < polled.size(); ++i) {
            // A handler may have unregistered another (or itself) meanwhile.
            if (polled[i].revents != 0 && watching(watched[i].handler))
                watched[i].handler->onFDIsSet(watched[i].fd);
        }
    }
    const Clock::time_point now = Clock::now();
    std::vector<Linux::ITimerHandler*> due;
    for (Timer& timer : timers) {
        if (timer.due <= now) {
            timer.due = now + std::chrono::milliseconds(timer.interval);
            due.push_back(timer.handler);
        }
    }
    for (auto* handler : due) {
        if (!timing(handler))
            continue;
        ++timerTicks;
        handler->onTimer();
    }
}

void RunLoopFrame::run(std::chrono::milliseconds duration) {
    const Clock::time_point until = Clock::now() + duration;
    do
        dispatchOnce(until);
    while (Clock::now() < until);
}

bool RunLoopFrame::runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const Clock::time_point until = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() >= until)
            return false;
        dispatchOnce(std::min(until, Clock::now() + std::chrono::milliseconds(10)));
    }
    return true;
}

} // namespace linuxgui
