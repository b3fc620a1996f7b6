#pragma once

#include "vstgui/lib/cbuttonstate.h"
#include "vstgui/lib/cpoint.h"
#include "vstgui/lib/crect.h"
#include "vstgui/lib/platform/iplatformframe.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace Gdiplus {
class Bitmap;
}

namespace VSTGUI {

// A platform frame without a window: the frame paints into a frame-sized (times its zoom) 32-bit
// premultiplied ARGB GDI+ bitmap, and mouse input is simulated as a window would deliver it (in
// device pixels). Painting happens
// at once: idle() of the frame paints what is dirty, drawAll() everything. Keeps GDI+ started
// while it exists.
class OffscreenFrame : public IPlatformFrame {
public:
    // Attaches a new offscreen frame to frame, which owns it from then on; null when the frame
    // has a platform frame already.
    static OffscreenFrame* attach(CFrame* frame);

    OffscreenFrame(IPlatformFrameCallback* callback, const CRect& size);
    ~OffscreenFrame() override;

    Gdiplus::Bitmap* getBitmap() const { return bitmap.get(); }
    std::int32_t getWidth() const { return width; }
    std::int32_t getHeight() const { return height; }
    // The pixel at (x, y) as GDI+'s GetPixel answers it (ARGB, not premultiplied); 0 outside.
    std::uint32_t getPixel(std::int32_t x, std::int32_t y) const;

    // Paints the whole frame: background first, then every view.
    void drawAll();
    // The areas painted so far, in order, and forgetting them.
    const std::vector<CRect>& getPaintedRects() const { return painted; }
    void clearPaintedRects() { painted.clear(); }

    // Simulated mouse input at where (frame coordinates); each also moves the current mouse
    // location there.
    CMouseEventResult mouseDown(const CPoint& where, const CButtonState& buttons);
    CMouseEventResult mouseMoved(const CPoint& where, const CButtonState& buttons);
    CMouseEventResult mouseUp(const CPoint& where, const CButtonState& buttons);
    bool mouseWheel(const CPoint& where, float distance, const CButtonState& buttons = 0,
                    CMouseWheelAxis axis = kMouseWheelAxisY);
    // The mouse leaving the window; the location becomes unknown.
    void mouseExited();
    // The location getCurrentMousePosition() answers; unknown until set or until mouse input.
    void setMouseLocation(const CPoint& where) { mouse = where; }
    void clearMouseLocation() { mouse.reset(); }

    bool getCurrentMousePosition(CPoint& mousePosition) const override;
    bool invalidRect(const CRect& rect) override;
    // A new size gives a new, transparent bitmap.
    bool setSize(const CRect& newSize) override;

private:
    // Keeps GDI+ running for the bitmap: constructed first, destroyed last.
    struct GdiplusUse {
        GdiplusUse();
        ~GdiplusUse();
        GdiplusUse(const GdiplusUse&) = delete;
        GdiplusUse& operator=(const GdiplusUse&) = delete;
    };

    void paint(const CRect& rect);

    GdiplusUse gdiplus;
    IPlatformFrameCallback* frame;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::unique_ptr<Gdiplus::Bitmap> bitmap;
    std::optional<CPoint> mouse;
    std::vector<CRect> painted;
};

} // namespace VSTGUI
