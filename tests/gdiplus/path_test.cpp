// Paths: Bézier chains (first point, three per segment) joined to lines, arcs measured as GDI+
// measures them, the knob pointer's capsule, fill modes and bounds.

#include "canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace Gdiplus;
using gdiplustest::Canvas;

namespace {

std::vector<PointF> pointsOf(const GraphicsPath& path) {
    std::vector<PointF> points(std::size_t(path.GetPointCount()));
    path.GetPathPoints(points.data(), INT(points.size()));
    return points;
}

} // namespace

TEST(GdiplusPath, StrokesLinesAndABezierChainAsOneFigure) {
    Canvas canvas(64, 32);
    Graphics& g = canvas.graphics();
    g.SetSmoothingMode(SmoothingModeAntiAlias);
    GraphicsPath path;
    const PointF line[2] = {PointF(2, 28), PointF(10, 28)};
    // Rises from (10, 28) to a top at y = 7 halfway, and comes back down at x = 50.
    const PointF curve[4] = {PointF(10, 28), PointF(10, 0), PointF(50, 0), PointF(50, 28)};
    ASSERT_EQ(path.AddLines(line, 2), Ok);
    ASSERT_EQ(path.AddBeziers(curve, 4), Ok);
    EXPECT_EQ(path.AddBeziers(curve, 3), InvalidParameter);
    Pen pen(Color(255, 0, 0, 0), 2);
    g.DrawPath(&pen, &path);

    EXPECT_GE(canvas.at(30, 7).a, 200); // the curve's top
    EXPECT_EQ(canvas.at(30, 3).a, 0);   // not its control points
    EXPECT_EQ(canvas.at(30, 12).a, 0);
    EXPECT_GE(canvas.at(6, 28).a, 200);  // the line
    EXPECT_GE(canvas.at(50, 26).a, 200); // the curve's end
    EXPECT_EQ(canvas.at(56, 28).a, 0);
}

TEST(GdiplusPath, ArcAnglesRunClockwiseAndPointFromTheCentre) {
    GraphicsPath quarter;
    quarter.AddArc(0, 0, 40, 20, 90, 90); // bottom to left
    const std::vector<PointF> q = pointsOf(quarter);
    ASSERT_EQ(q.size(), 4u);
    EXPECT_NEAR(q.front().X, 20, 1e-3);
    EXPECT_NEAR(q.front().Y, 20, 1e-3);
    EXPECT_NEAR(q.back().X, 0, 1e-3);
    EXPECT_NEAR(q.back().Y, 10, 1e-3);

    // On a flattened ellipse 45 degrees is the direction of the end point, x = y = sqrt(80)
    // from the centre, not the curve's parameter (which would give (34.1, 17.1)).
    GraphicsPath eighth;
    eighth.AddArc(0, 0, 40, 20, 0, 45);
    const std::vector<PointF> e = pointsOf(eighth);
    EXPECT_NEAR(e.front().X, 40, 1e-3);
    EXPECT_NEAR(e.front().Y, 10, 1e-3);
    EXPECT_NEAR(e.back().X, 20 + std::sqrt(80.0), 0.05);
    EXPECT_NEAR(e.back().Y, 10 + std::sqrt(80.0), 0.05);

    RectF bounds;
    GraphicsPath ellipse;
    ellipse.AddEllipse(5, 6, 40, 20);
    ellipse.GetBounds(&bounds);
    EXPECT_NEAR(bounds.X, 5, 0.01);
    EXPECT_NEAR(bounds.Y, 6, 0.01);
    EXPECT_NEAR(bounds.Width, 40, 0.01);
    EXPECT_NEAR(bounds.Height, 20, 0.01);
}

TEST(GdiplusPath, FillsTheKnobPointerCapsule) {
    // Two half circles of radius 2 around (0, 0) and (L, 0), joined and closed, moved to (10, 10).
    const REAL length = 9;
    GraphicsPath capsule(FillModeWinding);
    capsule.AddArc(-2.0f, -2.0f, 4.0f, 4.0f, 90.0f, 180.0f);
    capsule.AddArc(length - 2, -2.0f, 4.0f, 4.0f, 270.0f, 180.0f);
    capsule.CloseFigure();
    Matrix move;
    move.Translate(10, 10);
    capsule.Transform(&move);
    RectF bounds;
    capsule.GetBounds(&bounds);
    EXPECT_NEAR(bounds.X, 8, 0.01);
    EXPECT_NEAR(bounds.GetRight(), 21, 0.01);
    EXPECT_NEAR(bounds.Y, 8, 0.01);
    EXPECT_NEAR(bounds.GetBottom(), 12, 0.01);

    Canvas canvas(32, 20);
    Graphics& g = canvas.graphics();
    g.SetPixelOffsetMode(PixelOffsetModeHalf);
    g.SetSmoothingMode(SmoothingModeAntiAlias);
    SolidBrush black(Color(255, 0, 0, 0));
    g.FillPath(&black, &capsule);
    EXPECT_EQ(canvas.at(15, 9).a, 255); // the straight middle
    EXPECT_EQ(canvas.at(15, 10).a, 255);
    EXPECT_EQ(canvas.at(9, 9).a, 255);   // inside the left cap
    EXPECT_EQ(canvas.at(19, 10).a, 255); // inside the right cap
    EXPECT_LT(canvas.at(8, 8).a, 128);   // the caps are round: the corners stay clear
    EXPECT_LT(canvas.at(20, 11).a, 128);
    EXPECT_EQ(canvas.at(7, 10).a, 0);
    EXPECT_EQ(canvas.at(22, 10).a, 0);
    EXPECT_EQ(canvas.at(15, 7).a, 0);
    EXPECT_EQ(canvas.at(15, 12).a, 0);
}

TEST(GdiplusPath, AlternateFillLeavesOverlapsOpenAndWindingFillsThem) {
    auto overlapping = [](FillMode mode) {
        auto path = std::make_unique<GraphicsPath>(mode);
        path->AddRectangle(RectF(0, 0, 8, 8));
        path->AddRectangle(RectF(4, 0, 8, 8));
        return path;
    };
    SolidBrush black(Color(255, 0, 0, 0));
    Canvas alternate(16, 8);
    alternate.graphics().FillPath(&black, overlapping(FillModeAlternate).get());
    EXPECT_EQ(alternate.at(2, 4).a, 255);
    EXPECT_EQ(alternate.at(6, 4).a, 0);
    EXPECT_EQ(alternate.at(10, 4).a, 255);

    Canvas winding(16, 8);
    auto path = overlapping(FillModeAlternate);
    path->SetFillMode(FillModeWinding);
    winding.graphics().FillPath(&black, path.get());
    EXPECT_EQ(winding.at(6, 4).a, 255);
}
