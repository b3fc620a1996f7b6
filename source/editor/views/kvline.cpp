#include "editor/views/kvline.h"

#include <algorithm>
#include <vector>

namespace kelvane::vst {

namespace {

const std::uint32_t defaultColor = 0xFF000000;
const double defaultWidth = 1.0;
const double margin = 8;

std::vector<Gdiplus::PointF> floatPoints(const std::vector<VSTGUI::CPoint>& points) {
    std::vector<Gdiplus::PointF> result;
    result.reserve(points.size());
    for (const VSTGUI::CPoint& point : points) {
        result.emplace_back(static_cast<float>(point.x), static_cast<float>(point.y));
    }
    return result;
}

int countOf(const std::vector<Gdiplus::PointF>& points) {
    return static_cast<int>(std::min<std::size_t>(points.size(), 0x7FFFFFFF));
}

} // namespace

KVLine::KVLine(const VSTGUI::CPoint& origin)
    : CView(VSTGUI::CRect(origin.x, origin.y, origin.x + 8, origin.y + 8)),
      lineColor(Gdiplus::Color(defaultColor)), lineWidth(defaultWidth) {
    const auto listener = [this] { updateBounds(); };
    path.addListener(listener);
    path.set({});
    properties["path"] = &path;
    lineColor.addListener(listener);
    lineColor.set(Gdiplus::Color(defaultColor));
    properties["lineColor"] = &lineColor;
    lineWidth.addListener(listener);
    lineWidth.set(defaultWidth);
    properties["lineWidth"] = &lineWidth;
}

KVLine::~KVLine() = default;

void KVLine::updateBounds() {
    // Starting from the zero rectangle: the origin is always inside.
    VSTGUI::CRect bounds(0, 0, 0, 0);
    for (const PathPrimitive& piece : path.get()) {
        for (const VSTGUI::CPoint& point : piece.points) {
            bounds.left = std::min(bounds.left, point.x);
            bounds.top = std::min(bounds.top, point.y);
            bounds.right = std::max(bounds.right, point.x);
            bounds.bottom = std::max(bounds.bottom, point.y);
        }
    }
    invalid();
    setViewSize(VSTGUI::CRect(bounds.left - margin, bounds.top - margin, bounds.right + margin,
                              bounds.bottom + margin),
                true);
}

void KVLine::draw(VSTGUI::CDrawContext* context) {
    CView::draw(context);
    if (paintWithGdiplus(context, *this, true)) {
        setDirty(false);
    }
}

void KVLine::setProperty(const std::string& name, const picojson::value& value) {
    if (!loadProperty(properties, name, value)) {
        CView::setProperty(name, value);
    }
}

void KVLine::drawGdiplus(Gdiplus::Graphics* graphics) {
    Gdiplus::Pen pen(lineColor.get(), static_cast<float>(lineWidth.get()));
    // One figure for all pieces: each continues from where the previous one ended.
    Gdiplus::GraphicsPath stroke(Gdiplus::FillModeAlternate);
    for (const PathPrimitive& piece : path.get()) {
        std::vector<Gdiplus::PointF> points = floatPoints(piece.points);
        if (points.empty()) {
            continue;
        }
        if (piece.kind == Lines) {
            stroke.AddLines(points.data(), countOf(points));
        } else if (piece.kind == Beziers) {
            stroke.AddBeziers(points.data(), countOf(points));
        }
    }
    graphics->SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    graphics->SetCompositingMode(Gdiplus::CompositingModeSourceOver);
    graphics->DrawPath(&pen, &stroke);
}

} // namespace kelvane::vst
