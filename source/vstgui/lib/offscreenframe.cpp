#include "vstgui/lib/offscreenframe.h"

#include "vstgui/gdiplusglobals.h"
#include "vstgui/lib/cframe.h"
#include "vstgui/lib/gdiplusdrawcontext.h"

#include "gdiplus/gdiplus.h"

#include <algorithm>
#include <cmath>

namespace VSTGUI {

namespace {

// A side in whole pixels: at least 1 (GDI+ makes no empty bitmaps), and a sane bound for sizes
// that are not numbers or far too large.
std::int32_t pixels(CCoord side) {
    if (!(side > 1.))
        return 1;
    return static_cast<std::int32_t>(std::ceil(std::min(side, 16384.)));
}

} // namespace

OffscreenFrame::GdiplusUse::GdiplusUse() {
    GDIPlusGlobals::enter();
}

OffscreenFrame::GdiplusUse::~GdiplusUse() {
    GDIPlusGlobals::exit();
}

OffscreenFrame* OffscreenFrame::attach(CFrame* frame) {
    if (frame == nullptr || frame->getPlatformFrame() != nullptr)
        return nullptr;
    // In device pixels, at the frame's zoom.
    const double zoom = frame->getZoom();
    auto offscreen =
        std::make_unique<OffscreenFrame>(frame, CRect(0, 0, std::round(frame->getWidth() * zoom),
                                                      std::round(frame->getHeight() * zoom)));
    auto* result = offscreen.get();
    return frame->attachPlatformFrame(std::move(offscreen)) ? result : nullptr;
}

OffscreenFrame::OffscreenFrame(IPlatformFrameCallback* callback, const CRect& size)
    : frame(callback) {
    setSize(size);
}

OffscreenFrame::~OffscreenFrame() = default;

bool OffscreenFrame::setSize(const CRect& newSize) {
    width = pixels(newSize.getWidth());
    height = pixels(newSize.getHeight());
    // The pixel format is a macro in Windows' headers and a constant of the namespace in ours.
    using namespace Gdiplus;
    bitmap = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppPARGB);
    Gdiplus::Graphics graphics(bitmap.get());
    graphics.Clear(Gdiplus::Color(0, 0, 0, 0));
    return true;
}

std::uint32_t OffscreenFrame::getPixel(std::int32_t x, std::int32_t y) const {
    if (x < 0 || y < 0 || x >= width || y >= height)
        return 0;
    Gdiplus::Color color;
    bitmap->GetPixel(x, y, &color);
    return color.GetValue();
}

void OffscreenFrame::paint(const CRect& rect) {
    Gdiplus::Graphics graphics(bitmap.get());
    GdiplusDrawContext context(&graphics, CRect(0, 0, width, height));
    frame->platformDrawRect(&context, rect);
    painted.push_back(rect);
}

void OffscreenFrame::drawAll() {
    paint(CRect(0, 0, width, height));
}

bool OffscreenFrame::invalidRect(const CRect& rect) {
    paint(rect);
    return true;
}

bool OffscreenFrame::getCurrentMousePosition(CPoint& mousePosition) const {
    if (!mouse)
        return false;
    mousePosition = *mouse;
    return true;
}

CMouseEventResult OffscreenFrame::mouseDown(const CPoint& where, const CButtonState& buttons) {
    mouse = where;
    CPoint point = where;
    return frame->platformOnMouseDown(point, buttons);
}

CMouseEventResult OffscreenFrame::mouseMoved(const CPoint& where, const CButtonState& buttons) {
    mouse = where;
    CPoint point = where;
    return frame->platformOnMouseMoved(point, buttons);
}

CMouseEventResult OffscreenFrame::mouseUp(const CPoint& where, const CButtonState& buttons) {
    mouse = where;
    CPoint point = where;
    return frame->platformOnMouseUp(point, buttons);
}

bool OffscreenFrame::mouseWheel(const CPoint& where, float distance, const CButtonState& buttons,
                                CMouseWheelAxis axis) {
    mouse = where;
    return frame->platformOnMouseWheel(where, axis, distance, buttons);
}

void OffscreenFrame::mouseExited() {
    mouse.reset();
    frame->platformOnMouseExited();
}

} // namespace VSTGUI
