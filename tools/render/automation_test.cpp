#include "automation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using render::AutomationCurve;
using render::parseAutomation;

TEST(ParseAutomation, ReadsNameAndBreakpoints) {
    const render::ParamAutomation parsed = parseAutomation("timepan=0:0,6:1,6:0.25");
    EXPECT_EQ(parsed.id, 1u);
    ASSERT_EQ(parsed.breakpoints.size(), 3u);
    EXPECT_EQ(parsed.breakpoints[1].seconds, 6.0);
    EXPECT_EQ(parsed.breakpoints[2].value, 0.25);

    EXPECT_EQ(parseAutomation("bypass=1:1").id, 0u);
    EXPECT_EQ(parseAutomation("levelpan=0:0.5").id, 2u);
    EXPECT_EQ(parseAutomation("swap=0.5:1").id, 3u);
    EXPECT_EQ(parseAutomation("finedelay=0:1").id, 4u);
}

TEST(ParseAutomation, RefusesWhatCannotBeFollowed) {
    for (const char* text : {"timepan", "pan=0:1", "timepan=", "timepan=0", "timepan=0:x",
                             "timepan=0:1,", "timepan=0:1.5", "timepan=0:-0.1", "timepan=-1:0",
                             "timepan=2:0,1:1", "timepan=nan:0", "timepan=0:inf"}) {
        EXPECT_THROW(parseAutomation(text), std::invalid_argument) << text;
    }
}

TEST(ParseAutomation, TakesTinyNumbersAsNumbers) {
    // strtod reports these subnormal results as out of range; they are numbers all the same.
    const render::ParamAutomation parsed = parseAutomation("timepan=1e-320:4.9e-324");
    EXPECT_EQ(parsed.breakpoints[0].seconds, 1e-320);
    EXPECT_EQ(parsed.breakpoints[0].value, 4.9e-324);
    try {
        parseAutomation("timepan=1e999:0");
        ADD_FAILURE() << "an infinite time was taken";
    } catch (const std::invalid_argument& e) {
        EXPECT_NE(std::string(e.what()).find("is not a finite number"), std::string::npos);
    }
}

// Sample positions are 64-bit: the last time that has one is taken exactly, the first beyond
// it is refused instead of wrapping around (which made a ramp over 10^15 s jump at once).
TEST(AutomationCurve, TimesBeyondTheLastSamplePositionAreRefused) {
    const double lastPosition = std::nextafter(9223372036854775808.0, 0.0); // 2^63 - 1024
    const AutomationCurve farthest(
        parseAutomation("timepan=0:0," + std::to_string(lastPosition) + ":1"), 1.0);
    EXPECT_EQ(farthest.valueAt(static_cast<std::int64_t>(lastPosition)), 1.0);
    EXPECT_EQ(farthest.valueAt(0), 0.0);
    EXPECT_LT(farthest.valueAt(std::int64_t(1) << 62), 0.5000001);
    EXPECT_THROW(AutomationCurve(parseAutomation("timepan=0:0,9223372036854775808:1"), 1.0),
                 std::invalid_argument);
    EXPECT_THROW(AutomationCurve(parseAutomation("timepan=0:0,1e15:1"), 48000.0),
                 std::invalid_argument);

    // 10^14 s still fits at 48 kHz: one second into the ramp it has barely moved.
    const AutomationCurve slow(parseAutomation("timepan=0:0,1e14:1"), 48000.0);
    EXPECT_NEAR(slow.valueAt(48000), 1e-14, 1e-20);
    const auto points = slow.pointsFor(0, 64, 16);
    ASSERT_FALSE(points.empty());
    EXPECT_LT(points.back().second, 1e-15);
}

TEST(AutomationCurve, HoldsRampsAndJumps) {
    // At 10 Hz: 0.5 held until sample 10, a ramp to 1.0 at sample 20, a jump to 0 at sample 30.
    const AutomationCurve curve(parseAutomation("timepan=1:0.5,2:1,3:1,3:0"), 10.0);
    EXPECT_EQ(curve.valueAt(0), 0.5);
    EXPECT_EQ(curve.valueAt(10), 0.5);
    EXPECT_DOUBLE_EQ(curve.valueAt(15), 0.75);
    EXPECT_EQ(curve.valueAt(20), 1.0);
    EXPECT_EQ(curve.valueAt(29), 1.0);
    EXPECT_EQ(curve.valueAt(30), 0.0);
    EXPECT_EQ(curve.valueAt(1000), 0.0);
}

// The points of consecutive blocks, joined by straight lines as the processor ramps between
// them, must give the curve at every sample: nothing between two points may bend.
void expectPointsReproduceTheCurve(const AutomationCurve& curve, std::int64_t frames,
                                   Steinberg::int32 block, Steinberg::int32 spacing) {
    std::vector<std::pair<std::int64_t, double>> joined;
    for (std::int64_t start = 0; start < frames; start += block) {
        const auto n = static_cast<Steinberg::int32>(std::min<std::int64_t>(block, frames - start));
        const auto points = curve.pointsFor(start, n, spacing);
        ASSERT_FALSE(points.empty());
        EXPECT_EQ(points.front().first, 0);
        EXPECT_EQ(points.back().first, n - 1) << "every block ends on a point";
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (i > 0) {
                ASSERT_LT(points[i - 1].first, points[i].first);
                EXPECT_LE(points[i].first - points[i - 1].first, spacing);
            }
            joined.emplace_back(start + points[i].first, points[i].second);
        }
    }
    for (std::size_t i = 1; i < joined.size(); ++i) {
        const auto [s0, v0] = joined[i - 1];
        const auto [s1, v1] = joined[i];
        for (std::int64_t s = s0; s <= s1; ++s) {
            const double ramp =
                v0 + (v1 - v0) * static_cast<double>(s - s0) / static_cast<double>(s1 - s0);
            ASSERT_NEAR(ramp, curve.valueAt(s), 1e-12) << "sample " << s;
        }
    }
}

TEST(AutomationCurve, PointsOfEveryBlockFollowTheCurveExactly) {
    // Breakpoints off the point grid and across block borders, a jump, ramps both ways.
    const AutomationCurve curve(
        parseAutomation("timepan=0:0.2,0.0101:0.9,0.02:0.9,0.02:0.1,0.0333:1,0.05:0"), 48000.0);
    expectPointsReproduceTheCurve(curve, 3000, 100, 16);
    expectPointsReproduceTheCurve(curve, 3000, 7, 16);
    expectPointsReproduceTheCurve(curve, 3000, 512, 64);
}

TEST(AutomationCurve, BreakpointsArriveWithTheirExactValues) {
    const AutomationCurve curve(parseAutomation("timepan=0:0,0.001:0.3,0.002:0.7"), 48000.0);
    const auto points = curve.pointsFor(0, 128, 64);
    auto valueAtOffset = [&points](Steinberg::int32 offset) {
        for (const auto& [o, v] : points) {
            if (o == offset)
                return v;
        }
        return -1.0;
    };
    EXPECT_EQ(valueAtOffset(48), 0.3);
    EXPECT_EQ(valueAtOffset(96), 0.7);
    EXPECT_TRUE(curve.pointsFor(0, 0, 16).empty());
}

} // namespace
