#pragma once

#include "vstgui/lib/cpoint.h"
#include "vstgui/lib/crect.h"
#include "vstgui/lib/vstguibase.h"

#include <memory>

namespace Gdiplus {
class Bitmap;
}

namespace VSTGUI {

// An image that views draw as their background: a shared GDI+ bitmap.
class CBitmap : public CBaseObject {
public:
    explicit CBitmap(std::shared_ptr<Gdiplus::Bitmap> image);

    Gdiplus::Bitmap* getBitmap() const { return image.get(); }
    // Size in pixels, 0 by 0 without an image.
    CCoord getWidth() const;
    CCoord getHeight() const;
    CPoint getSize() const { return CPoint(getWidth(), getHeight()); }

    // Draws the bitmap into rect of context; see CDrawContext::drawBitmap.
    virtual void draw(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint(0, 0),
                      float alpha = 1.f);

protected:
    ~CBitmap() override = default;

private:
    std::shared_ptr<Gdiplus::Bitmap> image;
};

} // namespace VSTGUI
