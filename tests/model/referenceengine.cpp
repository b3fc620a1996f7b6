#include "model/referenceengine.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace model {

namespace {

// Truncation toward zero as the x86 conversion does it: values that fit no int32 (and NaN)
// give the "integer indefinite" INT32_MIN instead of undefined behaviour.
std::int32_t truncToInt(float x) {
    if (!(x > -2147483648.0f && x < 2147483648.0f)) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(x);
}

// 0 or 1; the sum is formed in double so that a float just below 0.5 stays below 1.
float switchTarget(double rampValue) {
    const double rounded =
        std::floor(static_cast<double>(clamp01(static_cast<float>(rampValue))) + 0.5);
    return static_cast<float>(static_cast<int>(rounded));
}

float gain(float sum, float wet) {
    return static_cast<float>(std::sqrt(std::max(static_cast<double>(sum), 0.0)) *
                              static_cast<double>(wet));
}

} // namespace

float clamp01(float x) {
    const float upper = x < 1.0f ? x : 1.0f;
    return upper > 0.0f ? upper : 0.0f;
}

// ---- Ramp ----

Ramp::Ramp() {
    findNextPoint();
}

void Ramp::findNextPoint() {
    while (nextPoint_ < pointCount_) {
        const Point& point = queue_[static_cast<size_t>(nextPoint_)];
        ++nextPoint_;
        if (!point.readable || point.offset <= lastPointOffset_) {
            continue;
        }
        targetValue_ = point.value;
        const double distance =
            static_cast<double>(point.offset) - static_cast<double>(lastPointOffset_);
        increment_ = (point.value - value_) / distance;
        targetOffset_ = point.offset;
        lastPointOffset_ = point.offset;
        return;
    }
    increment_ = 0.0;
    targetValue_ = value_;
    targetOffset_ = kNoTarget;
}

void Ramp::beginBlock(const std::vector<Point>& points) {
    if (pointCount_ != 0) {
        lastPointOffset_ = -1;
    } else {
        lastPointOffset_ -= sampleIndex_ + 1;
    }
    queue_ = points;
    pointCount_ = static_cast<std::int32_t>(points.size());
    nextPoint_ = 0;
    sampleIndex_ = -1;
    findNextPoint();
}

void Ramp::resetTo(double newValue, const std::vector<Point>& points) {
    lastPointOffset_ -= sampleIndex_ + 1;
    value_ = newValue;
    queue_ = points;
    pointCount_ = static_cast<std::int32_t>(points.size());
    nextPoint_ = 0;
    sampleIndex_ = -1;
    findNextPoint();
}

void Ramp::advance() {
    ++sampleIndex_;
    value_ += increment_;
    if (sampleIndex_ == targetOffset_) {
        value_ = targetValue_;
        findNextPoint();
    }
}

// ---- DelayLine ----

DelayLine::DelayLine(std::int32_t capacity)
    : capacity_(capacity), delay_(capacity),
      history_(static_cast<size_t>(std::max(capacity, 0)) + 1, 0.0f) {}

float DelayLine::push(float x) {
    if (capacity_ == 0) {
        return x;
    }
    history_.pop_front();
    history_.push_back(x);
    return history_[history_.size() - 1 - static_cast<size_t>(delay_)];
}

// ---- ReferenceEngine ----

ReferenceEngine::ReferenceEngine(std::int32_t sampleRate, std::int32_t numChannels,
                                 const State& state)
    : sampleRate_(sampleRate), numChannels_(numChannels) {
    for (float& cell : mailbox_) {
        cell = std::numeric_limits<float>::quiet_NaN();
    }
    for (int k = 0; k < kParameterCount; ++k) {
        ramps_[k].resetTo(static_cast<double>(state.values[k]), {});
    }
    bypassMix_ = switchTarget(static_cast<double>(state.values[0]));
    timePan_ = clamp01(state.values[1]) * 2.0f - 1.0f;
    levelPan_ = clamp01(state.values[2]) * 2.0f - 1.0f;
    // Rates of 0 and below: no delay and smoothers that jump to their targets. Below 100 Hz
    // 100 / rate would exceed 1 and the one-pole would overshoot (and diverge below 50 Hz); the
    // engine caps the coefficient at 1 there too.
    coef_ = sampleRate > 0
                ? std::min(static_cast<float>(100.0 / static_cast<double>(sampleRate)), 1.0f)
                : 1.0f;
    const std::int32_t capacity =
        sampleRate > 0 ? truncToInt(static_cast<float>(sampleRate) * 0.00088f) : 0;
    for (std::int32_t c = 0; c < numChannels; ++c) {
        lines_.emplace_back(capacity);
    }
}

std::int32_t ReferenceEngine::capacity() const {
    return lines_.empty() ? 0 : lines_.front().capacity();
}

void ReferenceEngine::receiveParameterChanges(const Changes* changes) {
    static const std::vector<Point> none;
    const std::vector<Point>* queueFor[kParameterCount] = {&none, &none, &none, &none};
    if (changes != nullptr) {
        for (const Queue& queue : *changes) {
            if (queue.id < 4 && !queue.points.empty()) {
                queueFor[queue.id] = &queue.points;
                const Point& last = queue.points.back();
                if (last.readable) {
                    mailbox_[queue.id] = static_cast<float>(last.value);
                }
            }
        }
    }
    if (posted_) {
        const State state = *posted_;
        posted_.reset();
        for (int k = 0; k < kParameterCount; ++k) {
            ramps_[k].resetTo(static_cast<double>(state.values[k]), *queueFor[k]);
        }
    } else {
        for (int k = 0; k < kParameterCount; ++k) {
            ramps_[k].beginBlock(*queueFor[k]);
        }
    }
}

bool ReferenceEngine::takeLatestValue(int id, float& value) {
    const float old = mailbox_[id];
    mailbox_[id] = std::numeric_limits<float>::quiet_NaN();
    if (std::isnan(old)) {
        return false;
    }
    value = old;
    return true;
}

void ReferenceEngine::postState(const State& state) {
    posted_ = state;
}

ReferenceEngine::Gains ReferenceEngine::stepParameters(bool stereo) {
    for (Ramp& ramp : ramps_) {
        ramp.advance();
    }
    const float b = switchTarget(ramps_[0].value());
    bypassMix_ = b * coef_ + (1.0f - coef_) * bypassMix_;
    const float t = clamp01(static_cast<float>(ramps_[1].value()));
    timePan_ = (2.0f * t - 1.0f) * coef_ + (1.0f - coef_) * timePan_;
    const float l = clamp01(static_cast<float>(ramps_[2].value()));
    levelPan_ = (2.0f * l - 1.0f) * coef_ + (1.0f - coef_) * levelPan_;

    Gains gains{0.0f, 0.0f, false};
    if (!stereo) {
        return gains;
    }
    const std::int32_t d =
        truncToInt(std::fabs(timePan_) * 0.0008f * static_cast<float>(sampleRate_));
    const std::int32_t delay = std::max(std::min(d, lines_[0].capacity()), 0);
    if (timePan_ < 0.0f) {
        lines_[1].setDelay(delay);
        lines_[0].setDelay(0);
    } else {
        lines_[0].setDelay(delay);
        lines_[1].setDelay(0);
    }
    const float wet = 1.0f - bypassMix_;
    gains.g0 = gain(1.0f - levelPan_, wet);
    gains.g1 = gain(1.0f + levelPan_, wet);
    gains.swap = clamp01(static_cast<float>(ramps_[3].value())) >= 0.5f;
    return gains;
}

Buffers32 ReferenceEngine::process(const Buffers32& in, std::size_t samples) {
    Buffers32 out = in;
    const size_t channels = in.size();
    for (size_t i = 0; i < samples; ++i) {
        const Gains g = stepParameters(channels == 2);
        if (channels == 2) {
            const float gainOf[2] = {g.g0, g.g1};
            for (size_t j = 0; j < 2; ++j) {
                const float source = g.swap ? in[1 - j][i] : in[j][i];
                const float w = lines_[j].push(source);
                out[j][i] = bypassMix_ * in[j][i] + gainOf[j] * w;
            }
        } else {
            for (size_t j = 0; j < channels; ++j) {
                out[j][i] = in[j][i];
            }
        }
    }
    return out;
}

Buffers64 ReferenceEngine::process(const Buffers64& in, std::size_t samples) {
    Buffers64 out = in;
    const size_t channels = in.size();
    for (size_t i = 0; i < samples; ++i) {
        const Gains g = stepParameters(channels == 2);
        if (channels == 2) {
            const float gainOf[2] = {g.g0, g.g1};
            for (size_t j = 0; j < 2; ++j) {
                // The lines hold floats: the source is rounded before it enters, and the wet
                // product is a float product.
                const float source = static_cast<float>(g.swap ? in[1 - j][i] : in[j][i]);
                const float wet = gainOf[j] * lines_[j].push(source);
                const double dry = static_cast<double>(bypassMix_) * in[j][i];
                out[j][i] = static_cast<double>(static_cast<float>(dry + static_cast<double>(wet)));
            }
        } else {
            for (size_t j = 0; j < channels; ++j) {
                out[j][i] = static_cast<double>(static_cast<float>(in[j][i]));
            }
        }
    }
    return out;
}

} // namespace model
