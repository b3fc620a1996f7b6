#pragma once

#include "gdiplus/linux/matrix.h"

#include <vector>

namespace Gdiplus {

class Pen;

// A sequence of figures kept as GDI+ keeps them: points with PathPointType bytes (start, line,
// Bézier with three points per segment, close flag). Lines, Béziers and arcs continue the open
// figure (joined by a straight line); rectangles and ellipses are closed figures of their own.
class GraphicsPath {
public:
    explicit GraphicsPath(FillMode fillMode = FillModeAlternate);
    GraphicsPath(const GraphicsPath&) = delete;
    GraphicsPath& operator=(const GraphicsPath&) = delete;

    GraphicsPath* Clone() const;
    Status Reset();
    Status StartFigure();
    Status CloseFigure();
    FillMode GetFillMode() const;
    Status SetFillMode(FillMode fillMode);

    Status AddLine(REAL x1, REAL y1, REAL x2, REAL y2);
    Status AddLine(INT x1, INT y1, INT x2, INT y2);
    Status AddLine(const PointF& pt1, const PointF& pt2);
    Status AddLines(const PointF* points, INT count);
    Status AddLines(const Point* points, INT count);
    Status AddBezier(const PointF& pt1, const PointF& pt2, const PointF& pt3, const PointF& pt4);
    Status AddBeziers(const PointF* points, INT count);
    Status AddBeziers(const Point* points, INT count);
    Status AddRectangle(const RectF& rect);
    Status AddRectangle(const Rect& rect);
    Status AddEllipse(REAL x, REAL y, REAL width, REAL height);
    Status AddEllipse(INT x, INT y, INT width, INT height);
    Status AddEllipse(const RectF& rect);
    // Angles in degrees, clockwise from the positive x axis (3 o'clock in y-down space), each
    // angle meaning the direction from the ellipse's centre to the arc's point.
    Status AddArc(REAL x, REAL y, REAL width, REAL height, REAL startAngle, REAL sweepAngle);
    Status AddArc(INT x, INT y, INT width, INT height, REAL startAngle, REAL sweepAngle);
    Status AddArc(const RectF& rect, REAL startAngle, REAL sweepAngle);

    Status Transform(const Matrix* matrix);
    // The tight box of the path (transformed by the matrix, if any); the pen is not considered.
    Status GetBounds(RectF* bounds, const Matrix* matrix = nullptr, const Pen* pen = nullptr) const;
    INT GetPointCount() const;
    Status GetPathPoints(PointF* points, INT count) const;
    Status GetPathTypes(BYTE* types, INT count) const;
    Status GetLastStatus() const;

    // For the drawing code.
    const std::vector<PointF>& points() const { return pts; }
    const std::vector<BYTE>& types() const { return kinds; }
    // Whether the path is one ellipse and nothing else (a path gradient fills it radially).
    bool isSingleEllipse() const { return singleEllipse; }

private:
    static std::vector<PointF> toFloat(const Point* points, INT count);
    // Adds the first point of new geometry: a figure start, or a line from the open figure.
    void join(const PointF& point);
    Status record(Status status) const;

    FillMode fill;
    std::vector<PointF> pts;
    std::vector<BYTE> kinds;
    bool figureOpen = false;
    bool singleEllipse = false;
    mutable Status lastStatus = Ok;
};

} // namespace Gdiplus
