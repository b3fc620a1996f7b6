#include "wrappers/common/pointchanges.h"

#include <gtest/gtest.h>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using kelvane::wrappers::PointChanges;

struct Point {
    int32 offset;
    ParamValue value;
};

std::vector<Point> pointsOf(IParamValueQueue& queue) {
    std::vector<Point> points;
    for (int32 i = 0; i < queue.getPointCount(); ++i) {
        Point point{};
        EXPECT_EQ(queue.getPoint(i, point.offset, point.value), kResultOk);
        points.push_back(point);
    }
    return points;
}

TEST(PointChanges, KeepsPointsInHostOrderAndTheLatestValueOfAnOffset) {
    PointChanges changes(2, 8);
    EXPECT_TRUE(changes.addPoint(7, 4, 0.1));
    EXPECT_TRUE(changes.addPoint(7, 4, 0.2)); // same sample: replaces
    EXPECT_TRUE(changes.addPoint(7, 10, 0.3));
    EXPECT_TRUE(changes.addPoint(7, 2, 0.4)); // out of order: kept for the processor to skip
    EXPECT_TRUE(changes.addPoint(3, 0, 1.0));
    ASSERT_EQ(changes.getParameterCount(), 2);
    EXPECT_EQ(changes.getParameterData(0)->getParameterId(), 7u);
    const auto points = pointsOf(*changes.getParameterData(0));
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[0].offset, 4);
    EXPECT_EQ(points[0].value, 0.2);
    EXPECT_EQ(points[2].offset, 2);
    EXPECT_EQ(changes.find(3)->lastValue(), 1.0);
    EXPECT_EQ(changes.find(9), nullptr);
    EXPECT_EQ(changes.getParameterData(2), nullptr);
    EXPECT_EQ(changes.getParameterData(-1), nullptr);
    int32 offset = 0;
    ParamValue value = 0;
    EXPECT_NE(changes.getParameterData(0)->getPoint(3, offset, value), kResultOk);
}

TEST(PointChanges, FullQueuesAndFullChangesKeepTheLatestValue) {
    PointChanges changes(1, 3);
    for (int32 i = 0; i < 10; ++i) {
        EXPECT_TRUE(changes.addPoint(0, i, i * 0.1));
    }
    const auto points = pointsOf(*changes.getParameterData(0));
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[1].offset, 1);
    EXPECT_EQ(points[2].offset, 9);
    EXPECT_DOUBLE_EQ(points[2].value, 0.9);
    // No second queue.
    EXPECT_FALSE(changes.addPoint(1, 0, 0.5));
    changes.clear();
    EXPECT_EQ(changes.getParameterCount(), 0);
    EXPECT_TRUE(changes.addPoint(1, 0, 0.5));
    EXPECT_EQ(pointsOf(*changes.getParameterData(0)).size(), 1u);
}

TEST(PointChanges, AddingDirectlyIsAddingThroughTheInterface) {
    PointChanges viaInterface(1, 3);
    PointChanges direct(1, 3);
    int32 index = 0;
    IParamValueQueue* queue = viaInterface.addParameterData(5, index);
    auto* own = static_cast<kelvane::wrappers::PointQueue*>(direct.addParameterData(5, index));
    for (int32 offset : {3, 3, 7, 1, 9, 12}) {
        queue->addPoint(offset, offset * 0.01, index);
        own->add(offset, offset * 0.01);
    }
    EXPECT_EQ(own->pointCount(), 3);
    const auto expected = pointsOf(*queue);
    const auto actual = pointsOf(*own);
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
        EXPECT_EQ(actual[i].offset, expected[i].offset);
        EXPECT_EQ(actual[i].value, expected[i].value);
    }
}

TEST(PointChanges, DegenerateSizes) {
    PointChanges none(0, 0);
    EXPECT_FALSE(none.addPoint(0, 0, 0.0));
    EXPECT_EQ(none.pointCapacity(), 1);
    PointChanges negative(-3, -1);
    EXPECT_EQ(negative.parameterCapacity(), 0);
}

} // namespace

namespace {

std::vector<std::pair<int32, ParamValue>> pairsOf(IParamValueQueue& queue) {
    std::vector<std::pair<int32, ParamValue>> pairs;
    for (const Point& point : pointsOf(queue)) {
        pairs.emplace_back(point.offset, point.value);
    }
    return pairs;
}

TEST(StepWriter, StepsBecomeHoldAndValuePointsAfterWhatTheQueueHas) {
    using kelvane::wrappers::PointQueue;
    using kelvane::wrappers::StepWriter;
    using Pairs = std::vector<std::pair<int32, ParamValue>>;
    PointChanges changes(1, 16);
    changes.addPoint(7, 0, 0.5); // as an editor value at the block's start
    int32 index = 0;
    StepWriter writer;
    writer.open(*static_cast<PointQueue*>(changes.addParameterData(7, index)));
    writer.step(0, 0.5, 0.25); // replaces the point at 0
    writer.step(10, 0.25, 0.75);
    writer.step(10, 0.75, 1.0); // the same sample: the latest value counts
    writer.step(11, 1.0, 0.0);  // the sample before has a point already
    writer.step(5, 0.0, 0.125); // out of order: kept as the host gave it
    EXPECT_EQ(changes.getParameterData(0)->getPointCount(), 1); // until closed
    writer.close();
    EXPECT_FALSE(writer.isOpen());
    EXPECT_EQ(pairsOf(*changes.getParameterData(0)),
              (Pairs{{0, 0.25}, {9, 0.25}, {10, 1.0}, {11, 0.0}, {4, 0.0}, {5, 0.125}}));

    // A full queue keeps taking the latest value in its last point.
    PointChanges small(1, 3);
    writer.open(*static_cast<PointQueue*>(small.addParameterData(1, index)));
    for (int32 t = 1; t <= 20; t += 2) {
        writer.step(t, 0.0, t / 100.0);
    }
    writer.close();
    EXPECT_EQ(pairsOf(*small.getParameterData(0)), (Pairs{{0, 0.0}, {1, 0.01}, {19, 0.19}}));
}

} // namespace
