// Fonts and text: families by name with the generic sans-serif fallback, fonts from memory
// (bytes freed after adding), the measured box (one line spacing high, a sixth of the em of
// padding on each side), and point-anchored alignment in a zero-size layout rectangle.

#include "canvas.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace Gdiplus;
using gdiplustest::Box;
using gdiplustest::Canvas;

namespace {

// The editor's regular font (Lato renamed), loaded from memory like the embedded fonts.
class GdiplusMemoryFont : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<unsigned char> bytes = gdiplustest::readFile(TIVRANDEL_TEST_FONT);
        ASSERT_FALSE(bytes.empty()) << TIVRANDEL_TEST_FONT;
        ASSERT_EQ(collection.AddMemoryFont(bytes.data(), INT(bytes.size())), Ok);
        // The collection keeps its own copy.
        std::fill(bytes.begin(), bytes.end(), 0);
        bytes = {};
        INT found = 0;
        ASSERT_EQ(collection.GetFamilies(1, &family, &found), Ok);
        ASSERT_EQ(found, 1);
    }

    std::unique_ptr<Font> font(REAL pixels) {
        return std::make_unique<Font>(&family, pixels, FontStyleRegular, UnitPixel);
    }

    PrivateFontCollection collection;
    FontFamily family;
};

RectF measure(const WCHAR* text, const Font& font) {
    Bitmap one(1, 1, PixelFormat32bppPARGB);
    Graphics g(&one);
    RectF box;
    EXPECT_EQ(g.MeasureString(text, -1, &font, RectF(0, 0, 0, 0), nullptr, &box), Ok);
    return box;
}

Box drawn(const WCHAR* text, const Font& font, StringAlignment horizontal, StringAlignment vertical,
          PointF anchor) {
    Canvas canvas(200, 100);
    Graphics& g = canvas.graphics();
    g.SetSmoothingMode(SmoothingModeAntiAlias);
    g.SetTextRenderingHint(TextRenderingHintAntiAlias);
    StringFormat format(0, LANG_NEUTRAL);
    format.SetAlignment(horizontal);
    format.SetLineAlignment(vertical);
    SolidBrush black(Color(255, 0, 0, 0));
    EXPECT_EQ(g.DrawString(text, -1, &font, RectF(anchor.X, anchor.Y, 0, 0), &format, &black), Ok);
    return canvas.ink(64);
}

} // namespace

TEST_F(GdiplusMemoryFont, BecomesAFamilyOfItsOwnName) {
    EXPECT_EQ(collection.GetFamilyCount(), 1);
    WCHAR name[LF_FACESIZE];
    ASSERT_EQ(family.GetFamilyName(name), Ok);
    EXPECT_EQ(std::wstring(name), L"Tivrandel Sans");
    EXPECT_EQ(family.GetEmHeight(FontStyleRegular), 2000);
    std::unique_ptr<Font> lato = font(20);
    EXPECT_EQ(lato->GetLastStatus(), Ok);
    EXPECT_TRUE(lato->IsAvailable());

    // A size in points: 9 points are 12 pixels on the 96-dpi device.
    Font points(&family, 9, FontStyleRegular, UnitPoint);
    EXPECT_EQ(points.GetLastStatus(), Ok);
    const RectF box = measure(L"Ag", points);
    // Within a pixel: a grid-fitting implementation rounds small line heights up.
    EXPECT_NEAR(box.Height, 12.0 * family.GetLineSpacing(FontStyleRegular) / 2000, 1.0);
}

TEST_F(GdiplusMemoryFont, MeasuresOneLineSpacingHighWithASixthOfTheEmPaddedOnEachSide) {
    const REAL em = 30;
    std::unique_ptr<Font> lato = font(em);
    const double lineSpacing = em * family.GetLineSpacing(FontStyleRegular) / 2000.0;
    EXPECT_NEAR(lato->GetHeight(96.0f), lineSpacing, 0.1);

    const RectF once = measure(L"Hello", *lato);
    const RectF twice = measure(L"HelloHello", *lato);
    EXPECT_NEAR(once.X, 0, 0.01);
    EXPECT_NEAR(once.Y, 0, 0.01);
    EXPECT_NEAR(once.Height, lineSpacing, 0.5);
    EXPECT_NEAR(twice.Height, lineSpacing, 0.5);
    // The text itself doubles; the padding does not. Within a pixel for rounding of advances.
    const double padding = (2 * once.Width - twice.Width) / 2;
    EXPECT_NEAR(padding, em / 6, 1.0);
    EXPECT_GT(once.Width, 2 * em);
    EXPECT_LT(once.Width, 3 * em);

    const RectF lines = measure(L"Hello\nHello", *lato);
    EXPECT_NEAR(lines.Height, 2 * lineSpacing, 1.0);
    EXPECT_NEAR(lines.Width, once.Width, 0.5);
}

TEST_F(GdiplusMemoryFont, AlignsAroundTheAnchorOfAZeroSizeRectangle) {
    std::unique_ptr<Font> lato = font(20);
    const PointF anchor(100, 50);
    const double pad = 20 / 6.0;
    const double lineSpacing = 20 * family.GetLineSpacing(FontStyleRegular) / 2000.0;
    const double wineShift = gdiplustest::underWine() ? 5.0 : 0.0;
    // Ink of "Hello": a side bearing of a pixel or two inside the padding.
    const Box atNear = drawn(L"Hello", *lato, StringAlignmentNear, StringAlignmentNear, anchor);
    ASSERT_FALSE(atNear.empty());
    EXPECT_GE(atNear.left, 100);
    EXPECT_LE(atNear.left, 100 + pad + 3);
    EXPECT_GT(atNear.top, 50);
    EXPECT_LT(atNear.bottom, 50 + lineSpacing);

    const Box atFar = drawn(L"Hello", *lato, StringAlignmentFar, StringAlignmentFar, anchor);
    EXPECT_LE(atFar.right + 1, 100 + wineShift);
    EXPECT_GE(atFar.right + 1, 100 - pad - 3);
    EXPECT_LT(atFar.bottom, 50);
    EXPECT_GT(atFar.top, 50 - lineSpacing);
    EXPECT_NEAR(atNear.right - atNear.left, atFar.right - atFar.left, 1);

    const Box centre = drawn(L"Hello", *lato, StringAlignmentCenter, StringAlignmentCenter, anchor);
    EXPECT_NEAR(centre.centreX(), 100 + wineShift / 2, 2.0 + wineShift / 2);
    EXPECT_GT(centre.top, 50 - lineSpacing / 2);
    EXPECT_LT(centre.bottom, 50 + lineSpacing / 2);
    EXPECT_NEAR(centre.top - atNear.top, -lineSpacing / 2, 1.5);
}

// Points become pixels at the resolution of the bitmap drawn on; a size in pixels stays.
TEST(GdiplusFontResolution, PointsConvertAtTheBitmapsResolutionAndPixelsDoNot) {
    const FontFamily* family = FontFamily::GenericSansSerif();
    ASSERT_NE(family, nullptr);
    const auto widthAt = [](REAL dpi, const Font& font, REAL* dpiSeen) {
        Bitmap bitmap(1, 1, PixelFormat32bppPARGB);
        EXPECT_EQ(bitmap.SetResolution(dpi, dpi), Ok);
        EXPECT_EQ(bitmap.GetHorizontalResolution(), dpi);
        Graphics g(&bitmap);
        *dpiSeen = g.GetDpiY();
        RectF box;
        EXPECT_EQ(g.MeasureString(L"Level", -1, &font, RectF(0, 0, 0, 0), nullptr, &box), Ok);
        return box.Width;
    };
    REAL seen = 0;
    const Font points(family, 9, FontStyleRegular, UnitPoint);
    const REAL at96 = widthAt(96, points, &seen);
    EXPECT_EQ(seen, 96);
    const REAL at144 = widthAt(144, points, &seen);
    EXPECT_EQ(seen, 144);
    // Within hinting: Wine's GDI+ fits glyph advances to whole pixels at each size.
    EXPECT_NEAR(at144 / at96, 1.5, 0.1);
    const Font pixels(family, 12, FontStyleRegular, UnitPixel);
    EXPECT_NEAR(widthAt(144, pixels, &seen), widthAt(96, pixels, &seen), 0.01);
    EXPECT_NEAR(widthAt(96, pixels, &seen), at96, 0.01); // 9 points are 12 pixels at 96 dpi
}

TEST(GdiplusFontFamilyByName, UnknownNamesFailAndTheGenericSansSerifFamilyAnswers) {
    FontFamily unknown(L"Tivrandel No Such Family");
    EXPECT_EQ(unknown.GetLastStatus(), FontFamilyNotFound);
    Font byName(L"Tivrandel No Such Family", 12);
    EXPECT_NE(byName.GetLastStatus(), Ok);

    // What the text views do: the named family, else the generic one.
    const FontFamily* family = FontFamily::GenericSansSerif();
    ASSERT_NE(family, nullptr);
    EXPECT_TRUE(family->IsAvailable());
    Font sans(family, 12, FontStyleRegular, UnitPoint);
    ASSERT_EQ(sans.GetLastStatus(), Ok);
    const Box ink = drawn(L"Sans", sans, StringAlignmentNear, StringAlignmentNear, PointF(10, 10));
    EXPECT_FALSE(ink.empty());

    std::unique_ptr<FontFamily> copy(family->Clone());
    WCHAR original[LF_FACESIZE], cloned[LF_FACESIZE];
    family->GetFamilyName(original);
    copy->GetFamilyName(cloned);
    EXPECT_EQ(std::wstring(original), std::wstring(cloned));
    // Installed families are found by their exact name.
    FontFamily again(original);
    EXPECT_EQ(again.GetLastStatus(), Ok);
}
