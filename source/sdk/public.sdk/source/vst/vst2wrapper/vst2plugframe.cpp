#include "public.sdk/source/vst/vst2wrapper/vst2plugframe.h"

#include <algorithm>

#if SMTG_OS_LINUX
#include <poll.h>
#endif

namespace Steinberg {
namespace Vst {

tresult PLUGIN_API Vst2PlugFrame::resizeView(IPlugView* view, ViewRect* newSize) {
    // The editor has one size, which the host read with effEditGetRect.
    return view && newSize ? kResultTrue : kInvalidArgument;
}

#if SMTG_OS_LINUX

bool Vst2PlugFrame::watching(Linux::IEventHandler* handler) const {
    return std::any_of(watches.begin(), watches.end(),
                       [&](const Watch& watch) { return watch.handler == handler; });
}

bool Vst2PlugFrame::timing(Linux::ITimerHandler* handler) const {
    return std::any_of(timers.begin(), timers.end(),
                       [&](const Timer& timer) { return timer.handler == handler; });
}

tresult PLUGIN_API Vst2PlugFrame::registerEventHandler(Linux::IEventHandler* handler,
                                                       Linux::FileDescriptor fd) {
    if (!handler || fd < 0 || watching(handler)) {
        return kInvalidArgument;
    }
    watches.push_back({handler, fd});
    return kResultTrue;
}

tresult PLUGIN_API Vst2PlugFrame::unregisterEventHandler(Linux::IEventHandler* handler) {
    const auto found = std::find_if(watches.begin(), watches.end(),
                                    [&](const Watch& watch) { return watch.handler == handler; });
    if (found == watches.end()) {
        return kInvalidArgument;
    }
    watches.erase(found);
    return kResultTrue;
}

tresult PLUGIN_API Vst2PlugFrame::registerTimer(Linux::ITimerHandler* handler,
                                                Linux::TimerInterval milliseconds) {
    if (!handler || milliseconds == 0 || timing(handler)) {
        return kInvalidArgument;
    }
    const auto interval = std::chrono::milliseconds(milliseconds);
    timers.push_back({handler, interval, Clock::now() + interval});
    return kResultTrue;
}

tresult PLUGIN_API Vst2PlugFrame::unregisterTimer(Linux::ITimerHandler* handler) {
    const auto found = std::find_if(timers.begin(), timers.end(),
                                    [&](const Timer& timer) { return timer.handler == handler; });
    if (found == timers.end()) {
        return kInvalidArgument;
    }
    timers.erase(found);
    return kResultTrue;
}

void Vst2PlugFrame::idle() {
    // Handlers may unregister themselves or others: each is called from a copy, and only while it
    // is still registered.
    std::vector<pollfd> polled;
    const std::vector<Watch> watched = watches;
    for (const Watch& watch : watched) {
        polled.push_back({watch.fd, POLLIN, 0});
    }
    if (!polled.empty() && poll(polled.data(), polled.size(), 0) > 0) {
        for (std::size_t i = 0; i < polled.size(); ++i) {
            if (polled[i].revents != 0 && watching(watched[i].handler)) {
                watched[i].handler->onFDIsSet(watched[i].fd);
            }
        }
    }
    const auto now = Clock::now();
    std::vector<IPtr<Linux::ITimerHandler>> due;
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

#else

void Vst2PlugFrame::idle() {}

#endif

} // namespace Vst
} // namespace Steinberg
