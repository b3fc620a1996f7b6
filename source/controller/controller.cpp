#include "controller/controller.h"

namespace tivrandel {

Steinberg::FUnknown* Controller::createInstance(void* /*context*/) {
    return kelvane::vst::guarded<Steinberg::FUnknown*>(
        nullptr, [] { return static_cast<Steinberg::Vst::IEditController*>(new Controller); });
}

} // namespace tivrandel
