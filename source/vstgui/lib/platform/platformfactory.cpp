#include "vstgui/lib/platform/iplatformfactory.h"

#ifdef _WIN32
#include "vstgui/lib/platform/win32/win32factory.h"
#elif defined(__linux__)
#include "vstgui/lib/platform/linux/x11factory.h"
#endif

namespace VSTGUI {
namespace {

class HeadlessFactory final : public IPlatformFactory {
public:
    std::unique_ptr<IPlatformFrame> createFrame(IPlatformFrameCallback*, const CRect&, void*,
                                                PlatformType,
                                                IPlatformFrameConfig*) const override {
        return nullptr;
    }
    std::unique_ptr<IPlatformTimer> createTimer(IPlatformTimerCallback*) const override {
        return nullptr;
    }
};

std::unique_ptr<IPlatformFactory>& installed() {
    static std::unique_ptr<IPlatformFactory> factory;
    return factory;
}

} // namespace

const IPlatformFactory& getPlatformFactory() {
    // Windows and Linux (X) have their window systems always; elsewhere none until one is
    // installed.
#ifdef _WIN32
    static const Win32Factory standard;
#elif defined(__linux__)
    static const X11::Factory standard;
#else
    static const HeadlessFactory standard;
#endif
    const auto& factory = installed();
    return factory ? *factory : static_cast<const IPlatformFactory&>(standard);
}

void setPlatformFactory(std::unique_ptr<IPlatformFactory> factory) {
    installed() = std::move(factory);
}

} // namespace VSTGUI
