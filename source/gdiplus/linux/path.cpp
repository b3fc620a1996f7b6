#include "gdiplus/linux/path.h"

#include "gdiplus/linux/pathgeometry.h"

#include <algorithm>
#include <cmath>

namespace Gdiplus {

GraphicsPath::GraphicsPath(FillMode fillMode) : fill(fillMode) {}

GraphicsPath* GraphicsPath::Clone() const {
    auto* copy = new GraphicsPath(fill);
    copy->pts = pts;
    copy->kinds = kinds;
    copy->figureOpen = figureOpen;
    copy->singleEllipse = singleEllipse;
    return copy;
}

Status GraphicsPath::Reset() {
    pts.clear();
    kinds.clear();
    figureOpen = false;
    singleEllipse = false;
    fill = FillModeAlternate;
    return Ok;
}

Status GraphicsPath::StartFigure() {
    figureOpen = false;
    return Ok;
}

Status GraphicsPath::CloseFigure() {
    if (!kinds.empty() && figureOpen)
        kinds.back() = BYTE(kinds.back() | PathPointTypeCloseSubpath);
    figureOpen = false;
    return Ok;
}

FillMode GraphicsPath::GetFillMode() const {
    return fill;
}

Status GraphicsPath::SetFillMode(FillMode fillMode) {
    if (fillMode != FillModeAlternate && fillMode != FillModeWinding)
        return record(InvalidParameter);
    fill = fillMode;
    return Ok;
}

void GraphicsPath::join(const PointF& point) {
    singleEllipse = false;
    if (figureOpen) {
        // GDI+ joins the open figure with a line, and drops a repeated point.
        if (pts.back().X == point.X && pts.back().Y == point.Y)
            return;
        pts.push_back(point);
        kinds.push_back(PathPointTypeLine);
        return;
    }
    pts.push_back(point);
    kinds.push_back(PathPointTypeStart);
    figureOpen = true;
}

Status GraphicsPath::AddLine(REAL x1, REAL y1, REAL x2, REAL y2) {
    const PointF line[2] = {PointF(x1, y1), PointF(x2, y2)};
    return AddLines(line, 2);
}

Status GraphicsPath::AddLine(INT x1, INT y1, INT x2, INT y2) {
    return AddLine(REAL(x1), REAL(y1), REAL(x2), REAL(y2));
}

std::vector<PointF> GraphicsPath::toFloat(const Point* points, INT count) {
    std::vector<PointF> out;
    for (INT i = 0; points != nullptr && i < count; ++i)
        out.emplace_back(REAL(points[i].X), REAL(points[i].Y));
    return out;
}

Status GraphicsPath::AddLines(const Point* points, INT count) {
    if (points == nullptr || count <= 0)
        return record(InvalidParameter);
    return AddLines(toFloat(points, count).data(), count);
}

Status GraphicsPath::AddBeziers(const Point* points, INT count) {
    if (points == nullptr || count <= 0)
        return record(InvalidParameter);
    return AddBeziers(toFloat(points, count).data(), count);
}

Status GraphicsPath::AddRectangle(const Rect& rect) {
    return AddRectangle(RectF(REAL(rect.X), REAL(rect.Y), REAL(rect.Width), REAL(rect.Height)));
}

Status GraphicsPath::AddEllipse(INT x, INT y, INT width, INT height) {
    return AddEllipse(REAL(x), REAL(y), REAL(width), REAL(height));
}

Status GraphicsPath::AddArc(INT x, INT y, INT width, INT height, REAL startAngle, REAL sweepAngle) {
    return AddArc(REAL(x), REAL(y), REAL(width), REAL(height), startAngle, sweepAngle);
}

Status GraphicsPath::AddLine(const PointF& pt1, const PointF& pt2) {
    return AddLine(pt1.X, pt1.Y, pt2.X, pt2.Y);
}

Status GraphicsPath::AddLines(const PointF* points, INT count) {
    if (points == nullptr || count <= 0)
        return record(InvalidParameter);
    join(points[0]);
    for (INT i = 1; i < count; ++i) {
        pts.push_back(points[i]);
        kinds.push_back(PathPointTypeLine);
    }
    return Ok;
}

Status GraphicsPath::AddBezier(const PointF& pt1, const PointF& pt2, const PointF& pt3,
                               const PointF& pt4) {
    const PointF curve[4] = {pt1, pt2, pt3, pt4};
    return AddBeziers(curve, 4);
}

Status GraphicsPath::AddBeziers(const PointF* points, INT count) {
    if (points == nullptr || count < 4 || (count - 1) % 3 != 0)
        return record(InvalidParameter);
    join(points[0]);
    for (INT i = 1; i < count; ++i) {
        pts.push_back(points[i]);
        kinds.push_back(PathPointTypeBezier);
    }
    return Ok;
}

Status GraphicsPath::AddRectangle(const RectF& rect) {
    if (rect.Width == 0 || rect.Height == 0)
        return Ok;
    figureOpen = false;
    const PointF corners[4] = {PointF(rect.X, rect.Y), PointF(rect.X + rect.Width, rect.Y),
                               PointF(rect.X + rect.Width, rect.Y + rect.Height),
                               PointF(rect.X, rect.Y + rect.Height)};
    AddLines(corners, 4);
    CloseFigure();
    return Ok;
}

Status GraphicsPath::AddEllipse(REAL x, REAL y, REAL width, REAL height) {
    const bool wasEmpty = pts.empty();
    figureOpen = false;
    const std::vector<PointF> curve = kelvane::gdiplus::arcBeziers(x, y, width, height, 0.0, 360.0);
    AddBeziers(curve.data(), INT(curve.size()));
    CloseFigure();
    singleEllipse = wasEmpty;
    return Ok;
}

Status GraphicsPath::AddEllipse(const RectF& rect) {
    return AddEllipse(rect.X, rect.Y, rect.Width, rect.Height);
}

Status GraphicsPath::AddArc(REAL x, REAL y, REAL width, REAL height, REAL startAngle,
                            REAL sweepAngle) {
    if (width <= 0 || height <= 0)
        return record(InvalidParameter);
    const std::vector<PointF> curve =
        kelvane::gdiplus::arcBeziers(x, y, width, height, startAngle, sweepAngle);
    return AddBeziers(curve.data(), INT(curve.size()));
}

Status GraphicsPath::AddArc(const RectF& rect, REAL startAngle, REAL sweepAngle) {
    return AddArc(rect.X, rect.Y, rect.Width, rect.Height, startAngle, sweepAngle);
}

Status GraphicsPath::Transform(const Matrix* matrix) {
    if (matrix == nullptr)
        return Ok;
    if (!pts.empty())
        matrix->TransformPoints(pts.data(), INT(pts.size()));
    return Ok;
}

Status GraphicsPath::GetBounds(RectF* bounds, const Matrix* matrix, const Pen*) const {
    if (bounds == nullptr)
        return record(InvalidParameter);
    std::vector<PointF> moved = pts;
    if (matrix != nullptr && !moved.empty())
        matrix->TransformPoints(moved.data(), INT(moved.size()));
    *bounds = kelvane::gdiplus::pathBounds(moved, kinds);
    return Ok;
}

INT GraphicsPath::GetPointCount() const {
    return INT(pts.size());
}

Status GraphicsPath::GetPathPoints(PointF* points, INT count) const {
    if (points == nullptr || count < INT(pts.size()))
        return record(InvalidParameter);
    std::copy(pts.begin(), pts.end(), points);
    return Ok;
}

Status GraphicsPath::GetPathTypes(BYTE* types, INT count) const {
    if (types == nullptr || count < INT(kinds.size()))
        return record(InvalidParameter);
    std::copy(kinds.begin(), kinds.end(), types);
    return Ok;
}

Status GraphicsPath::GetLastStatus() const {
    const Status status = lastStatus;
    lastStatus = Ok;
    return status;
}

Status GraphicsPath::record(Status status) const {
    if (status != Ok)
        lastStatus = status;
    return status;
}

} // namespace Gdiplus
