#pragma once

#include "vstgui/lib/cdrawcontext.h"

namespace Gdiplus {
class Graphics;
}

namespace VSTGUI {

// The draw context on a GDI+ graphics object, whose world transform maps frame coordinates to
// its device. Views that paint with GDI+ themselves take the graphics from here.
class GdiplusDrawContext : public CDrawContext {
public:
    // target is not owned and must outlive the context.
    explicit GdiplusDrawContext(Gdiplus::Graphics* target, const CRect& surface = CRect());

    Gdiplus::Graphics* getGraphics() const { return graphics; }

    // Scales the graphics' world transform by factor over the current scale.
    void setScaleFactor(double factor) override;
    // Sets the world transform to the context's base: the scale alone.
    void resetTransform();

    bool setClipRect(const CRect& rect) override;
    void resetClipRect() override;

    void drawRect(const CRect& rect, CDrawStyle style = kDrawStroked) override;
    // The whole bitmap is drawn, shifted by -offset from dest's corner (not clipped to dest),
    // and opacity is all or nothing: alpha 0 draws nothing, anything else draws the bitmap as
    // it is.
    void drawBitmap(CBitmap* bitmap, const CRect& dest, const CPoint& offset = CPoint(0, 0),
                    float alpha = 1.f) override;

private:
    Gdiplus::Graphics* graphics;
};

} // namespace VSTGUI
