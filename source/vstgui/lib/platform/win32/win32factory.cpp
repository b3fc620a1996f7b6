#include "vstgui/lib/platform/win32/win32factory.h"

#include "vstgui/lib/platform/win32/win32frame.h"
#include "vstgui/lib/platform/win32/win32timer.h"

namespace VSTGUI {

std::unique_ptr<IPlatformFrame> Win32Factory::createFrame(IPlatformFrameCallback* frame,
                                                          const CRect& size, void* parent,
                                                          PlatformType parentType,
                                                          IPlatformFrameConfig*) const {
    if (parentType != PlatformType::kHWND && parentType != PlatformType::kDefaultNative)
        return nullptr;
    return Win32Frame::create(frame, size, static_cast<HWND>(parent));
}

std::unique_ptr<IPlatformTimer> Win32Factory::createTimer(IPlatformTimerCallback* callback) const {
    if (callback == nullptr)
        return nullptr;
    return std::make_unique<Win32Timer>(callback);
}

} // namespace VSTGUI
