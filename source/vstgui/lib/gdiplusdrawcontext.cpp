#include "vstgui/lib/gdiplusdrawcontext.h"

#include "vstgui/lib/cbitmap.h"

#include "gdiplus/gdiplus.h"

#include <cmath>

namespace VSTGUI {
namespace {

Gdiplus::Color toColor(const CColor& color) {
    return Gdiplus::Color(color.alpha, color.red, color.green, color.blue);
}

Gdiplus::REAL real(CCoord value) {
    return static_cast<Gdiplus::REAL>(value);
}

INT pixel(CCoord value) {
    return static_cast<INT>(std::lround(value));
}

} // namespace

GdiplusDrawContext::GdiplusDrawContext(Gdiplus::Graphics* target, const CRect& surface)
    : CDrawContext(surface), graphics(target) {}

void GdiplusDrawContext::setScaleFactor(double factor) {
    if (!(factor > 0) || factor == getScaleFactor())
        return;
    if (graphics != nullptr)
        graphics->ScaleTransform(real(factor / getScaleFactor()), real(factor / getScaleFactor()));
    CDrawContext::setScaleFactor(factor);
}

void GdiplusDrawContext::resetTransform() {
    if (graphics == nullptr)
        return;
    graphics->ResetTransform();
    if (getScaleFactor() != 1)
        graphics->ScaleTransform(real(getScaleFactor()), real(getScaleFactor()));
}

bool GdiplusDrawContext::setClipRect(const CRect& rect) {
    return graphics != nullptr &&
           graphics->SetClip(Gdiplus::RectF(real(rect.left), real(rect.top), real(rect.getWidth()),
                                            real(rect.getHeight()))) == Gdiplus::Ok;
}

void GdiplusDrawContext::resetClipRect() {
    if (graphics != nullptr)
        graphics->ResetClip();
}

void GdiplusDrawContext::drawRect(const CRect& rect, CDrawStyle style) {
    if (graphics == nullptr || rect.isEmpty())
        return;
    // Whatever a view left set, a rectangle on whole pixels covers exactly those pixels.
    const Gdiplus::GraphicsState state = graphics->Save();
    graphics->SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    graphics->SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    graphics->SetCompositingMode(Gdiplus::CompositingModeSourceOver);
    Gdiplus::GraphicsPath path(Gdiplus::FillModeAlternate);
    path.AddRectangle(Gdiplus::RectF(real(rect.left), real(rect.top), real(rect.getWidth()),
                                     real(rect.getHeight())));
    if (style != kDrawStroked) {
        Gdiplus::SolidBrush brush(toColor(getFillColor()));
        graphics->FillPath(&brush, &path);
    }
    if (style != kDrawFilled) {
        Gdiplus::Pen pen(toColor(getFrameColor()), 1.f);
        graphics->DrawPath(&pen, &path);
    }
    graphics->Restore(state);
}

void GdiplusDrawContext::drawBitmap(CBitmap* bitmap, const CRect& dest, const CPoint& offset,
                                    float alpha) {
    if (graphics == nullptr || bitmap == nullptr || bitmap->getBitmap() == nullptr || alpha <= 0.f)
        return;
    // At its pixel size, whatever resolution the image file declares.
    graphics->DrawImage(bitmap->getBitmap(), pixel(dest.left - offset.x),
                        pixel(dest.top - offset.y), pixel(bitmap->getWidth()),
                        pixel(bitmap->getHeight()));
}

} // namespace VSTGUI
