#include "vst2/vst2host.h"

#include "parameters/parameters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

// Text typed into a VST 2 host reads as the controller reads it for every other entry.
namespace {

using namespace vst2host;
using tivrandel::Parameters;

class Vst2TypedValuesTest : public ::testing::Test {
protected:
    void SetUp() override { hostCalls().clear(); }

    // effString2Parameter's answer; the parameter's value is then read back with getParameter.
    VstIntPtr type(Effect& effect, int index, std::string text) {
        return effect.dispatch(effString2Parameter, index, 0, &text[0]);
    }
    float value(Effect& effect, int index) {
        return effect->getParameter(effect.operator->(), index);
    }

    RecordingFactory factory;
};

TEST_F(Vst2TypedValuesTest, DisplayFormsAndSwitchTextsAreRead) {
    Effect effect(&factory);
    ASSERT_TRUE(effect);
    EXPECT_EQ(type(effect, Parameters::TimePan, "-50.0 L"), 1);
    EXPECT_EQ(value(effect, Parameters::TimePan), 0.25f);
    EXPECT_EQ(type(effect, Parameters::TimePan, "C"), 1);
    EXPECT_EQ(value(effect, Parameters::TimePan), 0.5f);
    EXPECT_EQ(type(effect, Parameters::LevelPan, "30,0 r"), 1);
    EXPECT_EQ(value(effect, Parameters::LevelPan), 0.65f);
    EXPECT_EQ(type(effect, Parameters::LevelPan, "L 200"), 1);
    EXPECT_EQ(value(effect, Parameters::LevelPan), 0.0f);
    EXPECT_EQ(type(effect, Parameters::Bypass, "on"), 1);
    EXPECT_EQ(value(effect, Parameters::Bypass), 1.0f);
    EXPECT_EQ(type(effect, Parameters::SwapChannels, "-5"), 1);
    EXPECT_EQ(value(effect, Parameters::SwapChannels), 0.0f);

    // Refused text changes nothing.
    for (const char* refused : {"abc", "5 C", "On", "", "1e999", "\xC3\xA9"}) {
        SCOPED_TRACE(refused);
        EXPECT_EQ(type(effect, Parameters::TimePan, refused), 0);
        EXPECT_EQ(value(effect, Parameters::TimePan), 0.5f);
    }
}

TEST_F(Vst2TypedValuesTest, TheHostsDisplayTextReadsBackToItsValue) {
    Effect effect(&factory);
    ASSERT_TRUE(effect);
    for (int index = 0; index < Parameters::count; ++index) {
        SCOPED_TRACE(index);
        const bool pan = index == Parameters::TimePan || index == Parameters::LevelPan;
        for (int k = 0; k <= 1000; ++k) {
            const float v = static_cast<float>(k) / 1000.0f;
            effect->setParameter(effect.operator->(), index, v);
            const std::string shown = effect.text(effGetParamDisplay, index);
            ASSERT_EQ(type(effect, index, shown), 1) << shown;
            if (pan) {
                ASSERT_NEAR(value(effect, index), v, 0.05 / 200.0 + 1e-6) << shown;
            } else {
                ASSERT_EQ(value(effect, index), v < 0.5f ? 0.0f : 1.0f) << shown;
            }
            if (shown != "-0.0 L" && shown != "+0.0 R") {
                ASSERT_EQ(effect.text(effGetParamDisplay, index), shown);
            }
        }
    }
}

} // namespace
