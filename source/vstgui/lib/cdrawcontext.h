#pragma once

#include "vstgui/lib/ccolor.h"
#include "vstgui/lib/cpoint.h"
#include "vstgui/lib/crect.h"
#include "vstgui/lib/vstguifwd.h"

namespace VSTGUI {

// A surface that views draw on, in frame coordinates. The base draws nothing: it stands for a
// surface without drawing services; GdiplusDrawContext is the one that paints.
class CDrawContext {
public:
    explicit CDrawContext(const CRect& surface = CRect()) : surfaceRect(surface) {}
    CDrawContext(const CDrawContext&) = delete;
    CDrawContext& operator=(const CDrawContext&) = delete;
    virtual ~CDrawContext() = default;

    const CRect& getSurfaceRect() const { return surfaceRect; }

    // Device pixels per frame unit: the frame sets it before it draws at a zoom, and drawing
    // that starts from the identity starts from this scale instead.
    virtual void setScaleFactor(double factor) { scaleFactor = factor; }
    double getScaleFactor() const { return scaleFactor; }

    // Limits drawing to rect (frame coordinates) until resetClipRect(); false, and nothing
    // limited, where the surface cannot clip.
    virtual bool setClipRect(const CRect& /*rect*/) { return false; }
    virtual void resetClipRect() {}

    void setFillColor(const CColor& color) { fillColor = color; }
    const CColor& getFillColor() const { return fillColor; }
    void setFrameColor(const CColor& color) { frameColor = color; }
    const CColor& getFrameColor() const { return frameColor; }

    // rect in the fill colour and/or outlined one pixel wide in the frame colour.
    virtual void drawRect(const CRect& rect, CDrawStyle style = kDrawStroked);
    // Draws bitmap into dest, its pixel offset at dest's top-left corner, with opacity alpha.
    virtual void drawBitmap(CBitmap* bitmap, const CRect& dest, const CPoint& offset = CPoint(0, 0),
                            float alpha = 1.f);

private:
    CRect surfaceRect;
    double scaleFactor = 1;
    CColor fillColor = kWhiteCColor;
    CColor frameColor = kBlackCColor;
};

inline void CDrawContext::drawRect(const CRect&, CDrawStyle) {}
inline void CDrawContext::drawBitmap(CBitmap*, const CRect&, const CPoint&, float) {}

} // namespace VSTGUI
