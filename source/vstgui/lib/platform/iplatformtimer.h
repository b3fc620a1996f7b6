#pragma once

#include <cstdint>

namespace VSTGUI {

// What a platform timer calls each period. fire() may stop the timer or delete it: the platform
// touches the timer no more once fire() has returned.
class IPlatformTimerCallback {
public:
    virtual void fire() = 0;

protected:
    ~IPlatformTimerCallback() = default;
};

// A repeating timer of the window system, made by the platform factory for one callback.
class IPlatformTimer {
public:
    virtual ~IPlatformTimer() = default;
    // Starts firing every fireTime milliseconds; false when the platform cannot.
    virtual bool start(std::uint32_t fireTime) = 0;
    virtual bool stop() = 0;
};

} // namespace VSTGUI
