#include "vstgui/lib/platform/linux/x11timer.h"

namespace VSTGUI::X11 {

Timer::Timer(IPlatformTimerCallback* target) : callback(target) {}

Timer::~Timer() {
    stop();
}

bool Timer::start(std::uint32_t fireTime) {
    if (callback == nullptr || fireTime == 0)
        return false;
    SharedPointer<IRunLoop> loop = runLoop ? runLoop : RunLoop::current();
    stop();
    if (!loop || !loop->registerTimer(fireTime, this))
        return false;
    runLoop = loop;
    return true;
}

bool Timer::stop() {
    if (!runLoop)
        return false;
    SharedPointer<IRunLoop> loop = std::move(runLoop);
    runLoop = SharedPointer<IRunLoop>();
    loop->unregisterTimer(this);
    return true;
}

void Timer::onTimer() {
    // The run loop is the boundary: nothing may escape into it. fire() may stop or delete this
    // timer, so nothing of it is touched afterwards.
    try {
        callback->fire();
    } catch (...) {
    }
}

} // namespace VSTGUI::X11
