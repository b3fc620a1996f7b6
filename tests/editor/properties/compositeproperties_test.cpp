#include "propertytesting.h"

#include "editor/properties/arrayproperty.h"
#include "editor/properties/geometryproperties.h"
#include "editor/properties/pathprimitiveproperty.h"

#include <stdexcept>
#include <vector>

namespace propertytest {
namespace {

using namespace kelvane::vst;
using VSTGUI::CPoint;

const char* const badKey = "invalid map<K, T> key";

TEST(PathPrimitiveProperty, ReadsKindAndPointsAndIgnoresOtherMembers) {
    PathPrimitiveProperty piece;
    piece.load(json(R"({"points": [[1, 2], [3, 4], [5, 6], [7, 8]], "kind": "beziers", "x": 1})"));
    EXPECT_EQ(piece.get().kind, Beziers);
    const std::vector<CPoint> points = {CPoint(1, 2), CPoint(3, 4), CPoint(5, 6), CPoint(7, 8)};
    EXPECT_EQ(piece.get().points, points);
    piece.load(json(R"({"kind": "lines", "points": []})"));
    EXPECT_EQ(piece.get().kind, Lines);
    EXPECT_TRUE(piece.get().points.empty());
}

TEST(PathPrimitiveProperty, MissingMembersAndUnknownKindsFailWithoutChange) {
    PathPrimitiveProperty piece;
    piece.load(json(R"({"kind": "beziers", "points": [[1, 1]]})"));
    int calls = 0;
    piece.addListener([&] { ++calls; });
    EXPECT_EQ(loadError<std::out_of_range>(piece, R"({"kind": "lines"})"), badKey);
    EXPECT_EQ(loadError<std::out_of_range>(piece, R"({"points": []})"), badKey);
    EXPECT_EQ(loadError<std::logic_error>(piece, R"({"kind": "arc", "points": [[0, 0]]})"),
              "unknown path kind: arc");
    EXPECT_EQ(loadError<std::logic_error>(piece, R"({"kind": "Lines", "points": 7})"),
              "unknown path kind: Lines");
    EXPECT_NE(loadError<std::runtime_error>(piece, R"({"kind": 0, "points": []})"), "");
    EXPECT_NE(loadError<std::runtime_error>(piece, R"({"kind": "lines", "points": [[0, "1"]]})"),
              "");
    EXPECT_EQ(loadError<std::out_of_range>(piece, R"({"kind": "lines", "points": [[0]]})"),
              "invalid vector<T> subscript");
    EXPECT_NE(loadError<std::runtime_error>(piece, R"([{"kind": "lines"}])"), "");
    EXPECT_EQ(piece.get().kind, Beziers);
    EXPECT_EQ(piece.get().points, std::vector<CPoint>{CPoint(1, 1)});
    EXPECT_EQ(calls, 0);
}

TEST(ArrayProperty, ReplacesTheWholeListOrNothing) {
    ArrayProperty<PointProperty> list;
    int calls = 0;
    list.addListener([&] { ++calls; });
    list.load(json("[[1, 2], [3, 4, 5]]"));
    EXPECT_EQ(list.get(), (std::vector<CPoint>{CPoint(1, 2), CPoint(3, 4)}));
    EXPECT_EQ(loadError<std::out_of_range>(list, "[[9, 9], [1]]"), "invalid vector<T> subscript");
    EXPECT_NE(loadError<std::runtime_error>(list, "{\"0\": [1, 2]}"), "");
    EXPECT_EQ(list.get(), (std::vector<CPoint>{CPoint(1, 2), CPoint(3, 4)}));
    EXPECT_EQ(calls, 1);
    list.load(json("[]"));
    EXPECT_TRUE(list.get().empty());
    EXPECT_EQ(calls, 2);
}

} // namespace
} // namespace propertytest
