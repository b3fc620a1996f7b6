#include "vstgui/lib/platform/iplatformfactory.h"

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
    static const HeadlessFactory headless;
    const auto& factory = installed();
    return factory ? *factory : static_cast<const IPlatformFactory&>(headless);
}

void setPlatformFactory(std::unique_ptr<IPlatformFactory> factory) {
    installed() = std::move(factory);
}

} // namespace VSTGUI
