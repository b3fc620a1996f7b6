#include "vstgui/lib/platform/linux/x11factory.h"

#include "vstgui/lib/platform/linux/x11frame.h"
#include "vstgui/lib/platform/linux/x11timer.h"

#include <cstdint>

namespace VSTGUI::X11 {

std::unique_ptr<IPlatformFrame> Factory::createFrame(IPlatformFrameCallback* frame,
                                                     const CRect& size, void* parent,
                                                     PlatformType parentType,
                                                     IPlatformFrameConfig* config) const {
    if (parentType != PlatformType::kX11EmbedWindowID && parentType != PlatformType::kDefaultNative)
        return nullptr;
    // X ids have 29 bits: anything larger is a pointer, not a window.
    const auto id = reinterpret_cast<std::uintptr_t>(parent);
    if (id == 0 || id > 0x1fffffffu)
        return nullptr;
    const auto* x11 = dynamic_cast<const FrameConfig*>(config);
    SharedPointer<IRunLoop> runLoop =
        x11 != nullptr && x11->runLoop ? x11->runLoop : RunLoop::current();
    return Frame::create(frame, size, static_cast<xcb_window_t>(id), std::move(runLoop));
}

std::unique_ptr<IPlatformTimer> Factory::createTimer(IPlatformTimerCallback* callback) const {
    if (callback == nullptr)
        return nullptr;
    return std::make_unique<Timer>(callback);
}

} // namespace VSTGUI::X11
