// Feeds arbitrary bytes to the controller's own setState. A load either succeeds, leaving every
// value in [0, 1] and a state that saves and loads back to the same values, or fails leaving
// the defaults untouched.
#include "controller/controller.h"

#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using Steinberg::kResultOk;
using Steinberg::Vst::ParamID;

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Its reference count always answers 1: it must outlive every controller.
    static Steinberg::Vst::HostApplication host;
    auto controller = Steinberg::owned(new tivrandel::Controller);
    controller->initialize(&host);

    Steinberg::MemoryStream input(const_cast<std::uint8_t*>(data), Steinberg::TSize(size));
    if (controller->setState(&input) == kResultOk) {
        for (ParamID id = 0; id < ParamID(tivrandel::Parameters::count); ++id) {
            const double value = controller->getParamNormalized(id);
            check(value >= 0.0 && value <= 1.0);
        }
        Steinberg::MemoryStream saved;
        check(controller->getState(&saved) == kResultOk);
        saved.seek(0, Steinberg::IBStream::kIBSeekSet, nullptr);
        auto other = Steinberg::owned(new tivrandel::Controller);
        other->initialize(&host);
        check(other->setState(&saved) == kResultOk);
        for (ParamID id = 0; id < ParamID(tivrandel::Parameters::count); ++id) {
            check(other->getParamNormalized(id) == controller->getParamNormalized(id));
        }
        other->terminate();
    } else {
        for (ParamID id = 0; id < ParamID(tivrandel::Parameters::count); ++id) {
            check(controller->getParamNormalized(id) == tivrandel::Parameters::defaultValue(id));
        }
    }
    controller->terminate();
    return 0;
}
