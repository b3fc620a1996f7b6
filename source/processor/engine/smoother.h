#pragma once

#include "pluginterfaces/base/ftypes.h"

#include <cstring>

namespace tivrandel {

// One-pole smoothing in single precision: each step closes the fraction coefficient of the
// distance to the target.
class OnePoleSmoother {
public:
    OnePoleSmoother(float start, float coefficient) noexcept : value_(start), coef_(coefficient) {}

    // 100 / sampleRate per sample (a time constant of about 10 ms), rounded to float. A rate
    // that would give a coefficient above 1 (below 100 Hz, including 0 and negative rates,
    // which no host sends) gives 1, a jump to the target: larger coefficients overshoot and,
    // from 2 upward, grow without bound.
    static float coefficientFor(Steinberg::int32 sampleRate) noexcept;

    float step(float target) noexcept {
        value_ = next(target);
        return value_;
    }
    float next(float target) const noexcept { return target * coef_ + (1.0f - coef_) * value_; }
    // True if a step toward target would leave the value unchanged bit for bit: from then on
    // every step with that target is a no-op.
    bool settledAt(float target) const noexcept {
        const float stepped = next(target);
        return std::memcmp(&stepped, &value_, sizeof stepped) == 0;
    }

    float value() const noexcept { return value_; }
    // For loops that step a copy of the value themselves.
    void setValue(float value) noexcept { value_ = value; }
    float coefficient() const noexcept { return coef_; }

private:
    float value_;
    float coef_;
};

} // namespace tivrandel
