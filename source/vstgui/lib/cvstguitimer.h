#pragma once

#include "vstgui/lib/platform/iplatformtimer.h"
#include "vstgui/lib/vstguibase.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace VSTGUI {

// A repeating timer on the user-interface thread. Each period it sends its object the message
// kMsgTimer (compare the pointer, not the text), or calls its callback. The window system's
// timer comes from the platform factory; where there is none, start() answers false.
class CVSTGUITimer : public CBaseObject, private IPlatformTimerCallback {
public:
    using CallbackFunc = std::function<void(CVSTGUITimer*)>;

    static IdStringPtr kMsgTimer;

    // target is not owned; it must outlive the timer's running.
    explicit CVSTGUITimer(CBaseObject* target, std::uint32_t period = 100, bool doStart = false);
    explicit CVSTGUITimer(CallbackFunc function, std::uint32_t period = 100, bool doStart = true);

    bool start();
    bool stop();
    bool isRunning() const { return platformTimer != nullptr; }
    // A new period takes effect at the next start(), or at once when running.
    bool setFireTime(std::uint32_t newFireTime);
    std::uint32_t getFireTime() const { return fireTime; }

protected:
    ~CVSTGUITimer() override;

private:
    void fire() override;

    std::uint32_t fireTime;
    CBaseObject* timerObject = nullptr;
    CallbackFunc callback;
    std::unique_ptr<IPlatformTimer> platformTimer;
};

} // namespace VSTGUI
