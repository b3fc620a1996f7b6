#pragma once

#include "pluginterfaces/base/funknown.h"

#include <utility>

namespace kelvane::vst {

// The one exception boundary of a host-facing operation: whatever escapes the body becomes the
// operation's failure answer, so that no exception ever crosses into the host.
template <typename Result, typename Body>
Result guarded(Result onFailure, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return onFailure;
    }
}

template <typename Body>
Steinberg::tresult guarded(Body&& body) noexcept {
    return guarded<Steinberg::tresult>(Steinberg::kResultFalse, std::forward<Body>(body));
}

} // namespace kelvane::vst
