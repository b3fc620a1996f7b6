#include "editor/views/kvrect.h"

namespace kelvane::vst {

namespace {

const VSTGUI::CRect defaultRect(0, 0, 8, 8);
const std::uint32_t defaultTop = 0xFF3C3C3C;
const std::uint32_t defaultBottom = 0xFF282828;
const double margin = 4;

} // namespace

KVRect::KVRect()
    : CView(defaultRect), rect(defaultRect), topColor(Gdiplus::Color(defaultTop)),
      bottomColor(Gdiplus::Color(defaultBottom)) {
    const auto listener = [this] { updateBounds(); };
    rect.addListener(listener);
    rect.set(defaultRect);
    properties["rect"] = &rect;
    topColor.addListener(listener);
    topColor.set(Gdiplus::Color(defaultTop));
    properties["topColor"] = &topColor;
    bottomColor.addListener(listener);
    bottomColor.set(Gdiplus::Color(defaultBottom));
    properties["bottomColor"] = &bottomColor;
}

KVRect::~KVRect() = default;

void KVRect::updateBounds() {
    const VSTGUI::CRect& r = rect.get();
    invalid();
    setViewSize(VSTGUI::CRect(r.left - margin, r.top - margin, r.right + margin, r.bottom + margin),
                true);
}

void KVRect::draw(VSTGUI::CDrawContext* context) {
    CView::draw(context);
    if (paintWithGdiplus(context, *this, true)) {
        setDirty(false);
    }
}

void KVRect::setProperty(const std::string& name, const picojson::value& value) {
    if (!loadProperty(properties, name, value)) {
        CView::setProperty(name, value);
    }
}

void KVRect::drawGdiplus(Gdiplus::Graphics* graphics) {
    const VSTGUI::CRect& r = rect.get();
    const auto left = static_cast<float>(r.left);
    const auto top = static_cast<float>(r.top);
    Gdiplus::LinearGradientBrush brush(Gdiplus::PointF(left, top),
                                       Gdiplus::PointF(left, static_cast<float>(r.bottom)),
                                       topColor.get(), bottomColor.get());
    brush.SetWrapMode(Gdiplus::WrapModeTile);
    Gdiplus::GraphicsPath path(Gdiplus::FillModeAlternate);
    path.AddRectangle(Gdiplus::RectF(left, top, static_cast<float>(r.right - r.left),
                                     static_cast<float>(r.bottom - r.top)));
    graphics->SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    graphics->SetCompositingMode(Gdiplus::CompositingModeSourceOver);
    graphics->FillPath(&brush, &path);
}

} // namespace kelvane::vst
