#include "processor/engine/delayline.h"

#include "processor/engine/kernels.h"

#include <algorithm>
#include <cstdint>

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

void DelayLine::skip(Steinberg::int32 count) noexcept {
    // The position after a push cycles through 2 x capacity - 1 down to 0.
    const std::int64_t cycle = 2 * static_cast<std::int64_t>(capacity_);
    const std::int64_t moved = (static_cast<std::int64_t>(writePos_) - count) % cycle;
    writePos_ = static_cast<Steinberg::int32>(moved < 0 ? moved + cycle : moved);
}

void DelayLine::append(const float* x, Steinberg::int32 count) noexcept {
    if (capacity_ == 0 || count <= 0) {
        return;
    }
    // The skipped positions hold stale samples, but the capacity pushes that follow cover every
    // position a read can reach (a copy to the top end among them carries only what it must).
    if (count > capacity_) {
        skip(count - capacity_);
        x += count - capacity_;
        count = capacity_;
    }
    while (count > 0) {
        const Steinberg::int32 run = std::min(count, prepareRun());
        kernels::storeReversed(top() - 1, x, run);
        finishRun(run);
        x += run;
        count -= run;
    }
}

} // namespace tivrandel
