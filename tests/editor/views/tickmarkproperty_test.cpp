#include "viewtesting.h"

#include "editor/properties/arrayproperty.h"
#include "editor/views/tickmarkproperty.h"

#include <stdexcept>

namespace viewtest {
namespace {

using kelvane::vst::ArrayProperty;
using kelvane::vst::TickMark;
using kelvane::vst::TickMarkProperty;

TickMark whiteTick() {
    TickMark tick;
    tick.width = 2;
    tick.innerRadius = 34;
    tick.outerRadius = 40;
    tick.color = Gdiplus::Color(255, 255, 255, 255);
    return tick;
}

TEST(TickMarkProperty, AbsentMembersKeepTheirFieldAndOtherKeysAreIgnored) {
    TickMarkProperty property(whiteTick());
    property.load(json(R"({"width": 5, "label": "x", "Color": 7})"));
    EXPECT_EQ(property.get().width, 5);
    EXPECT_EQ(property.get().innerRadius, 34);
    EXPECT_EQ(property.get().outerRadius, 40);
    EXPECT_EQ(property.get().color.GetValue(), 0xFFFFFFFFu);

    // In a list every element starts from the zero tick mark.
    ArrayProperty<TickMarkProperty> list;
    list.load(json(R"([{"color": [255, 1, 2, 3]}, {"innerRadius": 1.5, "outerRadius": -2}])"));
    ASSERT_EQ(list.get().size(), 2u);
    EXPECT_EQ(list.get()[0].width, 0);
    EXPECT_EQ(list.get()[0].innerRadius, 0);
    EXPECT_EQ(list.get()[0].outerRadius, 0);
    EXPECT_EQ(list.get()[0].color.GetValue(), 0xFF010203u);
    EXPECT_EQ(list.get()[1].innerRadius, 1.5);
    EXPECT_EQ(list.get()[1].outerRadius, -2);
    EXPECT_EQ(list.get()[1].color.GetValue(), 0u);
}

TEST(TickMarkProperty, AnyBadMemberFailsTheWholeTickMark) {
    TickMarkProperty property(whiteTick());
    int calls = 0;
    property.addListener([&] { ++calls; });
    EXPECT_THROW(property.load(json(R"({"width": 1, "outerRadius": "9"})")), std::runtime_error);
    EXPECT_THROW(property.load(json(R"({"width": 1, "color": [1, 2]})")), std::out_of_range);
    EXPECT_THROW(property.load(json("[2, 34, 40]")), std::runtime_error);
    EXPECT_EQ(property.get().width, 2);
    EXPECT_EQ(property.get().outerRadius, 40);
    EXPECT_EQ(calls, 0);
}

} // namespace
} // namespace viewtest
