// Clipping to rectangles: drawing stays inside, the rectangle goes through the transform of the
// moment it is set and stays on the device, bounds answer in world units, Save/Restore keep it.

#include "canvas.h"

#include <gtest/gtest.h>

using namespace Gdiplus;
using gdiplustest::Canvas;

namespace {

// The pixels of the 40 by 40 canvas that are opaque, as a box.
gdiplustest::Box filled(Canvas& canvas) {
    return canvas.ink(255);
}

void fillAll(Graphics& g) {
    SolidBrush red(Color(255, 255, 0, 0));
    const GraphicsState state = g.Save();
    g.ResetTransform();
    g.FillRectangle(&red, -10, -10, 100, 100);
    g.Restore(state);
}

} // namespace

TEST(GdiplusClip, DrawingStaysInsideTheRectangleOnTheDevice) {
    Canvas canvas(40, 40);
    Graphics& g = canvas.graphics();
    g.TranslateTransform(2, 3);
    ASSERT_EQ(g.SetClip(RectF(8, 7, 20, 10)), Ok);
    // A later transform leaves the clip where it was put, and bounds answer in world units.
    g.TranslateTransform(5, 5);
    RectF bounds;
    ASSERT_EQ(g.GetClipBounds(&bounds), Ok);
    EXPECT_FLOAT_EQ(bounds.X, 3); // device 10, 10 less the translation by 7, 8
    EXPECT_FLOAT_EQ(bounds.Y, 2);
    EXPECT_FLOAT_EQ(bounds.Width, 20);
    EXPECT_FLOAT_EQ(bounds.Height, 10);
    fillAll(g);
    const gdiplustest::Box box = filled(canvas);
    EXPECT_EQ(box.left, 10);
    EXPECT_EQ(box.top, 10);
    EXPECT_EQ(box.right, 29);
    EXPECT_EQ(box.bottom, 19);
    EXPECT_EQ(canvas.at(9, 15).a, 0);
}

TEST(GdiplusClip, IntersectsSavesRestoresAndResets) {
    Canvas canvas(40, 40);
    Graphics& g = canvas.graphics();
    g.SetClip(Rect(0, 0, 20, 20));
    ASSERT_EQ(g.SetClip(Rect(10, 5, 20, 10), CombineModeIntersect), Ok);
    const GraphicsState state = g.Save();
    g.SetClip(Rect(30, 30, 5, 5));
    g.Restore(state);
    fillAll(g);
    gdiplustest::Box box = filled(canvas);
    EXPECT_EQ(box.left, 10);
    EXPECT_EQ(box.top, 5);
    EXPECT_EQ(box.right, 19);
    EXPECT_EQ(box.bottom, 14);

    ASSERT_EQ(g.ResetClip(), Ok);
    fillAll(g);
    box = filled(canvas);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.bottom, 39);
}
