#include "processor/engine/realtimeprocessor.h"

#include "enginefixture.h"

#include <gtest/gtest.h>

#include <climits>

// Parameter changes that claim any number of queues and points: the block's work must stay
// bounded by what the plug-in needs, whatever the host reports. Counted in calls, not time.
namespace {

using enginetest::Buffers;
using enginetest::config;
using Steinberg::int32;
using Steinberg::kResultFalse;
using Steinberg::kResultOk;
using Steinberg::tresult;
using Steinberg::Vst::IParamValueQueue;
using Steinberg::Vst::ParamID;
using Steinberg::Vst::ParamValue;
using tivrandel::ParameterRamp;
using tivrandel::RealtimeProcessor;

// A queue of INT_MAX points. Point k sits at offset k (when increasing) or at 0, or every read
// fails.
class LyingQueue : public IParamValueQueue {
public:
    enum class Points { failing, allAtZero, increasing };
    LyingQueue(ParamID parameterId, Points kind) : id(parameterId), points(kind) {}

    ParamID PLUGIN_API getParameterId() override { return id; }
    int32 PLUGIN_API getPointCount() override {
        ++countCalls;
        return INT_MAX;
    }
    tresult PLUGIN_API getPoint(int32 index, int32& sampleOffset, ParamValue& value) override {
        ++pointCalls;
        if (points == Points::failing) {
            return kResultFalse;
        }
        sampleOffset = points == Points::increasing ? index : 0;
        value = 1.0;
        return kResultOk;
    }
    tresult PLUGIN_API addPoint(int32, ParamValue, int32&) override { return kResultFalse; }
    tresult PLUGIN_API queryInterface(const Steinberg::TUID, void**) override {
        return Steinberg::kNoInterface;
    }
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

    long long countCalls = 0;
    long long pointCalls = 0;

private:
    ParamID id;
    Points points;
};

// A list of INT_MAX queues (or as many as given), every one of them the same queue (or none).
class LyingChanges : public Steinberg::Vst::IParameterChanges {
public:
    explicit LyingChanges(IParamValueQueue* every, int32 queues = INT_MAX)
        : queue(every), count(queues) {}

    int32 PLUGIN_API getParameterCount() override { return count; }
    IParamValueQueue* PLUGIN_API getParameterData(int32) override {
        ++dataCalls;
        return queue;
    }
    IParamValueQueue* PLUGIN_API addParameterData(const ParamID&, int32&) override {
        return nullptr;
    }
    tresult PLUGIN_API queryInterface(const Steinberg::TUID, void**) override {
        return Steinberg::kNoInterface;
    }
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

    long long dataCalls = 0;

private:
    IParamValueQueue* queue;
    int32 count;
};

constexpr int blockSize = 256;
// One queue per parameter and a few spare ones.
constexpr long long queuesRead = 17;

void runOneBlock(RealtimeProcessor& engine, Steinberg::Vst::IParameterChanges* changes,
                 Buffers<float>& buffers) {
    Steinberg::Vst::ProcessData data;
    data.inputParameterChanges = changes;
    engine.receiveParameterChanges(data);
    engine.process(buffers.inPtr.data(), buffers.outPtr.data(), 2, buffers.samples());
}

TEST(LyingHost, AListOfCountlessQueuesIsReadOnlyAsFarAsTheParametersGo) {
    RealtimeProcessor engine(config(48000, 2));
    Buffers<float> b(2, blockSize);
    LyingChanges nothing(nullptr);
    runOneBlock(engine, &nothing, b);
    EXPECT_LE(nothing.dataCalls, queuesRead);

    LyingQueue foreign(99, LyingQueue::Points::increasing);
    LyingChanges unknown(&foreign);
    runOneBlock(engine, &unknown, b);
    EXPECT_LE(unknown.dataCalls, queuesRead);
    EXPECT_LE(foreign.countCalls, queuesRead);
    EXPECT_EQ(foreign.pointCalls, 0);
}

TEST(LyingHost, FailingPointsEndTheQueueAfterABoundedNumberOfReads) {
    RealtimeProcessor engine(config(48000, 2));
    Buffers<float> b(2, blockSize);
    for (int i = 0; i < blockSize; ++i) {
        b.in[0][i] = 1.0f;
        b.in[1][i] = -1.0f;
    }
    LyingQueue failing(tivrandel::Parameters::SwapChannels, LyingQueue::Points::failing);
    LyingChanges changes(&failing);
    for (int block = 0; block < 3; ++block) {
        SCOPED_TRACE(block);
        failing.pointCalls = 0;
        runOneBlock(engine, &changes, b);
        // Each queue's last point for its value cell, then the skipped points of one ramp.
        EXPECT_LE(failing.pointCalls, queuesRead + ParameterRamp::maxSkippedPoints);
        EXPECT_EQ(b.out[0][blockSize - 1], 1.0f); // no point read: the swap stays off
    }
    float value = 0.0f;
    EXPECT_FALSE(engine.takeLatestValue(tivrandel::Parameters::SwapChannels, value));
}

TEST(LyingHost, PointsThatNeverAdvanceAndEndlessPointsReadOnlyWhatTheBlockNeeds) {
    RealtimeProcessor engine(config(48000, 2));
    Buffers<float> b(2, blockSize);
    LyingQueue stuck(tivrandel::Parameters::LevelPan, LyingQueue::Points::allAtZero);
    LyingChanges stuckChanges(&stuck);
    runOneBlock(engine, &stuckChanges, b);
    // The cells' reads, the point at 0 and the repeats that are skipped.
    EXPECT_LE(stuck.pointCalls, queuesRead + 1 + ParameterRamp::maxSkippedPoints);

    LyingQueue endless(tivrandel::Parameters::TimePan, LyingQueue::Points::increasing);
    LyingChanges endlessChanges(&endless, 1);
    runOneBlock(engine, &endlessChanges, b);
    // The cell's read, one point per sample and the first point beyond the block.
    EXPECT_LE(endless.pointCalls, 1 + blockSize + 1);
}

TEST(ParameterRamp, AFewUnreadablePointsAreSkippedButEndlessOnesEndTheQueue) {
    for (const int32 failing :
         {ParameterRamp::maxSkippedPoints - 1, ParameterRamp::maxSkippedPoints}) {
        SCOPED_TRACE(failing);
        ParameterRamp ramp;
        ramp.resetTo(0.0, nullptr);
        testhost::ParamValueQueue queue(1);
        for (int32 k = 0; k < failing; ++k) {
            queue.add(k, 0.5);
            queue.failPoint(k);
        }
        queue.add(100, 1.0);
        ramp.beginBlock(&queue);
        const bool reached = failing < ParameterRamp::maxSkippedPoints;
        EXPECT_EQ(ramp.targetOffset(), reached ? 100 : ParameterRamp::noTarget);
        EXPECT_EQ(ramp.targetValue(), reached ? 1.0 : 0.0);
    }
}

} // namespace
