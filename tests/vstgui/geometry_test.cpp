#include "vstgui/lib/cbuttonstate.h"
#include "vstgui/lib/cinvalidrectlist.h"
#include "vstgui/lib/crect.h"

#include <gtest/gtest.h>

#include <vector>

namespace VSTGUI {
namespace {

TEST(Geometry, PointsOnTheLeftAndTopEdgeAreInsideThoseOnTheRightAndBottomAreNot) {
    const CRect rect(10, 20, 30, 40);
    EXPECT_TRUE(rect.pointInside(CPoint(10, 20)));
    EXPECT_TRUE(CPoint(29.5, 39.5).isInside(rect));
    EXPECT_FALSE(rect.pointInside(CPoint(30, 25)));
    EXPECT_FALSE(rect.pointInside(CPoint(15, 40)));
    EXPECT_FALSE(CRect().pointInside(CPoint()));
}

TEST(Geometry, UniteCountsEvenAnEmptyRectangleByItsCorners) {
    // The line view relies on this: its bounds always hold the origin.
    CRect bounds;
    bounds.unite(CRect(100, 100, 200, 150));
    EXPECT_EQ(bounds, CRect(0, 0, 200, 150));
    bounds.extend(8, 8);
    EXPECT_EQ(bounds, CRect(-8, -8, 208, 158));
    EXPECT_EQ(CRect(6, 16, 114, 64), CRect(10, 20, 110, 60).inset(4, 4).extend(8, 8));
}

TEST(Geometry, BoundIsTheIntersectionAndEmptyWhenApart) {
    CRect a(0, 0, 10, 10);
    EXPECT_EQ(a.bound(CRect(5, -5, 20, 5)), CRect(5, 0, 10, 5));
    CRect b(0, 0, 10, 10);
    EXPECT_TRUE(b.bound(CRect(20, 20, 30, 30)).isEmpty());
    EXPECT_GE(b.getWidth(), 0);
    EXPECT_GE(b.getHeight(), 0);
}

TEST(Geometry, ButtonStateBits) {
    EXPECT_EQ(kRButton, 8);
    const CButtonState right(kRButton | kShift);
    EXPECT_TRUE(right.isRightButton());
    EXPECT_FALSE(right.isLeftButton());
    EXPECT_EQ(right.getModifierState(), kShift);
    EXPECT_EQ(right.getButtonState(), kRButton);
    EXPECT_EQ(CButtonState(kLButton | kDoubleClick).getModifierState(), 0);
}

TEST(InvalidRectList, MergesOverlapsTransitivelyAndSkipsCoveredAndEmptyAreas) {
    CInvalidRectList list;
    EXPECT_TRUE(list.add(CRect(0, 0, 10, 10)));
    EXPECT_TRUE(list.add(CRect(20, 0, 30, 10)));
    EXPECT_FALSE(list.add(CRect(2, 2, 8, 8)));
    EXPECT_FALSE(list.add(CRect(50, 50, 50, 60)));
    // Touching edges stay apart.
    EXPECT_TRUE(list.add(CRect(10, 0, 20, 5)));
    EXPECT_EQ(list.size(), 3u);
    // One that bridges merges everything it reaches, also through the merged result.
    EXPECT_TRUE(list.add(CRect(5, 4, 25, 6)));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(*list.begin(), CRect(0, 0, 30, 10));
}

} // namespace
} // namespace VSTGUI
