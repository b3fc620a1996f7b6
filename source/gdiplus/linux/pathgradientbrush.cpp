#include "gdiplus/linux/pathgradientbrush.h"

#include "gdiplus/linux/cairocolor.h"
#include "gdiplus/linux/pathgeometry.h"

#include <cairo.h>

#include <algorithm>

namespace Gdiplus {

namespace {
constexpr int stepsPerCurve = 16;
}

PathGradientBrush::PathGradientBrush(const GraphicsPath* path) : Brush(BrushTypePathGradient) {
    if (path == nullptr || path->GetPointCount() < 2) {
        lastStatus = path == nullptr ? InvalidParameter : OutOfMemory;
        return;
    }
    boundary = kelvane::gdiplus::flattenFirstFigure(path->points(), path->types(), stepsPerCurve);
    ellipse = path->isSingleEllipse();
    path->GetBounds(&bounds);
    pathPoints = path->GetPointCount();
    // GDI+ puts the centre at the mean of the path's points; for an ellipse that is its centre.
    if (ellipse) {
        centre = PointF(bounds.X + bounds.Width / 2, bounds.Y + bounds.Height / 2);
    } else {
        double sx = 0, sy = 0;
        for (const PointF& p : path->points()) {
            sx += p.X;
            sy += p.Y;
        }
        centre = PointF(float(sx / pathPoints), float(sy / pathPoints));
    }
}

PathGradientBrush* PathGradientBrush::Clone() const {
    auto* copy = new PathGradientBrush;
    copy->boundary = boundary;
    copy->ellipse = ellipse;
    copy->bounds = bounds;
    copy->pathPoints = pathPoints;
    copy->centre = centre;
    copy->centreColour = centreColour;
    copy->surround = surround;
    copy->wrap = wrap;
    copy->lastStatus = lastStatus;
    return copy;
}

Status PathGradientBrush::SetCenterColor(const Color& color) {
    centreColour = color;
    return Ok;
}

Status PathGradientBrush::GetCenterColor(Color* color) const {
    if (color == nullptr)
        return record(InvalidParameter);
    *color = centreColour;
    return Ok;
}

Status PathGradientBrush::SetCenterPoint(const PointF& point) {
    centre = point;
    // Off-centre, the rays no longer meet the ellipse as a radial gradient's circles do.
    if (point.X != bounds.X + bounds.Width / 2 || point.Y != bounds.Y + bounds.Height / 2)
        ellipse = false;
    return Ok;
}

Status PathGradientBrush::GetCenterPoint(PointF* point) const {
    if (point == nullptr)
        return record(InvalidParameter);
    *point = centre;
    return Ok;
}

Status PathGradientBrush::SetSurroundColors(const Color* colors, INT* count) {
    if (colors == nullptr || count == nullptr || *count <= 0 || *count > pathPoints)
        return record(InvalidParameter);
    surround.assign(colors, colors + *count);
    return Ok;
}

INT PathGradientBrush::GetSurroundColorCount() const {
    return pathPoints;
}

INT PathGradientBrush::GetPointCount() const {
    return pathPoints;
}

Status PathGradientBrush::SetWrapMode(WrapMode wrapMode) {
    if (wrapMode < WrapModeTile || wrapMode > WrapModeClamp)
        return record(InvalidParameter);
    wrap = wrapMode;
    return Ok;
}

cairo_pattern_t* PathGradientBrush::pattern() const {
    if (boundary.size() < 3)
        return nullptr;
    const bool oneColour = std::all_of(surround.begin(), surround.end(), [&](const Color& c) {
        return c.GetValue() == surround[0].GetValue();
    });
    return ellipse && oneColour ? radial() : fan();
}

// An ellipse: a radial gradient on the unit circle, stretched to the ellipse.
cairo_pattern_t* PathGradientBrush::radial() const {
    const double rx = bounds.Width / 2.0;
    const double ry = bounds.Height / 2.0;
    if (rx <= 0 || ry <= 0)
        return nullptr;
    cairo_pattern_t* p = cairo_pattern_create_radial(0, 0, 0, 0, 0, 1);
    kelvane::gdiplus::addStop(p, 0.0, centreColour);
    kelvane::gdiplus::addStop(p, 1.0, surround[0]);
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, 1 / rx, 1 / ry);
    cairo_matrix_translate(&m, -centre.X, -centre.Y);
    cairo_pattern_set_matrix(p, &m);
    cairo_pattern_set_extend(p, CAIRO_EXTEND_NONE);
    return p;
}

// Any other outline: triangles from the centre to each boundary edge, shaded from the centre
// colour to the boundary's colours, which is how GDI+ blends along the rays.
cairo_pattern_t* PathGradientBrush::fan() const {
    cairo_pattern_t* p = cairo_pattern_create_mesh();
    const std::size_t n = boundary.size();
    auto colourAt = [&](std::size_t i) -> const Color& {
        // Surround colours belong to the path's points; on the flattened outline the nearest
        // earlier point's colour is close enough, and one colour covers all.
        const std::size_t index = surround.size() == 1 ? 0 : i * std::size_t(pathPoints) / n;
        return surround[std::min(index, surround.size() - 1)];
    };
    auto corner = [&](int k, const Color& c) {
        cairo_mesh_pattern_set_corner_color_rgba(p, unsigned(k), c.GetR() / 255.0, c.GetG() / 255.0,
                                                 c.GetB() / 255.0, c.GetA() / 255.0);
    };
    for (std::size_t i = 0; i < n; ++i) {
        const PointF& a = boundary[i];
        const PointF& b = boundary[(i + 1) % n];
        cairo_mesh_pattern_begin_patch(p);
        cairo_mesh_pattern_move_to(p, centre.X, centre.Y);
        cairo_mesh_pattern_line_to(p, a.X, a.Y);
        cairo_mesh_pattern_line_to(p, b.X, b.Y);
        cairo_mesh_pattern_line_to(p, centre.X, centre.Y);
        corner(0, centreColour);
        corner(1, colourAt(i));
        corner(2, colourAt((i + 1) % n));
        corner(3, centreColour);
        cairo_mesh_pattern_end_patch(p);
    }
    return p;
}

} // namespace Gdiplus
