#include "editor/views/idrawable.h"

#include "vstgui/lib/gdiplusdrawcontext.h"

namespace kelvane::vst {

bool paintWithGdiplus(VSTGUI::CDrawContext* context, IDrawable& drawable, bool fromIdentity) {
    auto* gdiplusContext = dynamic_cast<VSTGUI::GdiplusDrawContext*>(context);
    if (gdiplusContext == nullptr) {
        return false;
    }
    Gdiplus::Graphics* graphics = gdiplusContext->getGraphics();
    if (graphics == nullptr) {
        return false;
    }
    const Gdiplus::GraphicsState state = graphics->Save();
    if (fromIdentity) {
        // The identity of the window's coordinates: only the context's scale.
        gdiplusContext->resetTransform();
    }
    try {
        drawable.drawGdiplus(graphics);
    } catch (...) {
        // Out of memory, or an image that does not decode: the view paints less this time.
    }
    graphics->Restore(state);
    return true;
}

} // namespace kelvane::vst
