#include "vstgui/gdiplusglobals.h"

#include <gtest/gtest.h>

namespace {

using VSTGUI::GDIPlusGlobals;

TEST(GDIPlusGlobals, RunsFromFirstEnterToLastExit) {
    ASSERT_FALSE(GDIPlusGlobals::running());
    ASSERT_EQ(GDIPlusGlobals::useCount(), 0);

    GDIPlusGlobals::enter();
    EXPECT_TRUE(GDIPlusGlobals::running());
    GDIPlusGlobals::enter();
    EXPECT_EQ(GDIPlusGlobals::useCount(), 2);

    GDIPlusGlobals::exit();
    EXPECT_TRUE(GDIPlusGlobals::running()) << "one reference is still held";
    EXPECT_EQ(GDIPlusGlobals::useCount(), 1);

    GDIPlusGlobals::exit();
    EXPECT_FALSE(GDIPlusGlobals::running());
    EXPECT_EQ(GDIPlusGlobals::useCount(), 0);

    // Starts again after a full shut-down.
    GDIPlusGlobals::enter();
    EXPECT_TRUE(GDIPlusGlobals::running());
    GDIPlusGlobals::exit();
    EXPECT_FALSE(GDIPlusGlobals::running());
}

TEST(GDIPlusGlobals, UnbalancedExitDoesNotStarveTheNextEnter) {
    GDIPlusGlobals::exit();
    EXPECT_EQ(GDIPlusGlobals::useCount(), 0);

    GDIPlusGlobals::enter();
    EXPECT_TRUE(GDIPlusGlobals::running());
    GDIPlusGlobals::exit();
    EXPECT_FALSE(GDIPlusGlobals::running());
}

} // namespace
