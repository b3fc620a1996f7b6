#include "processor/engine/parameterramp.h"

#include <cstdint>
#include <limits>

namespace tivrandel {

using Steinberg::int32;

void ParameterRamp::findNextPoint() noexcept {
    while (nextPoint_ < pointCount_) {
        int32 offset = 0;
        Steinberg::Vst::ParamValue pointValue = 0.0;
        const Steinberg::tresult result = queue_->getPoint(nextPoint_, offset, pointValue);
        ++nextPoint_;
        if (result != Steinberg::kResultOk || offset <= lastPointOffset_) {
            continue;
        }
        targetValue_ = pointValue;
        // The span is formed in double: equal to the integer difference, and free of overflow.
        increment_ = (pointValue - value_) /
                     (static_cast<double>(offset) - static_cast<double>(lastPointOffset_));
        targetOffset_ = offset;
        lastPointOffset_ = offset;
        return;
    }
    increment_ = 0.0;
    targetValue_ = value_;
    targetOffset_ = noTarget;
}

void ParameterRamp::rewindByBlock() noexcept {
    const std::int64_t moved =
        static_cast<std::int64_t>(lastPointOffset_) - (static_cast<std::int64_t>(sampleIndex_) + 1);
    constexpr std::int64_t lowest = std::numeric_limits<int32>::min();
    lastPointOffset_ = static_cast<int32>(moved < lowest ? lowest : moved);
}

void ParameterRamp::startBlock(Steinberg::Vst::IParamValueQueue* blockQueue) noexcept {
    queue_ = blockQueue;
    pointCount_ = blockQueue != nullptr ? blockQueue->getPointCount() : 0;
    nextPoint_ = 0;
    sampleIndex_ = -1;
    findNextPoint();
}

void ParameterRamp::beginBlock(Steinberg::Vst::IParamValueQueue* blockQueue) noexcept {
    if (pointCount_ != 0) {
        lastPointOffset_ = -1;
    } else {
        rewindByBlock();
    }
    startBlock(blockQueue);
}

void ParameterRamp::resetTo(double newValue,
                            Steinberg::Vst::IParamValueQueue* blockQueue) noexcept {
    rewindByBlock();
    value_ = newValue;
    startBlock(blockQueue);
}

} // namespace tivrandel
