// Bitmaps hold premultiplied B, G, R, A bytes; LockBits reads and writes them (also through the
// caller's buffer and stride); drawing blends source-over, anti-aliases edges when asked, and
// the pixel offset mode decides where pixel centres lie.

#include "canvas.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Gdiplus;
using gdiplustest::Canvas;

namespace {

// Rounding of premultiplication and coverage differs by a step or two between implementations.
constexpr int byteTolerance = 2;

} // namespace

TEST(GdiplusBitmap, LocksPremultipliedBytesInBGRAOrderAndAnswersStraightColours) {
    Canvas canvas(4, 3);
    canvas.graphics().Clear(Color(128, 255, 64, 0));
    Bitmap& bitmap = canvas.bitmap();
    EXPECT_EQ(bitmap.GetWidth(), 4u);
    EXPECT_EQ(bitmap.GetHeight(), 3u);

    BitmapData data{};
    ASSERT_EQ(bitmap.LockBits(nullptr, ImageLockModeRead, PixelFormat32bppPARGB, &data), Ok);
    EXPECT_EQ(data.Width, 4u);
    EXPECT_EQ(data.Height, 3u);
    EXPECT_GE(data.Stride, 16);
    const auto* bytes = static_cast<const unsigned char*>(data.Scan0) + 2 * data.Stride + 3 * 4;
    EXPECT_NEAR(bytes[0], 0, byteTolerance);   // B
    EXPECT_NEAR(bytes[1], 32, byteTolerance);  // G, 64 * 128 / 255
    EXPECT_NEAR(bytes[2], 128, byteTolerance); // R
    EXPECT_EQ(bytes[3], 128);                  // A
    EXPECT_EQ(bitmap.UnlockBits(&data), Ok);

    Color colour;
    ASSERT_EQ(bitmap.GetPixel(3, 2, &colour), Ok);
    EXPECT_EQ(colour.GetA(), 128);
    EXPECT_NEAR(colour.GetR(), 255, byteTolerance);
    EXPECT_NEAR(colour.GetG(), 64, byteTolerance);

    BitmapData straight{};
    ASSERT_EQ(bitmap.LockBits(nullptr, ImageLockModeRead, PixelFormat32bppARGB, &straight), Ok);
    const auto* argb = static_cast<const unsigned char*>(straight.Scan0);
    EXPECT_NEAR(argb[2], 255, byteTolerance);
    EXPECT_EQ(argb[3], 128);
    bitmap.UnlockBits(&straight);
}

TEST(GdiplusBitmap, WritesAndReadsARectangleThroughTheCallersBuffer) {
    Canvas canvas(4, 4);
    canvas.graphics().Clear(Color(255, 0, 0, 255));
    Bitmap& bitmap = canvas.bitmap();

    // Two rows of two pixels with four spare bytes after each row, which must stay untouched.
    std::uint32_t buffer[6] = {0xFF00FF00, 0x80800000, 0xDEADBEEF,
                               0x00000000, 0xFFFFFFFF, 0xDEADBEEF};
    BitmapData data{};
    data.Width = 2;
    data.Height = 2;
    data.Stride = 12;
    data.PixelFormat = PixelFormat32bppPARGB;
    data.Scan0 = buffer;
    const Rect area(1, 2, 2, 2);
    ASSERT_EQ(bitmap.LockBits(&area, ImageLockModeWrite | ImageLockModeUserInputBuf,
                              PixelFormat32bppPARGB, &data),
              Ok);
    ASSERT_EQ(bitmap.UnlockBits(&data), Ok);

    auto word = [&](int x, int y) {
        const gdiplustest::Pixel p = canvas.at(x, y);
        return std::uint32_t(p.a) << 24 | std::uint32_t(p.r) << 16 | std::uint32_t(p.g) << 8 |
               std::uint32_t(p.b);
    };
    EXPECT_EQ(word(1, 2), 0xFF00FF00u);
    EXPECT_EQ(word(2, 2), 0x80800000u);
    EXPECT_EQ(word(1, 3), 0x00000000u);
    EXPECT_EQ(word(2, 3), 0xFFFFFFFFu);
    EXPECT_EQ(word(0, 2), 0xFF0000FFu);
    EXPECT_EQ(word(3, 3), 0xFF0000FFu);
    EXPECT_EQ(word(1, 1), 0xFF0000FFu);

    std::uint32_t readBack[6] = {0, 0, 0x12345678, 0, 0, 0x12345678};
    data.Stride = 12;
    data.Scan0 = readBack;
    ASSERT_EQ(bitmap.LockBits(&area, ImageLockModeRead | ImageLockModeUserInputBuf,
                              PixelFormat32bppPARGB, &data),
              Ok);
    bitmap.UnlockBits(&data);
    EXPECT_EQ(readBack[0], 0xFF00FF00u);
    EXPECT_EQ(readBack[1], 0x80800000u);
    EXPECT_EQ(readBack[2], 0x12345678u);
    EXPECT_EQ(readBack[4], 0xFFFFFFFFu);
    EXPECT_EQ(readBack[5], 0x12345678u);

    const Rect outside(3, 3, 2, 2);
    EXPECT_NE(bitmap.LockBits(&outside, ImageLockModeRead, PixelFormat32bppPARGB, &data), Ok);
}

TEST(GdiplusBitmap, BlendsSourceOverAndCopiesInSourceCopyMode) {
    Canvas canvas(4, 4);
    Graphics& g = canvas.graphics();
    g.Clear(Color(255, 0, 0, 255));
    SolidBrush halfRed(Color(128, 255, 0, 0));
    g.FillRectangle(&halfRed, 0, 0, 2, 4);
    g.SetCompositingMode(CompositingModeSourceCopy);
    g.FillRectangle(&halfRed, 2, 0, 2, 4);

    const gdiplustest::Pixel over = canvas.at(0, 1);
    EXPECT_EQ(over.a, 255);
    EXPECT_NEAR(over.r, 128, byteTolerance);
    EXPECT_NEAR(over.b, 127, byteTolerance);
    const gdiplustest::Pixel copied = canvas.at(3, 1);
    EXPECT_EQ(copied.a, 128);
    EXPECT_NEAR(copied.r, 128, byteTolerance);
    EXPECT_EQ(copied.b, 0);
}

TEST(GdiplusBitmap, AntiAliasingCoversEdgePixelsPartially) {
    if (gdiplustest::underWine())
        GTEST_SKIP() << "Wine's gdiplus does not anti-alias fills";
    Canvas canvas(8, 4);
    Graphics& g = canvas.graphics();
    g.SetPixelOffsetMode(PixelOffsetModeHalf);
    SolidBrush black(Color(255, 0, 0, 0));
    // Columns 1 and 5 are each half covered.
    g.FillRectangle(&black, 1.5f, 0.0f, 4.0f, 2.0f);
    g.SetSmoothingMode(SmoothingModeAntiAlias);
    g.FillRectangle(&black, 1.5f, 2.0f, 4.0f, 2.0f);

    for (int x : {1, 5}) {
        const int aliased = canvas.at(x, 0).a;
        EXPECT_TRUE(aliased == 0 || aliased == 255) << x;
        EXPECT_NEAR(canvas.at(x, 3).a, 128, 8) << x;
    }
    EXPECT_EQ(canvas.at(3, 3).a, 255);
    EXPECT_EQ(canvas.at(0, 3).a, 0);
    EXPECT_EQ(canvas.at(6, 3).a, 0);
}

TEST(GdiplusBitmap, PixelOffsetModeNonePutsPixelCentresOnIntegers) {
    if (gdiplustest::underWine())
        GTEST_SKIP() << "Wine's gdiplus does not anti-alias fills";
    SolidBrush black(Color(255, 0, 0, 0));
    Canvas half(4, 4);
    half.graphics().SetSmoothingMode(SmoothingModeAntiAlias);
    half.graphics().SetPixelOffsetMode(PixelOffsetModeHalf);
    half.graphics().FillRectangle(&black, 0.0f, 0.0f, 2.0f, 2.0f);
    EXPECT_EQ(half.at(0, 0).a, 255);
    EXPECT_EQ(half.at(1, 1).a, 255);
    EXPECT_EQ(half.at(2, 1).a, 0);

    // Pixel (0, 0) now spans -0.5 to 0.5 on both axes: a quarter of it is covered, half of
    // pixel (2, 1), and all of pixel (1, 1).
    Canvas none(4, 4);
    none.graphics().SetSmoothingMode(SmoothingModeAntiAlias);
    none.graphics().FillRectangle(&black, 0.0f, 0.0f, 2.0f, 2.0f);
    EXPECT_NEAR(none.at(0, 0).a, 64, 8);
    EXPECT_EQ(none.at(1, 1).a, 255);
    EXPECT_NEAR(none.at(2, 1).a, 128, 8);
    EXPECT_NEAR(none.at(2, 2).a, 64, 8);
}
