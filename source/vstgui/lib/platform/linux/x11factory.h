#pragma once

#include "vstgui/lib/platform/iplatformfactory.h"

namespace VSTGUI::X11 {

// The window system of Linux: frames open as child windows of an X window id (a parent of type
// kX11EmbedWindowID, or the default native type; the pointer carries the id, as hosts pass
// it), their events and the timers run through the host's run loop (FrameConfig, or the current
// run loop).
class Factory final : public IPlatformFactory {
public:
    std::unique_ptr<IPlatformFrame> createFrame(IPlatformFrameCallback* frame, const CRect& size,
                                                void* parent, PlatformType parentType,
                                                IPlatformFrameConfig* config) const override;
    std::unique_ptr<IPlatformTimer> createTimer(IPlatformTimerCallback* callback) const override;
};

} // namespace VSTGUI::X11
