#pragma once

#include "editor/properties/property.h"

#include "vstgui/lib/cpoint.h"

#include <cstdint>
#include <vector>

namespace kelvane::vst {

enum PathKind : std::int32_t {
    Lines = 0,  // a polyline through the points
    Beziers = 1 // a chain of cubic segments: the first point, then three for each segment
};

// One piece of a stroked path.
struct PathPrimitive {
    std::int32_t kind = Lines;
    std::vector<VSTGUI::CPoint> points;
};

// A path piece from {"kind": "lines" | "beziers", "points": [[x, y], ...]}; both members are
// required, others are ignored. An unknown kind throws std::logic_error("unknown path kind: " +
// word), whatever the points.
class PathPrimitiveProperty : public SimpleProperty<PathPrimitive> {
public:
    PathPrimitiveProperty() = default;
    void load(const picojson::value& value) override;
};

} // namespace kelvane::vst
