#pragma once

// Geometry behind GraphicsPath and the brushes: arcs as Bézier chains, exact bounds, flattening
// and handing a path to cairo.

#include "gdiplus/linux/gdiplustypes.h"

#include <vector>

typedef struct _cairo cairo_t;

namespace kelvane::gdiplus {

// The arc of the ellipse in the box (x, y, width, height) from startAngle sweeping sweepAngle
// (degrees, clockwise in y-down space, clamped to one turn), as a first point and three points
// per cubic segment, at most a quarter turn each. Angles give directions from the centre, so on
// a flattened ellipse they are not the curve's parameter.
std::vector<Gdiplus::PointF> arcBeziers(double x, double y, double width, double height,
                                        double startAngle, double sweepAngle);

// The tight bounding box of the drawn path (curves by their extremes, not their control points).
Gdiplus::RectF pathBounds(const std::vector<Gdiplus::PointF>& points,
                          const std::vector<BYTE>& types);

// The first figure as a polygon, each Bézier segment replaced by `steps` lines.
std::vector<Gdiplus::PointF> flattenFirstFigure(const std::vector<Gdiplus::PointF>& points,
                                                const std::vector<BYTE>& types, int steps);

// Replaces cairo's current path by this one, in cairo's current user space.
void appendPath(cairo_t* cr, const std::vector<Gdiplus::PointF>& points,
                const std::vector<BYTE>& types);

} // namespace kelvane::gdiplus
