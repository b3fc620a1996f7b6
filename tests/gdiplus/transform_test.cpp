// World transforms: matrix orders (prepend applies the new operation first), graphics
// transforms composing the same way, and Save/Restore bringing back transform and settings.

#include "canvas.h"

#include <gtest/gtest.h>

using namespace Gdiplus;
using gdiplustest::Canvas;

namespace {

PointF mapped(const Matrix& m, PointF p) {
    m.TransformPoints(&p, 1);
    return p;
}

} // namespace

TEST(GdiplusTransform, MatrixOrdersPrependAndAppend) {
    Matrix prepend;
    prepend.Translate(10, 0);
    prepend.Rotate(90); // rotates first, then translates
    REAL e[6];
    ASSERT_EQ(prepend.GetElements(e), Ok);
    EXPECT_NEAR(e[0], 0, 1e-6);
    EXPECT_NEAR(e[1], 1, 1e-6);
    EXPECT_NEAR(e[2], -1, 1e-6);
    EXPECT_NEAR(e[3], 0, 1e-6);
    EXPECT_NEAR(e[4], 10, 1e-6);
    EXPECT_NEAR(e[5], 0, 1e-6);
    // Clockwise on screen: the x axis turns to point down.
    EXPECT_NEAR(mapped(prepend, PointF(1, 0)).X, 10, 1e-5);
    EXPECT_NEAR(mapped(prepend, PointF(1, 0)).Y, 1, 1e-5);

    Matrix append;
    append.Translate(10, 0);
    append.Rotate(90, MatrixOrderAppend);
    EXPECT_NEAR(mapped(append, PointF(1, 0)).X, 0, 1e-5);
    EXPECT_NEAR(mapped(append, PointF(1, 0)).Y, 11, 1e-5);

    Matrix scale(2, 0, 0, 3, 0, 0);
    Matrix product;
    product.Translate(1, 1);
    product.Multiply(&scale, MatrixOrderAppend); // translate, then scale
    EXPECT_NEAR(mapped(product, PointF(0, 0)).X, 2, 1e-6);
    EXPECT_NEAR(mapped(product, PointF(0, 0)).Y, 3, 1e-6);
    product.Invert();
    EXPECT_NEAR(mapped(product, PointF(2, 3)).X, 0, 1e-6);
    EXPECT_NEAR(mapped(product, PointF(2, 3)).Y, 0, 1e-6);
}

TEST(GdiplusTransform, GraphicsTransformsComposeInTheGivenOrder) {
    SolidBrush black(Color(255, 0, 0, 0));
    Canvas prepend(32, 8);
    prepend.graphics().SetPixelOffsetMode(PixelOffsetModeHalf);
    prepend.graphics().TranslateTransform(10, 0);
    prepend.graphics().ScaleTransform(2, 2); // scales first: the unit square lands at 10..12
    prepend.graphics().FillRectangle(&black, 0.0f, 0.0f, 1.0f, 1.0f);
    EXPECT_EQ(prepend.ink().left, 10);
    EXPECT_EQ(prepend.ink().right, 11);
    EXPECT_EQ(prepend.ink().bottom, 1);

    Canvas append(32, 8);
    append.graphics().SetPixelOffsetMode(PixelOffsetModeHalf);
    append.graphics().TranslateTransform(10, 0);
    Matrix scale(2, 0, 0, 2, 0, 0);
    append.graphics().MultiplyTransform(&scale, MatrixOrderAppend); // translation scaled too
    append.graphics().FillRectangle(&black, 0.0f, 0.0f, 1.0f, 1.0f);
    EXPECT_EQ(append.ink().left, 20);
    EXPECT_EQ(append.ink().right, 21);

    Canvas rotated(16, 16);
    rotated.graphics().SetPixelOffsetMode(PixelOffsetModeHalf);
    rotated.graphics().TranslateTransform(5, 5);
    rotated.graphics().RotateTransform(90);
    rotated.graphics().FillRectangle(&black, 2.0f, 0.0f, 2.0f, 1.0f); // to x 4..5, y 7..9
    const gdiplustest::Box box = rotated.ink();
    EXPECT_EQ(box.left, 4);
    EXPECT_EQ(box.right, 4);
    EXPECT_EQ(box.top, 7);
    EXPECT_EQ(box.bottom, 8);
}

TEST(GdiplusTransform, RestoreBringsBackTransformAndSettings) {
    Canvas canvas(16, 16);
    Graphics& g = canvas.graphics();
    g.TranslateTransform(3, 4);
    g.SetSmoothingMode(SmoothingModeAntiAlias);
    g.SetPixelOffsetMode(PixelOffsetModeHalf);
    const GraphicsState outer = g.Save();
    g.ResetTransform();
    g.RotateTransform(30);
    g.SetSmoothingMode(SmoothingModeNone);
    g.SetPixelOffsetMode(PixelOffsetModeNone);
    g.SetCompositingMode(CompositingModeSourceCopy);
    g.Save(); // dropped with the outer state
    g.ScaleTransform(5, 5);
    ASSERT_EQ(g.Restore(outer), Ok);

    Matrix m;
    g.GetTransform(&m);
    REAL e[6];
    m.GetElements(e);
    EXPECT_FLOAT_EQ(e[0], 1);
    EXPECT_FLOAT_EQ(e[1], 0);
    EXPECT_FLOAT_EQ(e[4], 3);
    EXPECT_FLOAT_EQ(e[5], 4);
    EXPECT_EQ(g.GetSmoothingMode(), SmoothingModeAntiAlias);
    EXPECT_EQ(g.GetPixelOffsetMode(), PixelOffsetModeHalf);
    EXPECT_EQ(g.GetCompositingMode(), CompositingModeSourceOver);

    SolidBrush black(Color(255, 0, 0, 0));
    g.FillRectangle(&black, 0.0f, 0.0f, 2.0f, 2.0f);
    EXPECT_EQ(canvas.ink().left, 3);
    EXPECT_EQ(canvas.ink().top, 4);
    EXPECT_EQ(canvas.ink().right, 4);
}
