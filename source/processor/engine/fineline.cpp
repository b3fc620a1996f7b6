#include "processor/engine/fineline.h"

#include <algorithm>

namespace tivrandel {

FineLine::FineLine(Steinberg::int32 history, Steinberg::int32 span)
    : history_(history > 0 ? history : 0), size_(history_ + (span > 0 ? span : 1)),
      writePos_(history_), samples_(static_cast<std::size_t>(size_), 0.0f) {}

void FineLine::shift() noexcept {
    const auto from = samples_.begin() + (writePos_ - history_);
    std::copy(from, from + history_, samples_.begin());
    writePos_ = history_;
}

} // namespace tivrandel
