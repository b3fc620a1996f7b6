#include "processor/engine/delayline.h"

#include <algorithm>

namespace tivrandel {

DelayLine::DelayLine(Steinberg::int32 capacity)
    : capacity_(capacity > 0 ? capacity : 0), delay_(capacity_), writePos_(2 * capacity_ - 1),
      samples_(3 * static_cast<std::size_t>(capacity_), 0.0f) {}

void DelayLine::wrap() noexcept {
    const std::size_t n = samples_.size();
    const std::size_t c = static_cast<std::size_t>(capacity_);
    std::copy(samples_.begin(), samples_.begin() + static_cast<std::ptrdiff_t>(c),
              samples_.begin() + static_cast<std::ptrdiff_t>(n - c));
    writePos_ = static_cast<Steinberg::int32>(n - c);
}

} // namespace tivrandel
