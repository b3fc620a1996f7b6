#pragma once

#include "pluginterfaces/base/ftypes.h"

#include <vector>

namespace tivrandel {

// A whole-sample delay of up to capacity samples. It writes downward through three times its
// capacity, so no index wraps per sample: once every 2 x capacity pushes the newest capacity
// samples are copied to the top end and writing resumes below them.
class DelayLine {
public:
    // Allocates; everything else is real-time safe. A capacity below 1 makes a plain wire.
    explicit DelayLine(Steinberg::int32 capacity);

    Steinberg::int32 capacity() const noexcept { return capacity_; }
    Steinberg::int32 delay() const noexcept { return delay_; }
    Steinberg::int32 writePos() const noexcept { return writePos_; }
    // Kept within [0, capacity], so that every read stays inside the array.
    void setDelay(Steinberg::int32 samples) noexcept {
        delay_ = samples < 0 ? 0 : (samples > capacity_ ? capacity_ : samples);
    }

    // Stores x and returns the sample pushed delay pushes ago (x itself for delay 0).
    float push(float x) noexcept {
        if (capacity_ == 0) {
            return x;
        }
        if (--writePos_ < 0) {
            wrap();
            --writePos_;
        }
        float* const s = samples_.data();
        s[writePos_] = x;
        return s[writePos_ + delay_];
    }

    // For bulk pushing: pushes that can be made before the next copy to the top end, once
    // prepareRun has been called. Makes that copy now if the next push would make it; the
    // samples then end up exactly where push would put them.
    Steinberg::int32 prepareRun() noexcept {
        if (capacity_ != 0 && writePos_ == 0) {
            wrap();
        }
        return writePos_;
    }
    // The array and the position of a run of pushes that prepareRun allowed: push k of the run
    // writes top()[-1 - k] and reads top()[-1 - k + delay]. finishRun moves the position on.
    float* top() noexcept { return samples_.data() + writePos_; }
    const float* top() const noexcept { return samples_.data() + writePos_; }
    void finishRun(Steinberg::int32 pushes) noexcept { writePos_ -= pushes; }

    // The same as count pushes of x[0 .. count - 1] as far as any later read can tell: only the
    // newest capacity samples are stored, since no read reaches further back. Reads of what the
    // line held before must come first (a read within delay samples of the start needs them).
    void append(const float* x, Steinberg::int32 count) noexcept;

    std::size_t bytes() const noexcept { return samples_.capacity() * sizeof(float); }

private:
    // Copies the newest capacity samples to the top end; writePos ends one above where the next
    // sample goes.
    void wrap() noexcept;
    // Moves the position as count pushes would, storing nothing.
    void skip(Steinberg::int32 count) noexcept;

    Steinberg::int32 capacity_;
    Steinberg::int32 delay_;
    Steinberg::int32 writePos_;
    std::vector<float> samples_;
};

} // namespace tivrandel
