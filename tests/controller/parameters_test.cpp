#include "controllerfixture.h"

#include <limits>

namespace controllertest {
namespace {

using Steinberg::kResultFalse;
using Steinberg::kResultOk;
using Steinberg::Vst::ParameterInfo;
using Steinberg::Vst::String128;

TEST_F(ControllerTest, HostSeesTheFourParameters) {
    ASSERT_EQ(controller->getParameterCount(), 4);
    const Steinberg::int32 steps[4] = {1, 0, 0, 1};
    const double defaults[4] = {0.0, 0.5, 0.5, 0.0};
    for (Steinberg::int32 index = 0; index < 4; ++index) {
        SCOPED_TRACE(index);
        ParameterInfo info{};
        ASSERT_EQ(controller->getParameterInfo(index, info), kResultOk);
        EXPECT_EQ(info.id, ParamID(index));
        EXPECT_EQ(text16(info.title), ascii16(Parameters::describe(info.id).title));
        EXPECT_FALSE(text16(info.title).empty());
        EXPECT_EQ(text16(info.units), u"");
        EXPECT_EQ(text16(info.shortTitle), u"");
        EXPECT_EQ(info.stepCount, steps[index]);
        EXPECT_EQ(info.defaultNormalizedValue, defaults[index]);
        EXPECT_EQ(info.unitId, Steinberg::Vst::kRootUnitId);
        const Steinberg::int32 expectedFlags =
            ParameterInfo::kCanAutomate | (index == 0 ? ParameterInfo::kIsBypass : 0);
        EXPECT_EQ(info.flags, expectedFlags);
    }
    EXPECT_EQ(values(), (Values{0.0, 0.5, 0.5, 0.0}));
}

TEST_F(ControllerTest, ParameterInfoPastEitherEndIsRefusedWithoutThrowing) {
    ParameterInfo info{};
    EXPECT_EQ(controller->getParameterInfo(4, info), kResultFalse);
    EXPECT_EQ(controller->getParameterInfo(-1, info), kResultFalse);
    EXPECT_EQ(controller->getParameterInfo(std::numeric_limits<Steinberg::int32>::max(), info),
              kResultFalse);
}

TEST_F(ControllerTest, SecondInitializeRegistersNothing) {
    EXPECT_EQ(controller->initialize(&host), kResultOk);
    EXPECT_EQ(controller->getParameterCount(), 4);
}

TEST(ControllerLifecycle, NullContextDoesNotRegisterTwiceAndTerminateAllowsAFreshStart) {
    auto controller = owned(new tivrandel::Controller);
    EXPECT_EQ(controller->initialize(nullptr), Steinberg::kResultOk);
    EXPECT_EQ(controller->initialize(nullptr), Steinberg::kResultOk);
    EXPECT_EQ(controller->getParameterCount(), 4);
    EXPECT_EQ(controller->terminate(), Steinberg::kResultOk);
    EXPECT_EQ(controller->getParameterCount(), 0);
    Steinberg::Vst::HostApplication host;
    EXPECT_EQ(controller->initialize(&host), Steinberg::kResultOk);
    EXPECT_EQ(controller->getParameterCount(), 4);
    controller->terminate();
}

TEST(ControllerLifecycle, FactoryInstanceIsAnEditControllerWithTheTimerHook) {
    Steinberg::FUnknown* instance = tivrandel::Controller::createInstance(nullptr);
    ASSERT_NE(instance, nullptr);
    auto controller = owned(static_cast<Steinberg::Vst::IEditController*>(instance));
    Steinberg::FUnknownPtr<Steinberg::Vst::IEditController2> second(controller);
    EXPECT_TRUE(second);
    Steinberg::FUnknownPtr<Steinberg::Vst::IConnectionPoint> connection(controller);
    EXPECT_TRUE(connection);
    EXPECT_NE(dynamic_cast<kelvane::vst::IOnEditorTimer*>(controller.get()), nullptr);
}

TEST_F(ControllerTest, DisplayTextFollowsTheParameterRules) {
    String128 text = {};
    ASSERT_EQ(controller->getParamStringByValue(1, 0.5, text), kResultOk);
    EXPECT_EQ(text16(text), ascii16(Parameters::displayText(1, 0.5f)));
    EXPECT_FALSE(text16(text).empty());

    // Beyond the float range the value narrows to an infinity, which the pan rule clamps.
    ASSERT_EQ(controller->getParamStringByValue(2, 1e300, text), kResultOk);
    EXPECT_EQ(text16(text), ascii16(Parameters::displayText(2, 1.0f)));
    ASSERT_EQ(controller->getParamStringByValue(2, -1e300, text), kResultOk);
    EXPECT_EQ(text16(text), ascii16(Parameters::displayText(2, 0.0f)));
}

TEST_F(ControllerTest, DisplayTextRefusesUnknownIdsAndNullOutput) {
    String128 text = {'x', 0};
    EXPECT_EQ(controller->getParamStringByValue(4, 0.5, text), kResultFalse);
    EXPECT_EQ(text16(text), u"x");
    EXPECT_EQ(controller->getParamStringByValue(1, 0.5, nullptr), kResultFalse);
    EXPECT_EQ(controller->getParamStringByValue(4, 0.5, nullptr), kResultFalse);
}

TEST_F(ControllerTest, TypedValuesAreReadAsNormalizedNumbers) {
    struct Case {
        std::u16string text;
        bool accepted;
        double value;
    };
    const Case cases[] = {
        {u"0.25", true, 0.25},  {u"0,75", true, 0.75},   {u"  1", true, 1.0},
        {u"0.5 dB", true, 0.5}, {u"abc", false, 0.0},    {u"", false, 0.0},
        {u"1e999", false, 0.0}, {u"\xD800", false, 0.0}, {u"\x0661", false, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
        std::u16string text = c.text;
        ParamValue value = -7.0;
        const auto result = controller->getParamValueByString(
            1, reinterpret_cast<Steinberg::Vst::TChar*>(&text[0]), value);
        EXPECT_EQ(result, c.accepted ? kResultOk : kResultFalse);
        EXPECT_EQ(value, c.accepted ? c.value : -7.0);
    }
    ParamValue value = 0.0;
    EXPECT_EQ(controller->getParamValueByString(1, nullptr, value), kResultFalse);
    std::u16string number = u"0.5";
    EXPECT_EQ(controller->getParamValueByString(
                  9, reinterpret_cast<Steinberg::Vst::TChar*>(&number[0]), value),
              kResultFalse);
}

} // namespace
} // namespace controllertest
