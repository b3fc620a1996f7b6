#pragma once

#include "pluginterfaces/base/funknown.h"

#include <utility>

namespace Steinberg {

// The exception boundary of the SDK pieces' own entry points: whatever escapes the body becomes
// the entry's failure answer, so that no exception ever crosses into the host. (The SDK pieces
// know nothing of the framework built on them, so they keep their own.)
template <typename Result, typename Body>
Result guarded(Result onFailure, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return onFailure;
    }
}

template <typename Body>
tresult guarded(Body&& body) noexcept {
    return guarded<tresult>(kResultFalse, std::forward<Body>(body));
}

} // namespace Steinberg
