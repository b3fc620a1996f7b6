#pragma once

// A reference model of the panning engine: a plain per-sample transcription of its arithmetic,
// written for reading, not for speed. It shares no code and no types with the real engine, so
// that the two can be compared sample for sample.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace model {

constexpr int kParameterCount = 4;
constexpr std::int32_t kNoTarget = 16777216;

// One automation point as the host hands it over; an unreadable point is one whose query fails.
struct Point {
    std::int32_t offset = 0;
    double value = 0.0;
    bool readable = true;
};

// One host queue: a parameter id and its points in the host's order.
struct Queue {
    std::uint32_t id = 0;
    std::vector<Point> points;
};

// A block's input parameter changes, queues in the host's order.
using Changes = std::vector<Queue>;

struct State {
    float values[kParameterCount] = {0.0f, 0.5f, 0.5f, 0.0f};
};

// min first, then max: NaN gives 1.
float clamp01(float x);

// Sample-accurate linear ramp through one parameter's automation points.
class Ramp {
public:
    Ramp();

    // Starts a block with the block's points for this parameter (empty: no queue).
    void beginBlock(const std::vector<Point>& points);
    // Jumps to newValue and starts a block with the given points.
    void resetTo(double newValue, const std::vector<Point>& points);
    // Moves to the next sample of the block.
    void advance();

    double value() const { return value_; }
    double increment() const { return increment_; }
    std::int32_t lastPointOffset() const { return lastPointOffset_; }

private:
    void findNextPoint();

    double value_ = 0.0;
    std::vector<Point> queue_;
    double increment_ = 0.0;
    std::int32_t pointCount_ = 0;
    std::int32_t nextPoint_ = 0;
    std::int32_t targetOffset_ = 0;
    double targetValue_ = 0.0;
    std::int32_t lastPointOffset_ = -1;
    std::int32_t sampleIndex_ = -1;
};

// A whole-sample delay kept as a plain history of the pushed samples; capacity 0 is a wire.
class DelayLine {
public:
    explicit DelayLine(std::int32_t capacity);

    // Stores x and returns the sample pushed `delay` pushes ago (x itself for delay 0).
    float push(float x);
    void setDelay(std::int32_t delay) { delay_ = delay; }
    std::int32_t capacity() const { return capacity_; }
    std::int32_t delay() const { return delay_; }

private:
    std::int32_t capacity_;
    std::int32_t delay_;
    std::deque<float> history_; // newest at the back; capacity + 1 entries
};

using Buffers32 = std::vector<std::vector<float>>;
using Buffers64 = std::vector<std::vector<double>>;

class ReferenceEngine {
public:
    ReferenceEngine(std::int32_t sampleRate, std::int32_t numChannels, const State& state);

    // nullptr: the host passed no parameter changes at all.
    void receiveParameterChanges(const Changes* changes);
    // One buffer of numSamples per channel; returns the output block. With no channels the
    // parameters still move on by numSamples.
    Buffers32 process(const Buffers32& in, std::size_t numSamples);
    Buffers64 process(const Buffers64& in, std::size_t numSamples);
    Buffers32 process(const Buffers32& in) { return process(in, in.at(0).size()); }
    Buffers64 process(const Buffers64& in) { return process(in, in.at(0).size()); }

    bool takeLatestValue(int id, float& value);
    void postState(const State& state);

    std::int32_t numChannels() const { return numChannels_; }
    std::int32_t capacity() const;
    const Ramp& ramp(int id) const { return ramps_[id]; }
    float bypassMix() const { return bypassMix_; }
    float timePan() const { return timePan_; }
    float levelPan() const { return levelPan_; }
    float coefficient() const { return coef_; }

private:
    struct Gains {
        float g0;
        float g1;
        bool swap;
    };
    // Steps 1 to 5.4 of a sample: ramps, smoothers, delays, gains, swap.
    Gains stepParameters(bool stereo);

    std::int32_t sampleRate_;
    std::int32_t numChannels_;
    Ramp ramps_[kParameterCount];
    std::optional<State> posted_;
    float mailbox_[kParameterCount]; // NaN: empty
    float bypassMix_;
    float timePan_;
    float levelPan_;
    float coef_;
    std::vector<DelayLine> lines_;
};

} // namespace model
