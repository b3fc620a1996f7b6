// A control port's value in user units and the normalized value of its parameter.

#include "wrappers/lv2/lv2ports.h"
#include "wrappers/lv2/product.h"

#include "parameters/parameters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

using kelvane::lv2::ControlKind;
using kelvane::lv2::toNormalized;
using kelvane::lv2::toPort;

constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();

TEST(Lv2Ports, PanIsExactlyTheEngineValueOfThePosition) {
    for (float p : {-100.0f, -99.5f, -30.0f, -0.25f, 0.0f, 1e-6f, 33.3f, 50.0f, 100.0f}) {
        EXPECT_EQ(toNormalized(ControlKind::Pan, p), (static_cast<double>(p) + 100.0) / 200.0) << p;
    }
    EXPECT_EQ(toNormalized(ControlKind::Pan, -100.0f), 0.0);
    EXPECT_EQ(toNormalized(ControlKind::Pan, 0.0f), 0.5);
    EXPECT_EQ(toNormalized(ControlKind::Pan, 100.0f), 1.0);
}

TEST(Lv2Ports, ValuesOutsideThePortAreHeldAtItsEndsAndNanReadsAsTheMaximum) {
    EXPECT_EQ(toNormalized(ControlKind::Pan, 100.5f), 1.0);
    EXPECT_EQ(toNormalized(ControlKind::Pan, inf), 1.0);
    EXPECT_EQ(toNormalized(ControlKind::Pan, -1e30f), 0.0);
    EXPECT_EQ(toNormalized(ControlKind::Pan, -inf), 0.0);
    EXPECT_EQ(toNormalized(ControlKind::Pan, nan), 1.0);
    EXPECT_EQ(toNormalized(ControlKind::Switch, nan), 1.0);
    EXPECT_EQ(toNormalized(ControlKind::Switch, 7.0f), 1.0);
    EXPECT_EQ(toNormalized(ControlKind::Switch, -3.0f), 0.0);
    EXPECT_EQ(toNormalized(ControlKind::Enabled, nan), 0.0);
    EXPECT_EQ(toNormalized(ControlKind::Enabled, -inf), 1.0);
}

TEST(Lv2Ports, SwitchesAreOnAboveZeroAndEnabledIsTheInverseOfBypass) {
    EXPECT_EQ(toNormalized(ControlKind::Switch, 0.0f), 0.0);
    EXPECT_EQ(toNormalized(ControlKind::Switch, 1e-7f), 1.0);
    EXPECT_EQ(toNormalized(ControlKind::Switch, 1.0f), 1.0);
    EXPECT_EQ(toNormalized(ControlKind::Enabled, 1.0f), 0.0);
    EXPECT_EQ(toNormalized(ControlKind::Enabled, 0.0f), 1.0);
    EXPECT_EQ(toPort(ControlKind::Switch, 0.49), 0.0f);
    EXPECT_EQ(toPort(ControlKind::Switch, 0.5), 1.0f);
    EXPECT_EQ(toPort(ControlKind::Enabled, 0.0), 1.0f);
    EXPECT_EQ(toPort(ControlKind::Enabled, 1.0), 0.0f);
}

TEST(Lv2Ports, PortValuesOfNormalizedOnesRoundTrip) {
    for (int i = 0; i <= 16; ++i) {
        const double v = i / 16.0;
        EXPECT_EQ(toNormalized(ControlKind::Pan, toPort(ControlKind::Pan, v)), v) << v;
    }
    EXPECT_EQ(toPort(ControlKind::Pan, 0.75), 50.0f);
    EXPECT_EQ(toPort(ControlKind::Pan, -2.0), -100.0f);
    EXPECT_EQ(toPort(ControlKind::Pan, std::nan("")), 100.0f);
}

TEST(Lv2Ports, ReleaseVersionsAreEvenNonZeroAndGrow) {
    const kelvane::lv2::Version current = kelvane::lv2::releaseVersion(1, 0, 7);
    EXPECT_EQ(current.minor, 200);
    EXPECT_EQ(current.micro, 14);
    const int releases[][3] = {{0, 1, 0}, {0, 9, 3},  {1, 0, 0}, {1, 0, 7},  {1, 0, 8},
                               {1, 1, 0}, {1, 12, 1}, {2, 0, 0}, {3, 99, 99}};
    kelvane::lv2::Version previous{-1, -1};
    for (const auto& r : releases) {
        const kelvane::lv2::Version v = kelvane::lv2::releaseVersion(r[0], r[1], r[2]);
        // Neither a minor version of zero nor an odd number: no development release.
        EXPECT_GT(v.minor, 0);
        EXPECT_EQ(v.minor % 2, 0);
        EXPECT_EQ(v.micro % 2, 0);
        EXPECT_TRUE(v.minor > previous.minor ||
                    (v.minor == previous.minor && v.micro > previous.micro))
            << r[0] << "." << r[1] << "." << r[2];
        previous = v;
    }
}

TEST(Lv2Ports, TheProductsPortsCarryEveryParameterOnce) {
    const kelvane::lv2::PortLayout layout = tivrandel::lv2::portLayout();
    ASSERT_EQ(layout.controlCount, std::size_t(tivrandel::Parameters::count));
    bool seen[tivrandel::Parameters::count] = {};
    for (std::size_t i = 0; i < layout.controlCount; ++i) {
        const kelvane::lv2::ControlPort& port = layout.controls[i];
        ASSERT_LT(port.id, Steinberg::Vst::ParamID(tivrandel::Parameters::count));
        EXPECT_FALSE(seen[port.id]);
        seen[port.id] = true;
        // Switches are switches, the bypass is the host's enabled port.
        const auto& description = tivrandel::Parameters::describe(port.id);
        EXPECT_EQ(port.kind == ControlKind::Pan, description.stepCount == 0) << port.symbol;
        EXPECT_EQ(port.kind == ControlKind::Enabled, port.id == tivrandel::Parameters::Bypass);
    }
    EXPECT_EQ(std::string(layout.controls[0].symbol), "enabled");
}

} // namespace
