#include "processor/engine/parameterramp.h"

namespace tivrandel {

using Steinberg::int32;

void ParameterRamp::findNextPoint() noexcept {
    while (nextPoint_ < pointCount_) {
        int32 offset = 0;
        Steinberg::Vst::ParamValue pointValue = 0.0;
        const Steinberg::tresult result = queue_->getPoint(nextPoint_, offset, pointValue);
        ++nextPoint_;
        if (result != Steinberg::kResultOk || offset <= lastPointOffset_) {
            if (--skipsLeft_ <= 0) {
                nextPoint_ = pointCount_;
            }
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

void ParameterRamp::startBlock(Steinberg::Vst::IParamValueQueue* blockQueue) noexcept {
    queue_ = blockQueue;
    pointCount_ = blockQueue != nullptr ? blockQueue->getPointCount() : 0;
    nextPoint_ = 0;
    skipsLeft_ = maxSkippedPoints;
    sampleIndex_ = -1;
    findNextPoint();
}

void ParameterRamp::resetTo(double newValue,
                            Steinberg::Vst::IParamValueQueue* blockQueue) noexcept {
    rewindByBlock();
    value_ = newValue;
    startBlock(blockQueue);
}

} // namespace tivrandel
