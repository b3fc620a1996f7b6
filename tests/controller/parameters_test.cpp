#include "controllerfixture.h"

#include <algorithm>
#include <initializer_list>
#include <limits>
#include <string>

namespace controllertest {
namespace {

using Steinberg::kResultFalse;
using Steinberg::kResultOk;
using Steinberg::Vst::ParameterInfo;
using Steinberg::Vst::String128;

TEST_F(ControllerTest, HostSeesTheFiveParameters) {
    ASSERT_EQ(controller->getParameterCount(), 5);
    const Steinberg::int32 steps[5] = {1, 0, 0, 1, 1};
    const double defaults[5] = {0.0, 0.5, 0.5, 0.0, 0.0};
    for (Steinberg::int32 index = 0; index < 5; ++index) {
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
        // The fine delay changes the latency: hosts save and show it but do not automate it.
        const Steinberg::int32 expectedFlags =
            index == 4 ? 0
                       : ParameterInfo::kCanAutomate | (index == 0 ? ParameterInfo::kIsBypass : 0);
        EXPECT_EQ(info.flags, expectedFlags);
    }
    EXPECT_EQ(values(), (Values{0.0, 0.5, 0.5, 0.0, 0.0}));
}

TEST_F(ControllerTest, ParameterInfoPastEitherEndIsRefusedWithoutThrowing) {
    ParameterInfo info{};
    EXPECT_EQ(controller->getParameterInfo(5, info), kResultFalse);
    EXPECT_EQ(controller->getParameterInfo(-1, info), kResultFalse);
    EXPECT_EQ(controller->getParameterInfo(std::numeric_limits<Steinberg::int32>::max(), info),
              kResultFalse);
}

TEST_F(ControllerTest, SecondInitializeRegistersNothing) {
    EXPECT_EQ(controller->initialize(&host), kResultOk);
    EXPECT_EQ(controller->getParameterCount(), 5);
}

TEST(ControllerLifecycle, NullContextDoesNotRegisterTwiceAndTerminateAllowsAFreshStart) {
    auto controller = owned(new tivrandel::Controller);
    EXPECT_EQ(controller->initialize(nullptr), Steinberg::kResultOk);
    EXPECT_EQ(controller->initialize(nullptr), Steinberg::kResultOk);
    EXPECT_EQ(controller->getParameterCount(), 5);
    EXPECT_EQ(controller->terminate(), Steinberg::kResultOk);
    EXPECT_EQ(controller->getParameterCount(), 0);
    Steinberg::Vst::HostApplication host;
    EXPECT_EQ(controller->initialize(&host), Steinberg::kResultOk);
    EXPECT_EQ(controller->getParameterCount(), 5);
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
    EXPECT_EQ(controller->getParamStringByValue(5, 0.5, text), kResultFalse);
    EXPECT_EQ(text16(text), u"x");
    EXPECT_EQ(controller->getParamStringByValue(1, 0.5, nullptr), kResultFalse);
    EXPECT_EQ(controller->getParamStringByValue(5, 0.5, nullptr), kResultFalse);
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

// What a host's text field hands over: a String128 of the typed text.
Steinberg::tresult typedValue(tivrandel::Controller& controller, ParamID id,
                              const std::u16string& typed, ParamValue& value) {
    String128 text = {};
    std::copy(typed.begin(), typed.end(), text);
    return controller.getParamValueByString(id, text, value);
}

struct Typed {
    std::u16string text;
    bool accepted;
    double value;
};

void expectTyped(tivrandel::Controller& controller, ParamID id,
                 std::initializer_list<Typed> cases) {
    for (const Typed& c : cases) {
        SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
        ParamValue value = -7.0;
        EXPECT_EQ(typedValue(controller, id, c.text, value), c.accepted ? kResultOk : kResultFalse);
        EXPECT_EQ(value, c.accepted ? c.value : -7.0);
    }
}

TEST_F(ControllerTest, PansReadTheirDisplayFormAsThePositionShown) {
    for (ParamID id : {ParamID(Parameters::TimePan), ParamID(Parameters::LevelPan)}) {
        SCOPED_TRACE(id);
        expectTyped(
            *controller, id,
            {
                {u"-50", true, 0.25},     {u"-50.0 L", true, 0.25},  {u"50 L", true, 0.25},
                {u"L 50", true, 0.25},    {u" l50 ", true, 0.25},    {u"-50,5 l", true, 0.2475},
                {u"+30 R", true, 0.65},   {u"30r", true, 0.65},      {u"R -30", true, 0.65},
                {u"+50", true, 0.75},     {u"C", true, 0.5},         {u"0 C", true, 0.5},
                {u"0.0 c", true, 0.5},    {u"-0,0 C", true, 0.5},    {u"+0", true, 0.5},
                {u"50 left", true, 0.25}, {u"Right 50", true, 0.75}, {u"centre", true, 0.5},
                {u"-150", true, 0.0},     {u"250 R", true, 1.0},     {u"-100.0 L", true, 0.0},
                {u"+100.0 R", true, 1.0},
            });
        // Unsigned numbers keep their meaning: the normalized value, now within [0, 1].
        expectTyped(*controller, id,
                    {{u"0.25", true, 0.25},
                     {u"0,75", true, 0.75},
                     {u"50", true, 1.0},
                     {u"1e308", true, 1.0},
                     {u"0.5 dB", true, 0.5},
                     {u"-1e308", true, 0.0}});
        expectTyped(*controller, id,
                    {{u"L", false, 0.0},
                     {u"R", false, 0.0},
                     {u"5 C", false, 0.0},
                     {u"C 5", false, 0.0},
                     {u"L 50 R", false, 0.0},
                     {u"50 L x", false, 0.0},
                     {u"X 50", false, 0.0},
                     {u"1e999 L", false, 0.0},
                     {u"nan", false, 0.0},
                     {u"inf", false, 0.0}});
    }
}

TEST_F(ControllerTest, SwitchesReadTheirTextsInAnyCaseAndNumbers) {
    for (ParamID id : {ParamID(Parameters::Bypass), ParamID(Parameters::SwapChannels),
                       ParamID(Parameters::FineDelay)}) {
        SCOPED_TRACE(id);
        expectTyped(*controller, id,
                    {{u"On", true, 1.0},
                     {u" oN ", true, 1.0},
                     {u"OFF", true, 0.0},
                     {u"off", true, 0.0},
                     {u"1", true, 1.0},
                     {u"0.5", true, 0.5},
                     {u"-5", true, 0.0},
                     {u"1e308", true, 1.0},
                     {u"Onn", false, 0.0},
                     {u"On 1", false, 0.0},
                     {u"C", false, 0.0},
                     {u"x 1", false, 0.0},
                     {u"inf", false, 0.0}});
    }
}

TEST_F(ControllerTest, EveryDisplayTextReadsBackToItsValue) {
    constexpr int steps = 20000;
    for (ParamID id = 0; id < 5; ++id) {
        SCOPED_TRACE(id);
        const bool pan = id == Parameters::TimePan || id == Parameters::LevelPan;
        for (int k = 0; k <= steps; ++k) {
            const double v = static_cast<double>(k) / steps;
            String128 shown = {};
            ASSERT_EQ(controller->getParamStringByValue(id, v, shown), kResultOk);
            ParamValue read = -7.0;
            ASSERT_EQ(controller->getParamValueByString(id, shown, read), kResultOk)
                << std::string(text16(shown).begin(), text16(shown).end());
            String128 again = {};
            ASSERT_EQ(controller->getParamStringByValue(id, read, again), kResultOk);
            const std::u16string first = text16(shown);
            // Half a step of the display's last digit (0.1 of 200 across the range), and the
            // float the display narrows to.
            if (pan) {
                ASSERT_NEAR(read, v, 0.05 / 200.0 + 1e-7) << k;
                // A position a hair off the centre shows as zero on its side and reads as the
                // centre itself.
                if (first != u"-0.0 L" && first != u"+0.0 R") {
                    ASSERT_EQ(text16(again), first) << k;
                }
            } else {
                ASSERT_EQ(read, v < 0.5 ? 0.0 : 1.0) << k;
                ASSERT_EQ(text16(again), first) << k;
            }
        }
    }
}

TEST_F(ControllerTest, ValuesThatAreNoNumberAreRefusedAndReachNoEditor) {
    auto editor = attachedEditor();
    ASSERT_EQ(controller->setParamNormalized(1, 0.3), kResultOk);
    editor->changes.clear();
    for (double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(controller->setParamNormalized(1, bad), kResultFalse);
        EXPECT_EQ(controller->getParamNormalized(1), 0.3);
    }
    EXPECT_TRUE(editor->changes.empty());
    // Finite values outside the range are still clamped, and the editors told as given.
    EXPECT_EQ(controller->setParamNormalized(1, 7.0), kResultOk);
    EXPECT_EQ(controller->getParamNormalized(1), 1.0);
    ASSERT_EQ(editor->changes.size(), 1u);
    EXPECT_EQ(editor->changes[0].second, 7.0);
    controller->editorRemoved(editor);
}

} // namespace
} // namespace controllertest
