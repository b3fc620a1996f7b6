#pragma once

namespace tivrandel {

// Min first, then max: a NaN fails the first comparison and comes out as 1.
inline float clamp01(float x) noexcept {
    const float upper = x < 1.0f ? x : 1.0f;
    return upper > 0.0f ? upper : 0.0f;
}

} // namespace tivrandel
