#pragma once

#include "vstgui/lib/crect.h"
#include "vstgui/lib/platform/iplatformframe.h"
#include "vstgui/lib/platform/iplatformtimer.h"
#include "vstgui/lib/vstguifwd.h"

#include <memory>

namespace VSTGUI {

// Makes the window-system objects of the view layer. Where there is no window system (the
// standard factory off Windows) there are neither windows nor timers: frames do not open and
// timers do not start, and everything else works as usual (an offscreen frame draws and takes
// simulated input).
class IPlatformFactory {
public:
    virtual ~IPlatformFactory() = default;
    // A native frame for frame in parent, or null when this platform cannot make one.
    virtual std::unique_ptr<IPlatformFrame> createFrame(IPlatformFrameCallback* frame,
                                                        const CRect& size, void* parent,
                                                        PlatformType parentType,
                                                        IPlatformFrameConfig* config) const = 0;
    // A timer calling callback, or null.
    virtual std::unique_ptr<IPlatformTimer> createTimer(IPlatformTimerCallback* callback) const = 0;
};

// The installed factory, or the standard one (Windows' window system there, none elsewhere).
const IPlatformFactory& getPlatformFactory();
// Installs factory for every frame and timer created from now on; null restores the standard
// one. Frames and timers already made keep their platform objects.
void setPlatformFactory(std::unique_ptr<IPlatformFactory> factory);

} // namespace VSTGUI
