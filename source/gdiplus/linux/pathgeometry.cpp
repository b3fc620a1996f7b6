#include "gdiplus/linux/pathgeometry.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace kelvane::gdiplus {

using Gdiplus::PointF;

namespace {

constexpr double pi = 3.14159265358979323846;

// The curve parameter of the ellipse point that lies in the direction `angle` from the centre,
// chosen next to the angle so that consecutive segments run on.
double parameterOf(double angle, double rx, double ry) {
    double t = std::atan2(rx * std::sin(angle), ry * std::cos(angle));
    t += 2 * pi * std::round((angle - t) / (2 * pi));
    return t;
}

PointF at(const double* p) {
    return PointF(float(p[0]), float(p[1]));
}

double cubic(double p0, double p1, double p2, double p3, double t) {
    const double u = 1 - t;
    return u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3;
}

// Parameters in (0, 1) where one coordinate of the cubic has an extreme.
int extremes(double p0, double p1, double p2, double p3, double* roots) {
    const double a = -p0 + 3 * p1 - 3 * p2 + p3;
    const double b = 2 * (p0 - 2 * p1 + p2);
    const double c = p1 - p0;
    int n = 0;
    auto keep = [&](double t) {
        if (t > 0 && t < 1)
            roots[n++] = t;
    };
    if (std::fabs(a) < 1e-12) {
        if (std::fabs(b) > 1e-12)
            keep(-c / b);
        return n;
    }
    const double d = b * b - 4 * a * c;
    if (d < 0)
        return n;
    const double s = std::sqrt(d);
    keep((-b + s) / (2 * a));
    keep((-b - s) / (2 * a));
    return n;
}

} // namespace

std::vector<PointF> arcBeziers(double x, double y, double width, double height, double startAngle,
                               double sweepAngle) {
    const double rx = width / 2;
    const double ry = height / 2;
    const double cx = x + rx;
    const double cy = y + ry;
    const double sweep = std::clamp(sweepAngle, -360.0, 360.0);
    const int segments = std::max(1, int(std::ceil(std::fabs(sweep) / 90.0 - 1e-9)));
    const double step = sweep / segments;
    std::vector<PointF> out;
    out.reserve(std::size_t(segments) * 3 + 1);
    for (int i = 0; i < segments; ++i) {
        const double a0 = (startAngle + step * i) * pi / 180;
        const double a1 = (startAngle + step * (i + 1)) * pi / 180;
        const double t0 = parameterOf(a0, rx, ry);
        const double t1 = parameterOf(a1, rx, ry);
        const double k = 4.0 / 3.0 * std::tan((t1 - t0) / 4);
        const double p0[2] = {cx + rx * std::cos(t0), cy + ry * std::sin(t0)};
        const double p3[2] = {cx + rx * std::cos(t1), cy + ry * std::sin(t1)};
        const double p1[2] = {p0[0] - k * rx * std::sin(t0), p0[1] + k * ry * std::cos(t0)};
        const double p2[2] = {p3[0] + k * rx * std::sin(t1), p3[1] - k * ry * std::cos(t1)};
        if (i == 0)
            out.push_back(at(p0));
        out.push_back(at(p1));
        out.push_back(at(p2));
        out.push_back(at(p3));
    }
    return out;
}

Gdiplus::RectF pathBounds(const std::vector<PointF>& points, const std::vector<BYTE>& types) {
    if (points.empty())
        return Gdiplus::RectF();
    double left = points[0].X, right = left, top = points[0].Y, bottom = top;
    auto take = [&](double px, double py) {
        left = std::min(left, px);
        right = std::max(right, px);
        top = std::min(top, py);
        bottom = std::max(bottom, py);
    };
    for (std::size_t i = 0; i < points.size(); ++i) {
        const int kind = types[i] & Gdiplus::PathPointTypePathTypeMask;
        if (kind == Gdiplus::PathPointTypeBezier && i + 2 < points.size() && i > 0) {
            const PointF& a = points[i - 1];
            const PointF& b = points[i];
            const PointF& c = points[i + 1];
            const PointF& d = points[i + 2];
            double roots[2];
            const int nx = extremes(a.X, b.X, c.X, d.X, roots);
            for (int r = 0; r < nx; ++r)
                take(cubic(a.X, b.X, c.X, d.X, roots[r]), cubic(a.Y, b.Y, c.Y, d.Y, roots[r]));
            const int ny = extremes(a.Y, b.Y, c.Y, d.Y, roots);
            for (int r = 0; r < ny; ++r)
                take(cubic(a.X, b.X, c.X, d.X, roots[r]), cubic(a.Y, b.Y, c.Y, d.Y, roots[r]));
            take(d.X, d.Y);
            i += 2;
            continue;
        }
        take(points[i].X, points[i].Y);
    }
    return Gdiplus::RectF(float(left), float(top), float(right - left), float(bottom - top));
}

std::vector<PointF> flattenFirstFigure(const std::vector<PointF>& points,
                                       const std::vector<BYTE>& types, int steps) {
    std::vector<PointF> out;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const int kind = types[i] & Gdiplus::PathPointTypePathTypeMask;
        if (kind == Gdiplus::PathPointTypeStart && i > 0)
            break;
        if (kind == Gdiplus::PathPointTypeBezier && i > 0 && i + 2 < points.size()) {
            const PointF& a = points[i - 1];
            const PointF& b = points[i];
            const PointF& c = points[i + 1];
            const PointF& d = points[i + 2];
            for (int s = 1; s <= steps; ++s) {
                const double t = double(s) / steps;
                out.emplace_back(float(cubic(a.X, b.X, c.X, d.X, t)),
                                 float(cubic(a.Y, b.Y, c.Y, d.Y, t)));
            }
            i += 2;
        } else {
            out.push_back(points[i]);
        }
        if ((types[i] & Gdiplus::PathPointTypeCloseSubpath) != 0)
            break;
    }
    return out;
}

void appendPath(cairo_t* cr, const std::vector<PointF>& points, const std::vector<BYTE>& types) {
    cairo_new_path(cr);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const int kind = types[i] & Gdiplus::PathPointTypePathTypeMask;
        std::size_t last = i;
        if (kind == Gdiplus::PathPointTypeStart) {
            cairo_move_to(cr, points[i].X, points[i].Y);
        } else if (kind == Gdiplus::PathPointTypeBezier && i + 2 < points.size()) {
            cairo_curve_to(cr, points[i].X, points[i].Y, points[i + 1].X, points[i + 1].Y,
                           points[i + 2].X, points[i + 2].Y);
            last = i + 2;
        } else {
            cairo_line_to(cr, points[i].X, points[i].Y);
        }
        if ((types[last] & Gdiplus::PathPointTypeCloseSubpath) != 0)
            cairo_close_path(cr);
        i = last;
    }
}

} // namespace kelvane::gdiplus
