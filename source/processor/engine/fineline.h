#pragma once

#include "pluginterfaces/base/ftypes.h"

#include <cstddef>
#include <vector>

namespace tivrandel {

// One channel's input as the fine delay reads it: written upward, so that a kernel's taps lie
// at increasing addresses, and readable `history` samples back from the sample being written.
// No index wraps per sample: when the array is full, the newest history samples are copied to
// its start and writing goes on after them.
class FineLine {
public:
    // Allocates history + span floats, silent; everything else is real-time safe.
    FineLine(Steinberg::int32 history, Steinberg::int32 span);

    Steinberg::int32 history() const noexcept { return history_; }

    // Samples that can be written before the next copy to the start, at least 1: makes that copy
    // now if there is no room.
    Steinberg::int32 prepareRun() noexcept {
        if (writePos_ == size_) {
            shift();
        }
        return size_ - writePos_;
    }
    // Sample k of a run goes to next()[k]; from there the reads reach back to
    // next()[k - history()]. finishRun moves the position on.
    float* next() noexcept { return samples_.data() + writePos_; }
    const float* next() const noexcept { return samples_.data() + writePos_; }
    void finishRun(Steinberg::int32 count) noexcept { writePos_ += count; }

    // Writes a run of count samples, rounded to float, within the room prepareRun gave.
    template <typename Sample>
    void write(const Sample* x, Steinberg::int32 count) noexcept {
        float* const to = next();
        for (Steinberg::int32 k = 0; k < count; ++k) {
            to[k] = static_cast<float>(x[k]);
        }
    }

    std::size_t bytes() const noexcept { return samples_.capacity() * sizeof(float); }

private:
    void shift() noexcept;

    Steinberg::int32 history_;
    Steinberg::int32 size_;
    Steinberg::int32 writePos_;
    std::vector<float> samples_;
};

} // namespace tivrandel
