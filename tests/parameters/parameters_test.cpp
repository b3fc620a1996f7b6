#include "parameters/parameters.h"

#include "framework/typedtext.h"

#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>

using tivrandel::Parameters;

TEST(Parameters, DescribeTheFiveParametersAsTheHostSeesThem) {
    using Steinberg::Vst::ParameterInfo;
    EXPECT_EQ(Parameters::describe(0).flags,
              ParameterInfo::kCanAutomate | ParameterInfo::kIsBypass);
    const double defaults[] = {0.0, 0.5, 0.5, 0.0, 0.0};
    const int steps[] = {1, 0, 0, 1, 1};
    std::set<std::string> keys{Parameters::versionKey(), Parameters::tagKey()};
    for (Steinberg::Vst::ParamID id = 0; id < 5; ++id) {
        EXPECT_EQ(Parameters::describe(id).defaultValue, defaults[id]);
        EXPECT_EQ(Parameters::describe(id).stepCount, steps[id]);
        if (id > 0 && id < 4) {
            EXPECT_EQ(Parameters::describe(id).flags, ParameterInfo::kCanAutomate);
        }
        keys.insert(Parameters::describe(id).stateKey);
    }
    // It changes the latency, which hosts take in only between blocks.
    EXPECT_EQ(Parameters::describe(Parameters::FineDelay).flags, 0);
    EXPECT_EQ(keys.size(), 7u) << "state keys must be distinct";
    EXPECT_STRNE(Parameters::processorTag(), Parameters::controllerTag());
    EXPECT_THROW(Parameters::describe(5), std::out_of_range);
}

TEST(Parameters, StatesHoldTheFineDelayOnlyWhileItIsOn) {
    for (Steinberg::Vst::ParamID id = 0; id < 4; ++id) {
        EXPECT_TRUE(Parameters::saved(id, 0.0));
        EXPECT_TRUE(Parameters::saved(id, 0.75));
    }
    EXPECT_FALSE(Parameters::saved(Parameters::FineDelay, 0.0));
    EXPECT_FALSE(Parameters::saved(Parameters::FineDelay, 0.49));
    EXPECT_TRUE(Parameters::saved(Parameters::FineDelay, 0.5));
    EXPECT_TRUE(Parameters::saved(Parameters::FineDelay, 1.0));
}

TEST(Parameters, PanTextFollowsTheSignOfThePosition) {
    for (auto id : {Parameters::TimePan, Parameters::LevelPan}) {
        EXPECT_EQ(Parameters::displayText(id, 0.5f), "0.0 C");
        EXPECT_EQ(Parameters::displayText(id, 0.0f), "-100.0 L");
        EXPECT_EQ(Parameters::displayText(id, 1.0f), "+100.0 R");
        EXPECT_EQ(Parameters::displayText(id, 0.75f), "+50.0 R");
        EXPECT_EQ(Parameters::displayText(id, 0.25f), "-50.0 L");
        // Out of range values are clamped, NaN counts as the right end.
        EXPECT_EQ(Parameters::displayText(id, -3.0f), "-100.0 L");
        EXPECT_EQ(Parameters::displayText(id, 7.0f), "+100.0 R");
        EXPECT_EQ(Parameters::displayText(id, std::numeric_limits<float>::quiet_NaN()), "+100.0 R");
    }
}

TEST(Parameters, SwitchesReadAsOnFromOneHalfUpward) {
    for (auto id : {Parameters::Bypass, Parameters::SwapChannels, Parameters::FineDelay}) {
        EXPECT_EQ(Parameters::displayText(id, 0.5f), "On");
        EXPECT_EQ(Parameters::displayText(id, 0.49f), "Off");
        EXPECT_EQ(Parameters::displayText(id, 0.0f), "Off");
        EXPECT_EQ(Parameters::displayText(id, 1.0f), "On");
    }
    // Bypass rounds, so it is off again well below zero; the swap compares.
    EXPECT_EQ(Parameters::displayText(Parameters::Bypass, -0.5f), "Off");
    EXPECT_EQ(Parameters::displayText(Parameters::Bypass, -0.51f), "On");
    EXPECT_EQ(Parameters::displayText(Parameters::SwapChannels, -0.51f), "Off");
    EXPECT_THROW(Parameters::displayText(5, 0.0f), std::out_of_range);
}

// The product's reading rule gets the parts of a typed text; the controller then refuses what is
// not finite and clamps.
TEST(Parameters, ReadTextTakesTheDisplayPartsAndLeavesTheRangeToItsCaller) {
    kelvane::vst::TypedText typed;
    typed.hasNumber = true;
    typed.number = 250.0;
    typed.after = "l";
    double value = -7.0;
    ASSERT_TRUE(Parameters::readText(Parameters::TimePan, typed, value));
    EXPECT_EQ(value, (-2.5 + 1.0) / 2.0); // unclamped
    typed.after = "R";
    ASSERT_TRUE(Parameters::readText(Parameters::LevelPan, typed, value));
    EXPECT_EQ(value, (2.5 + 1.0) / 2.0);
    // A switch ignores a word after its number, as before; a side letter alone it refuses.
    EXPECT_TRUE(Parameters::readText(Parameters::Bypass, typed, value));
    EXPECT_EQ(value, 250.0);
    typed = kelvane::vst::TypedText();
    typed.before = "R";
    value = -7.0;
    EXPECT_FALSE(Parameters::readText(Parameters::SwapChannels, typed, value));
    EXPECT_FALSE(Parameters::readText(Parameters::FineDelay, typed, value));
    EXPECT_FALSE(Parameters::readText(5, typed, value));
    EXPECT_EQ(value, -7.0);
}
