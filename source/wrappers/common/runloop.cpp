#include "wrappers/common/runloop.h"

#if SMTG_OS_LINUX

#include <algorithm>
#include <poll.h>

namespace kelvane::wrappers {

using namespace Steinberg;
using namespace Steinberg::Linux;

RunLoop::~RunLoop() {
    clear();
}

void RunLoop::clear() {
    const std::vector<Watch> oldWatches = std::move(watches);
    const std::vector<Timer> oldTimers = std::move(timers);
    watches.clear();
    timers.clear();
    if (observer) {
        for (auto watch = oldWatches.begin(); watch != oldWatches.end(); ++watch) {
            if (std::none_of(oldWatches.begin(), watch,
                             [&](const Watch& earlier) { return earlier.fd == watch->fd; })) {
                observer->unwatchFd(watch->fd);
            }
        }
        for (const Timer& timer : oldTimers) {
            observer->stopTimer(timer.token);
        }
    }
}

bool RunLoop::watching(IEventHandler* handler, int fd) const {
    return std::any_of(watches.begin(), watches.end(), [&](const Watch& watch) {
        return watch.handler == handler && watch.fd == fd;
    });
}

bool RunLoop::timing(ITimerHandler* handler) const {
    return std::any_of(timers.begin(), timers.end(),
                       [&](const Timer& timer) { return timer.handler == handler; });
}

bool RunLoop::fdInUse(int fd) const {
    return std::any_of(watches.begin(), watches.end(),
                       [&](const Watch& watch) { return watch.fd == fd; });
}

tresult PLUGIN_API RunLoop::registerEventHandler(IEventHandler* handler, FileDescriptor fd) {
    if (!handler || fd < 0 || watching(handler, fd)) {
        return kInvalidArgument;
    }
    // One host registration per descriptor, however many handlers watch it.
    if (observer && !fdInUse(fd) && !observer->watchFd(fd)) {
        return kResultFalse;
    }
    watches.push_back({handler, fd});
    return kResultTrue;
}

tresult PLUGIN_API RunLoop::unregisterEventHandler(IEventHandler* handler) {
    bool found = false;
    for (auto it = watches.begin(); it != watches.end();) {
        if (it->handler == handler) {
            const int fd = it->fd;
            it = watches.erase(it);
            found = true;
            if (observer && !fdInUse(fd)) {
                observer->unwatchFd(fd);
            }
        } else {
            ++it;
        }
    }
    return found ? kResultTrue : kInvalidArgument;
}

tresult PLUGIN_API RunLoop::registerTimer(ITimerHandler* handler, TimerInterval milliseconds) {
    if (!handler || milliseconds == 0 || timing(handler)) {
        return kInvalidArgument;
    }
    std::uint64_t token = nextToken++;
    if (observer && !observer->startTimer(static_cast<std::uint32_t>(milliseconds), token)) {
        return kResultFalse;
    }
    const auto interval = std::chrono::milliseconds(milliseconds);
    timers.push_back({handler, interval, Clock::now() + interval, token});
    return kResultTrue;
}

tresult PLUGIN_API RunLoop::unregisterTimer(ITimerHandler* handler) {
    const auto found = std::find_if(timers.begin(), timers.end(),
                                    [&](const Timer& timer) { return timer.handler == handler; });
    if (found == timers.end()) {
        return kInvalidArgument;
    }
    const std::uint64_t token = found->token;
    timers.erase(found);
    if (observer) {
        observer->stopTimer(token);
    }
    return kResultTrue;
}

void RunLoop::fdReady(int fd) {
    // From a copy: a handler may change the registrations.
    std::vector<IPtr<IEventHandler>> ready;
    for (const Watch& watch : watches) {
        if (watch.fd == fd) {
            ready.push_back(watch.handler);
        }
    }
    for (const auto& handler : ready) {
        if (watching(handler, fd)) {
            handler->onFDIsSet(fd);
        }
    }
}

void RunLoop::timerDue(std::uint64_t token) {
    const auto found = std::find_if(timers.begin(), timers.end(),
                                    [&](const Timer& timer) { return timer.token == token; });
    if (found != timers.end()) {
        const IPtr<ITimerHandler> handler = found->handler;
        handler->onTimer();
    }
}

void RunLoop::idle() {
    std::vector<pollfd> polled;
    const std::vector<Watch> watched = watches;
    for (const Watch& watch : watched) {
        polled.push_back({watch.fd, POLLIN, 0});
    }
    if (!polled.empty() && poll(polled.data(), polled.size(), 0) > 0) {
        for (std::size_t i = 0; i < polled.size(); ++i) {
            if (polled[i].revents != 0 && watching(watched[i].handler, watched[i].fd)) {
                watched[i].handler->onFDIsSet(watched[i].fd);
            }
        }
    }
    const auto now = Clock::now();
    std::vector<IPtr<ITimerHandler>> due;
    for (Timer& timer : timers) {
        if (timer.due <= now) {
            // A host that idles rarely gets one tick, not a burst of them.
            timer.due = std::max(timer.due + timer.interval, now);
            due.push_back(timer.handler);
        }
    }
    for (const auto& handler : due) {
        if (timing(handler)) {
            handler->onTimer();
        }
    }
}

} // namespace kelvane::wrappers

#endif
