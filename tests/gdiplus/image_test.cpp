// PNG decoding from memory (on Windows through a COM stream, as the resource cache does) into
// premultiplied pixels; bytes that are no image fail with a status.

#include "canvas.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace Gdiplus;
using gdiplustest::Canvas;

namespace {

// 2 by 2 RGBA: opaque red, green at alpha 128 / blue at alpha 0, white at alpha 64.
const unsigned char png[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52,
    0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x08, 0x06, 0x00, 0x00, 0x00, 0x72, 0xB6, 0x0D,
    0x24, 0x00, 0x00, 0x00, 0x15, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0xF8, 0xCF, 0xC0, 0xF0,
    0x1F, 0x08, 0x1B, 0x18, 0xC0, 0xF4, 0xFF, 0xFF, 0x0E, 0x00, 0x3F, 0x18, 0x07, 0xBA, 0x23, 0x7F,
    0x62, 0xE6, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

#ifdef _WIN32
std::unique_ptr<Image> decode(const void* data, std::size_t size) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(memory), data, size);
    GlobalUnlock(memory);
    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(memory, FALSE, &stream) != S_OK) {
        GlobalFree(memory);
        return nullptr;
    }
    std::unique_ptr<Image> image(Image::FromStream(stream));
    stream->Release();
    GlobalFree(memory);
    return image;
}
#else
std::unique_ptr<Image> decode(const void* data, std::size_t size) {
    return std::unique_ptr<Image>(kelvane::gdiplus::loadImageFromMemory(data, size));
}
#endif

} // namespace

TEST(GdiplusImage, DecodesAPngIntoPremultipliedPixels) {
    std::unique_ptr<Image> image = decode(png, sizeof png);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->GetLastStatus(), Ok);
    EXPECT_EQ(image->GetWidth(), 2u);
    EXPECT_EQ(image->GetHeight(), 2u);

    // Drawn into a premultiplied bitmap the way the resource cache does it.
    Canvas canvas(2, 2);
    Graphics& g = canvas.graphics();
    g.SetPixelOffsetMode(PixelOffsetModeHalf);
    g.SetSmoothingMode(SmoothingModeAntiAlias);
    g.DrawImage(image.get(), 0, 0, 2, 2);
    const gdiplustest::Pixel red = canvas.at(0, 0);
    EXPECT_EQ(red.a, 255);
    EXPECT_EQ(red.r, 255);
    EXPECT_EQ(red.g, 0);
    const gdiplustest::Pixel green = canvas.at(1, 0);
    EXPECT_EQ(green.a, 128);
    EXPECT_NEAR(green.g, 128, 1);
    EXPECT_EQ(green.r, 0);
    EXPECT_EQ(canvas.at(0, 1).a, 0);
    EXPECT_EQ(canvas.at(0, 1).b, 0);
    const gdiplustest::Pixel white = canvas.at(1, 1);
    EXPECT_EQ(white.a, 64);
    EXPECT_NEAR(white.r, 64, 1);
}

TEST(GdiplusImage, BytesThatAreNoImageFail) {
    const unsigned char junk[] = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};
    std::unique_ptr<Image> image = decode(junk, sizeof junk);
    EXPECT_TRUE(image == nullptr || image->GetLastStatus() != Ok);
    // A PNG cut short.
    std::unique_ptr<Image> cut = decode(png, sizeof png - 20);
    EXPECT_TRUE(cut == nullptr || cut->GetLastStatus() != Ok);
#ifndef _WIN32
    EXPECT_EQ(kelvane::gdiplus::loadImageFromMemory(nullptr, 0), nullptr);
#endif
}

TEST(GdiplusImage, DrawsUnscaledAtWholePixelsAsAnExactCopy) {
    std::unique_ptr<Image> image = decode(png, sizeof png);
    ASSERT_NE(image, nullptr);
    Canvas canvas(4, 4);
    canvas.graphics().DrawImage(image.get(), 1, 1); // default pixel offset mode
    EXPECT_EQ(canvas.at(1, 1).r, 255);
    EXPECT_EQ(canvas.at(1, 1).a, 255);
    EXPECT_EQ(canvas.at(2, 1).a, 128);
    EXPECT_EQ(canvas.at(0, 0).a, 0);
    EXPECT_EQ(canvas.at(3, 3).a, 0);
}

TEST(GdiplusImage, DrawsRotatedAboutACentreLikeTheKnobPointer) {
    // An opaque red block in the top right corner of a 16 by 16 image.
    Bitmap pointer(16, 16, PixelFormat32bppPARGB);
    {
        Graphics pg(&pointer);
        pg.Clear(Color(0, 0, 0, 0));
        SolidBrush red(Color(255, 255, 0, 0));
        pg.FillRectangle(&red, 12, 0, 4, 4);
    }
    Canvas canvas(16, 16);
    Graphics& g = canvas.graphics();
    g.SetPixelOffsetMode(PixelOffsetModeHalf);
    // A quarter turn clockwise about the centre, prepended as the knob does it: the block
    // moves to the bottom right corner.
    Matrix turn;
    turn.Translate(8, 8);
    turn.Rotate(90);
    turn.Translate(-8, -8);
    g.MultiplyTransform(&turn, MatrixOrderPrepend);
    g.DrawImage(&pointer, 0.0f, 0.0f);
    EXPECT_GE(canvas.at(14, 14).r, 250);
    EXPECT_GE(canvas.at(14, 14).a, 250);
    EXPECT_EQ(canvas.at(14, 1).a, 0);
    EXPECT_EQ(canvas.at(1, 14).a, 0);
    EXPECT_EQ(canvas.at(8, 8).a, 0);
}
