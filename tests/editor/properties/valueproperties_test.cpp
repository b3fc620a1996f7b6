#include "propertytesting.h"

#include "editor/properties/alignmentproperty.h"
#include "editor/properties/colorproperty.h"
#include "editor/properties/geometryproperties.h"
#include "editor/properties/scalarproperties.h"

#include <climits>
#include <stdexcept>

namespace propertytest {
namespace {

using namespace kelvane::vst;

const char* const badSubscript = "invalid vector<T> subscript";

std::uint32_t argb(const ColorProperty& property) {
    return static_cast<std::uint32_t>(property.get().GetValue());
}

TEST(ColorProperty, ChannelsTruncateTowardZeroAndKeepTheirLowEightBits) {
    ColorProperty color;
    EXPECT_EQ(argb(color), 0u);
    color.load(json("[255, 0, 128, 255]"));
    EXPECT_EQ(argb(color), 0xFF0080FFu);
    color.load(json("[255.9, 0, 0, 0]"));
    EXPECT_EQ(argb(color), 0xFF000000u);
    color.load(json("[256, 1.9, -1, -255.5, 99]")); // the fifth number is ignored
    EXPECT_EQ(argb(color), 0x0001FF01u);
    color.load(json("[1e300, -1e300, 4294967297, 0]"));
    EXPECT_EQ(argb(color) & 0x0000FF00u, 0x100u);
}

TEST(ColorProperty, ShortOrMistypedArraysFailAndKeepTheColour) {
    ColorProperty color(Gdiplus::Color(1, 2, 3, 4));
    int calls = 0;
    color.addListener([&] { ++calls; });
    EXPECT_EQ(loadError<std::out_of_range>(color, "[255, 0, 128]"), badSubscript);
    // The length is checked before any element is read.
    EXPECT_EQ(loadError<std::out_of_range>(color, "[\"a\", 0, 128]"), badSubscript);
    EXPECT_NE(loadError<std::runtime_error>(color, "[255, 0, \"128\", 255]"), "");
    EXPECT_NE(loadError<std::runtime_error>(color, "{\"a\": 1}"), "");
    EXPECT_EQ(argb(color), 0x01020304u);
    EXPECT_EQ(calls, 0);
}

TEST(IntProperty, TruncatesTowardZeroAndSaturatesBeyondTheRange) {
    IntProperty number;
    number.load(json("2.9"));
    EXPECT_EQ(number.get(), 2);
    number.load(json("-2.9"));
    EXPECT_EQ(number.get(), -2);
    number.load(json("1e10"));
    EXPECT_EQ(number.get(), INT_MAX);
    number.load(json("-1e300"));
    EXPECT_EQ(number.get(), INT_MIN);
    EXPECT_NE(loadError<std::runtime_error>(number, "\"3\""), "");
    EXPECT_NE(loadError<std::runtime_error>(number, "true"), "");
    EXPECT_EQ(number.get(), INT_MIN);
}

TEST(AlignmentProperty, KnowsThreeWordsCaseSensitively) {
    AlignmentProperty alignment;
    alignment.load(json("\"center\""));
    EXPECT_EQ(alignment.get(), Gdiplus::StringAlignmentCenter);
    alignment.load(json("\"far\""));
    EXPECT_EQ(alignment.get(), Gdiplus::StringAlignmentFar);
    alignment.load(json("\"near\""));
    EXPECT_EQ(alignment.get(), Gdiplus::StringAlignmentNear);
    alignment.set(Gdiplus::StringAlignmentFar);
    EXPECT_EQ(loadError<std::logic_error>(alignment, "\"Center\""), "unknown alignment: Center");
    EXPECT_EQ(loadError<std::logic_error>(alignment, "\"\""), "unknown alignment: ");
    EXPECT_NE(loadError<std::runtime_error>(alignment, "1"), "");
    EXPECT_EQ(alignment.get(), Gdiplus::StringAlignmentFar);
}

TEST(GeometryProperties, PointsAndRectanglesAreStoredAsGiven) {
    PointProperty point;
    point.load(json("[1.25, -2, 99]"));
    EXPECT_EQ(point.get(), VSTGUI::CPoint(1.25, -2));
    EXPECT_EQ(loadError<std::out_of_range>(point, "[1]"), badSubscript);
    EXPECT_NE(loadError<std::runtime_error>(point, "[1, null]"), "");
    EXPECT_EQ(point.get(), VSTGUI::CPoint(1.25, -2));

    RectProperty rect;
    rect.load(json("[10, 20, 5, 8]"));
    EXPECT_EQ(rect.get().left, 10);
    EXPECT_EQ(rect.get().top, 20);
    EXPECT_EQ(rect.get().right, 5);
    EXPECT_EQ(rect.get().bottom, 8);
    EXPECT_EQ(loadError<std::out_of_range>(rect, "[1, 2, 3]"), badSubscript);
    EXPECT_NE(loadError<std::runtime_error>(rect, "\"0 0 1 1\""), "");
    EXPECT_EQ(rect.get().right, 5);
}

} // namespace
} // namespace propertytest
