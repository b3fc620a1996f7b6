#include "framework/valuemailbox.h"

#include <cstring>

namespace kelvane::vst {

void ValueMailbox::store(float value) noexcept {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    cell.store(bits);
}

bool ValueMailbox::take(float& value) noexcept {
    const std::uint32_t bits = cell.exchange(emptyBits);
    float old = 0.0f;
    std::memcpy(&old, &bits, sizeof old);
    if (old != old) {
        return false;
    }
    value = old;
    return true;
}

} // namespace kelvane::vst
