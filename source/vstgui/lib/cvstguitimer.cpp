#include "vstgui/lib/cvstguitimer.h"

#include "vstgui/lib/platform/iplatformfactory.h"

#include <utility>

namespace VSTGUI {

IdStringPtr CVSTGUITimer::kMsgTimer = "timer fired";

CVSTGUITimer::CVSTGUITimer(CBaseObject* target, std::uint32_t period, bool doStart)
    : fireTime(period), timerObject(target) {
    if (doStart)
        start();
}

CVSTGUITimer::CVSTGUITimer(CallbackFunc function, std::uint32_t period, bool doStart)
    : fireTime(period), callback(std::move(function)) {
    if (doStart)
        start();
}

CVSTGUITimer::~CVSTGUITimer() {
    stop();
}

bool CVSTGUITimer::start() {
    if (platformTimer)
        return true;
    auto timer = getPlatformFactory().createTimer(this);
    if (!timer || !timer->start(fireTime))
        return false;
    platformTimer = std::move(timer);
    return true;
}

bool CVSTGUITimer::stop() {
    if (!platformTimer)
        return false;
    platformTimer->stop();
    platformTimer.reset();
    return true;
}

bool CVSTGUITimer::setFireTime(std::uint32_t newFireTime) {
    fireTime = newFireTime;
    if (!platformTimer)
        return true;
    // The running platform timer takes the new period (it keeps the loop it runs on).
    if (platformTimer->start(fireTime))
        return true;
    stop();
    return false;
}

void CVSTGUITimer::fire() {
    // The platform's timer procedure is the boundary: nothing may escape into it. The timer
    // holds itself while it calls out, so that being forgotten there cannot delete it under us.
    try {
        SharedPointer<CVSTGUITimer> self(this);
        if (timerObject != nullptr)
            timerObject->notify(this, kMsgTimer);
        else if (callback)
            callback(this);
    } catch (...) {
    }
}

} // namespace VSTGUI
