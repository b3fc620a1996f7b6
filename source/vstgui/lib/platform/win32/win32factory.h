#pragma once

#include "vstgui/lib/platform/iplatformfactory.h"

namespace VSTGUI {

// The window system of Windows: frames open as child windows of an HWND (a parent of type
// kHWND, or the default native type), timers are thread timers of the user-interface thread.
class Win32Factory final : public IPlatformFactory {
public:
    std::unique_ptr<IPlatformFrame> createFrame(IPlatformFrameCallback* frame, const CRect& size,
                                                void* parent, PlatformType parentType,
                                                IPlatformFrameConfig* config) const override;
    std::unique_ptr<IPlatformTimer> createTimer(IPlatformTimerCallback* callback) const override;
};

} // namespace VSTGUI
