#include "vstgui/lib/platform/iplatformfactory.h"

#ifdef _WIN32
#include "vstgui/lib/platform/win32/win32factory.h"
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
    // Windows has its window system always; elsewhere none until one is installed.
#ifdef _WIN32
    static const Win32Factory standard;
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
