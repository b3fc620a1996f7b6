#pragma once

#include "pluginterfaces/vst/ivstparameterchanges.h"

namespace tivrandel {

// Follows one parameter's automation sample by sample: a straight line from the value at the last
// reached point to the next point of the block's queue. Offsets are relative to the start of the
// current block; -1 is the last sample of the previous block.
class ParameterRamp {
public:
    // Marks "no further point": farther away than any block.
    static constexpr Steinberg::int32 noTarget = 16777216;
    // Points a block may skip (unreadable, or not after the last one) before the rest of its
    // queue is given up: a host's queue can claim any number of points, and reading them all
    // would hold the audio thread. Honest queues skip none.
    static constexpr Steinberg::int32 maxSkippedPoints = 64;

    ParameterRamp() noexcept { findNextPoint(); }

    // Aims at the next queue point that lies after lastPointOffset; unreadable points and points
    // whose offsets do not increase are skipped, up to maxSkippedPoints in a block.
    void findNextPoint() noexcept;
    // Starts a block, continuing the current line (the queue is borrowed for the block only).
    // Inline for the common block without automation, which is all bookkeeping.
    void beginBlock(Steinberg::Vst::IParamValueQueue* blockQueue) noexcept {
        if (pointCount_ != 0) {
            lastPointOffset_ = -1;
        } else {
            rewindByBlock();
        }
        if (blockQueue == nullptr) {
            // What startBlock and findNextPoint do with no points.
            queue_ = nullptr;
            pointCount_ = 0;
            nextPoint_ = 0;
            sampleIndex_ = -1;
            increment_ = 0.0;
            targetValue_ = value_;
            targetOffset_ = noTarget;
        } else {
            startBlock(blockQueue);
        }
    }
    // Starts a block from newValue, as when a loaded state replaces the automation.
    void resetTo(double newValue, Steinberg::Vst::IParamValueQueue* blockQueue) noexcept;
    // Moves to the next sample of the block; called before the sample is computed.
    void advance() noexcept {
        ++sampleIndex_;
        value_ += increment_;
        if (sampleIndex_ == targetOffset_) {
            value_ = targetValue_;
            findNextPoint();
        }
    }

    // True if the next n advances reach no point and leave the value where it is.
    bool flatFor(Steinberg::int32 n) const noexcept {
        return increment_ == 0.0 && advancesBeforeTarget() >= n;
    }
    // The same as n calls of advance, valid only while flatFor(n). Adding a zero increment once
    // is enough: its effect on the value (-0 + 0 = +0) does not change when repeated.
    void skipFlat(Steinberg::int32 n) noexcept {
        if (n > 0) {
            value_ += increment_;
            sampleIndex_ += n;
        }
    }
    // Advances that can be taken before the one that reaches the target point. A target at or
    // behind the current sample (a host may send negative offsets) is never reached.
    Steinberg::int32 advancesBeforeTarget() const noexcept {
        const long long distance = static_cast<long long>(targetOffset_) - sampleIndex_;
        return distance > 0 && distance <= 0x7FFFFFFF ? static_cast<Steinberg::int32>(distance - 1)
                                                      : 0x7FFFFFFF;
    }
    // Records count advances that the caller made on its own copy of the value (adding the
    // increment once per sample), valid for count up to advancesBeforeTarget().
    void commitAdvances(double advancedValue, Steinberg::int32 count) noexcept {
        value_ = advancedValue;
        sampleIndex_ += count;
    }

    double value() const noexcept { return value_; }
    double increment() const noexcept { return increment_; }
    double targetValue() const noexcept { return targetValue_; }
    Steinberg::int32 targetOffset() const noexcept { return targetOffset_; }
    Steinberg::int32 lastPointOffset() const noexcept { return lastPointOffset_; }
    Steinberg::int32 sampleIndex() const noexcept { return sampleIndex_; }
    Steinberg::int32 pointCount() const noexcept { return pointCount_; }

private:
    void startBlock(Steinberg::Vst::IParamValueQueue* blockQueue) noexcept;
    // lastPointOffset moves back by the length of the block just finished; it saturates rather
    // than overflows when a parameter goes without automation for 2^31 samples.
    void rewindByBlock() noexcept {
        const long long moved = static_cast<long long>(lastPointOffset_) - sampleIndex_ - 1;
        constexpr long long lowest = -0x7FFFFFFFLL - 1;
        lastPointOffset_ = static_cast<Steinberg::int32>(moved < lowest ? lowest : moved);
    }

    double value_ = 0.0;
    Steinberg::Vst::IParamValueQueue* queue_ = nullptr;
    double increment_ = 0.0;
    Steinberg::int32 pointCount_ = 0;
    Steinberg::int32 nextPoint_ = 0;
    Steinberg::int32 skipsLeft_ = maxSkippedPoints;
    Steinberg::int32 targetOffset_ = 0;
    double targetValue_ = 0.0;
    Steinberg::int32 lastPointOffset_ = -1;
    Steinberg::int32 sampleIndex_ = -1;
};

} // namespace tivrandel
