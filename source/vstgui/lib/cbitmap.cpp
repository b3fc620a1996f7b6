#include "vstgui/lib/cbitmap.h"

#include "vstgui/lib/cdrawcontext.h"

#include "gdiplus/gdiplus.h"

#include <utility>

namespace VSTGUI {

CBitmap::CBitmap(std::shared_ptr<Gdiplus::Bitmap> bitmap) : image(std::move(bitmap)) {}

CCoord CBitmap::getWidth() const {
    return image ? static_cast<CCoord>(image->GetWidth()) : 0.;
}

CCoord CBitmap::getHeight() const {
    return image ? static_cast<CCoord>(image->GetHeight()) : 0.;
}

void CBitmap::draw(CDrawContext* context, const CRect& rect, const CPoint& offset, float alpha) {
    if (context != nullptr)
        context->drawBitmap(this, rect, offset, alpha);
}

} // namespace VSTGUI
