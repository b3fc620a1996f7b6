// Brushes and pens: a tiled vertical linear gradient, a radial path gradient over a circle,
// a clamped and transformed texture, and pen widths in world units.

#include "canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

using namespace Gdiplus;
using gdiplustest::Canvas;

namespace {

// A ramp of 255 over 100 pixels: whether a pixel samples it at its centre or its corner, and
// how an implementation steps its colours, moves a value by up to 4.
constexpr int rampTolerance = 4;

} // namespace

TEST(GdiplusBrush, LinearGradientInterpolatesAlongItsLineAndTiles) {
    Canvas canvas(4, 200);
    Graphics& g = canvas.graphics();
    g.SetPixelOffsetMode(PixelOffsetModeHalf);
    LinearGradientBrush brush(PointF(0, 0), PointF(0, 100), Color(255, 255, 0, 0),
                              Color(255, 0, 0, 255));
    ASSERT_EQ(brush.SetWrapMode(WrapModeTile), Ok);
    g.FillRectangle(&brush, 0, 0, 4, 200);

    EXPECT_NEAR(canvas.at(1, 0).r, 254, rampTolerance);
    EXPECT_NEAR(canvas.at(1, 0).b, 1, rampTolerance);
    EXPECT_NEAR(canvas.at(1, 25).r, 190, rampTolerance);
    EXPECT_NEAR(canvas.at(1, 25).b, 65, rampTolerance);
    EXPECT_NEAR(canvas.at(1, 75).b, 192, rampTolerance);
    EXPECT_NEAR(canvas.at(1, 99).b, 254, rampTolerance);
    EXPECT_EQ(canvas.at(2, 99).a, 255);
    EXPECT_EQ(canvas.at(2, 99).g, 0);
    // The next tile starts again with the first colour.
    EXPECT_NEAR(canvas.at(1, 100).r, 254, rampTolerance);
    EXPECT_NEAR(canvas.at(1, 150).b, 128, rampTolerance);
}

TEST(GdiplusBrush, PathGradientOfACircleFadesFromCentreToRim) {
    Canvas canvas(50, 50);
    Graphics& g = canvas.graphics();
    g.SetPixelOffsetMode(PixelOffsetModeHalf);
    g.SetSmoothingMode(SmoothingModeAntiAlias);
    GraphicsPath circle;
    circle.AddEllipse(5.0f, 5.0f, 40.0f, 40.0f);
    PathGradientBrush shadow(&circle);
    ASSERT_EQ(shadow.SetCenterColor(Color(255, 0, 0, 0)), Ok);
    const Color rim(0, 0, 0, 0);
    INT count = 1;
    ASSERT_EQ(shadow.SetSurroundColors(&rim, &count), Ok);
    g.FillPath(&shadow, &circle);

    EXPECT_GE(canvas.at(25, 25).a, 230);
    // Alpha falls with the distance from the centre, the same in every direction, within a
    // tenth of full scale (Wine's ramp runs a little above the straight line).
    for (auto [x, y] : {std::pair{35, 25}, std::pair{25, 15}, std::pair{18, 18}}) {
        const double d = std::hypot(x + 0.5 - 25, y + 0.5 - 25);
        EXPECT_NEAR(canvas.at(x, y).a, 255 * (1 - d / 20), 25) << x << "," << y;
    }
    EXPECT_LT(canvas.at(43, 25).a, 40);
    EXPECT_EQ(canvas.at(2, 2).a, 0);
    EXPECT_EQ(canvas.at(47, 25).a, 0);
}

TEST(GdiplusBrush, ClampedTextureIsPlacedByItsTransformAndTransparentOutside) {
    // Four 2 by 2 quadrants: red, green / blue, white.
    Bitmap texture(4, 4, PixelFormat32bppPARGB);
    {
        Graphics tg(&texture);
        const Color colours[4] = {Color(255, 255, 0, 0), Color(255, 0, 255, 0),
                                  Color(255, 0, 0, 255), Color(255, 255, 255, 255)};
        for (int i = 0; i < 4; ++i) {
            SolidBrush quadrant(colours[i]);
            tg.FillRectangle(&quadrant, (i % 2) * 2, (i / 2) * 2, 2, 2);
        }
    }
    TextureBrush brush(&texture, WrapModeClamp);
    Matrix placement(4, 0, 0, 4, 10, 10); // the texture covers 10..26 on both axes
    ASSERT_EQ(brush.SetTransform(&placement), Ok);

    Canvas canvas(40, 40);
    Graphics& g = canvas.graphics();
    g.SetPixelOffsetMode(PixelOffsetModeHalf);
    g.FillRectangle(&brush, 0, 0, 40, 40);
    EXPECT_EQ(canvas.at(13, 13).r, 255);
    EXPECT_EQ(canvas.at(13, 13).g, 0);
    EXPECT_EQ(canvas.at(22, 13).g, 255);
    EXPECT_EQ(canvas.at(13, 22).b, 255);
    EXPECT_EQ(canvas.at(22, 22).r, 255);
    EXPECT_EQ(canvas.at(22, 22).b, 255);
    EXPECT_EQ(canvas.at(5, 5).a, 0);
    EXPECT_EQ(canvas.at(30, 13).a, 0); // a tiling brush would repeat red here
    EXPECT_EQ(canvas.at(13, 30).a, 0);
}

TEST(GdiplusBrush, PenWidthIsInWorldUnits) {
    Canvas canvas(32, 32);
    Graphics& g = canvas.graphics();
    g.SetPixelOffsetMode(PixelOffsetModeHalf);
    g.ScaleTransform(3, 3);
    Pen pen(Color(255, 0, 0, 0), 2);
    EXPECT_FLOAT_EQ(pen.GetWidth(), 2);
    g.DrawLine(&pen, 1.0f, 5.0f, 9.0f, 5.0f); // 6 pixels wide, centred on y = 15
    const gdiplustest::Box box = canvas.ink();
    EXPECT_EQ(box.top, 12);
    EXPECT_EQ(box.bottom, 17);
    EXPECT_EQ(box.left, 3);
    EXPECT_EQ(box.right, 26);

    // Through a brush, the same.
    SolidBrush red(Color(255, 255, 0, 0));
    Pen brushed(&red, 3);
    g.ResetTransform();
    g.DrawLine(&brushed, 0.0f, 28.5f, 32.0f, 28.5f);
    EXPECT_EQ(canvas.at(10, 28).r, 255);
    EXPECT_EQ(canvas.at(10, 28).a, 255);
    EXPECT_EQ(canvas.at(10, 25).a, 0);
}
