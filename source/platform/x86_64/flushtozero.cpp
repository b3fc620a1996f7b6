#include "platform/flushtozero.h"

#include <xmmintrin.h>

namespace kelvane::platform {

namespace {
constexpr unsigned int flushToZeroBit = 0x8000u;
}

bool flushToZeroEnabled() noexcept {
    return (_mm_getcsr() & flushToZeroBit) != 0;
}

void setFlushToZero(bool enabled) noexcept {
    const unsigned int csr = _mm_getcsr();
    _mm_setcsr(enabled ? (csr | flushToZeroBit) : (csr & ~flushToZeroBit));
}

} // namespace kelvane::platform
