#include "propertytesting.h"

#include "editor/properties/scalarproperties.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace propertytest {
namespace {

using kelvane::vst::DoubleProperty;

TEST(PropertyListeners, EveryLoadAndSetNotifiesInOrderEvenForAnEqualValue) {
    DoubleProperty property(1.5);
    std::vector<std::string> calls;
    property.addListener([&] { calls.push_back("first " + std::to_string(property.get())); });
    property.addListener([&] { calls.push_back("second"); });
    property.load(json("1.5"));
    property.load(json("1.5"));
    property.set(2.0);
    const std::vector<std::string> expected = {"first 1.500000", "second",         "first 1.500000",
                                               "second",         "first 2.000000", "second"};
    EXPECT_EQ(calls, expected);
}

TEST(PropertyListeners, ThrowingListenerEndsTheRoundAfterTheValueWasAssigned) {
    DoubleProperty property;
    int before = 0;
    int after = 0;
    property.addListener([&] { ++before; });
    property.addListener([] { throw std::range_error("listener"); });
    property.addListener([&] { ++after; });
    EXPECT_THROW(property.load(json("4")), std::range_error);
    EXPECT_EQ(property.get(), 4.0);
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 0);

    DoubleProperty empty;
    empty.addListener(std::function<void()>());
    EXPECT_THROW(empty.set(1.0), std::bad_function_call);
    EXPECT_EQ(empty.get(), 1.0);
}

TEST(PropertyListeners, ListenerAddedDuringNotificationRunsFromTheNextRound) {
    DoubleProperty property;
    int added = 0;
    property.addListener([&] { property.addListener([&] { ++added; }); });
    property.set(1.0);
    EXPECT_EQ(added, 0);
    property.set(2.0);
    EXPECT_EQ(added, 1);
}

} // namespace
} // namespace propertytest
