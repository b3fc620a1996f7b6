#pragma once

#include "gdiplus/gdiplus.h"

namespace VSTGUI {
class CDrawContext;
}

namespace kelvane::vst {

// An editor view that paints itself with GDI+. Views are deleted as VSTGUI views, never through
// this interface.
class IDrawable {
public:
    // Reserved; keeps drawGdiplus in the second slot. Nothing calls it.
    virtual void reserved() {}

    // Paints the view on graphics, whose world transform is the identity unless the view says
    // otherwise.
    virtual void drawGdiplus(Gdiplus::Graphics* graphics) = 0;

protected:
    IDrawable() = default;
    IDrawable(const IDrawable&) = default;
    IDrawable& operator=(const IDrawable&) = default;
    ~IDrawable() = default;
};

// Paints drawable when context is VSTGUI's GDI+ draw context with a graphics object: saves the
// graphics state, resets the world transform if fromIdentity, draws, restores the state.
// Answers whether it painted; any other context paints nothing. This is where painting stops an
// exception (a view that cannot paint simply paints less), so none reaches VSTGUI's drawing.
bool paintWithGdiplus(VSTGUI::CDrawContext* context, IDrawable& drawable, bool fromIdentity);

// 32-bit premultiplied ARGB, the format of every bitmap the views make. (Windows defines the
// pixel formats as global macros, the Linux layer in its namespace.)
inline Gdiplus::PixelFormat premultipliedArgb() {
    using namespace Gdiplus;
    return PixelFormat32bppPARGB;
}

} // namespace kelvane::vst
