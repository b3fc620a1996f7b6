// Feeds arbitrary UTF-16 text to the controller's reading of typed values. A text is either
// refused, leaving the caller's value untouched, or read as a value in [0, 1] whose display text
// reads back to it within the display's precision.
#include "controller/controller.h"

#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using Steinberg::kResultOk;
using Steinberg::Vst::ParamID;
using Steinberg::Vst::ParamValue;

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Its reference count always answers 1: it must outlive every controller.
    static Steinberg::Vst::HostApplication host;
    static auto controller = [] {
        auto made = Steinberg::owned(new tivrandel::Controller);
        made->initialize(&host);
        return made;
    }();

    // Two bytes a unit; at most a String128, terminated (the reader stops there in any case).
    Steinberg::Vst::String128 text = {};
    for (std::size_t k = 0; k < 127 && 2 * k + 1 < size; ++k) {
        text[k] = static_cast<Steinberg::Vst::TChar>(data[2 * k] | (data[2 * k + 1] << 8));
    }
    for (ParamID id = 0; id < ParamID(tivrandel::Parameters::count); ++id) {
        ParamValue value = -7.0;
        if (controller->getParamValueByString(id, text, value) != kResultOk) {
            check(value == -7.0);
            continue;
        }
        check(std::isfinite(value) && value >= 0.0 && value <= 1.0);
        Steinberg::Vst::String128 shown = {};
        check(controller->getParamStringByValue(id, value, shown) == kResultOk);
        ParamValue again = -7.0;
        check(controller->getParamValueByString(id, shown, again) == kResultOk);
        const bool toggle = tivrandel::Parameters::describe(id).stepCount == 1;
        check(toggle ? again == (value < 0.5 ? 0.0 : 1.0)
                     : std::fabs(again - value) <= 0.05 / 200.0 + 1e-7);
    }
    return 0;
}
