#include "gdiplus/linux/graphics.h"

#include "gdiplus/linux/textlayout.h"

#include <cairo.h>

namespace Gdiplus {

Status Graphics::DrawString(const WCHAR* string, INT length, const Font* font,
                            const RectF& layoutRect, const StringFormat* stringFormat,
                            const Brush* brush) {
    if (context == nullptr || string == nullptr || font == nullptr || brush == nullptr)
        return record(InvalidParameter);
    if (!font->IsAvailable())
        return record(InvalidParameter);
    const kelvane::gdiplus::TextLayout layout =
        kelvane::gdiplus::layoutText(*font, dpiY, string, length, layoutRect, stringFormat);
    prepare(true);
    cairo_new_path(context);
    const double s = layout.scale;
    // Glyph outlines are in font units with y up; place each at its origin on the baseline.
    for (const kelvane::gdiplus::PlacedGlyph& placed : layout.glyphs) {
        for (const kelvane::gdiplus::GlyphOutline::Op& op : placed.glyph->ops) {
            auto px = [&](int i) { return placed.x + op.x[i] * s; };
            auto py = [&](int i) { return placed.y - op.y[i] * s; };
            switch (op.kind) {
            case kelvane::gdiplus::GlyphOutline::Move:
                cairo_move_to(context, px(0), py(0));
                break;
            case kelvane::gdiplus::GlyphOutline::Line:
                cairo_line_to(context, px(0), py(0));
                break;
            case kelvane::gdiplus::GlyphOutline::Cubic:
                cairo_curve_to(context, px(0), py(0), px(1), py(1), px(2), py(2));
                break;
            case kelvane::gdiplus::GlyphOutline::Close:
                cairo_close_path(context);
                break;
            }
        }
    }
    cairo_set_fill_rule(context, CAIRO_FILL_RULE_WINDING);
    return fill(brush);
}

Status Graphics::DrawString(const WCHAR* string, INT length, const Font* font, const PointF& origin,
                            const Brush* brush) {
    return DrawString(string, length, font, RectF(origin.X, origin.Y, 0, 0), nullptr, brush);
}

Status Graphics::DrawString(const WCHAR* string, INT length, const Font* font, const PointF& origin,
                            const StringFormat* stringFormat, const Brush* brush) {
    return DrawString(string, length, font, RectF(origin.X, origin.Y, 0, 0), stringFormat, brush);
}

Status Graphics::MeasureString(const WCHAR* string, INT length, const Font* font,
                               const RectF& layoutRect, const StringFormat* stringFormat,
                               RectF* boundingBox, INT* codepointsFitted, INT* linesFilled) const {
    if (string == nullptr || font == nullptr || boundingBox == nullptr)
        return record(InvalidParameter);
    const kelvane::gdiplus::TextLayout layout =
        kelvane::gdiplus::layoutText(*font, dpiY, string, length, layoutRect, stringFormat);
    *boundingBox = layout.box;
    if (codepointsFitted != nullptr)
        *codepointsFitted = layout.codePoints;
    if (linesFilled != nullptr)
        *linesFilled = layout.lines;
    return font->IsAvailable() ? Ok : record(InvalidParameter);
}

Status Graphics::MeasureString(const WCHAR* string, INT length, const Font* font,
                               const PointF& origin, const StringFormat* stringFormat,
                               RectF* boundingBox) const {
    return MeasureString(string, length, font, RectF(origin.X, origin.Y, 0, 0), stringFormat,
                         boundingBox);
}

Status Graphics::MeasureString(const WCHAR* string, INT length, const Font* font,
                               const PointF& origin, RectF* boundingBox) const {
    return MeasureString(string, length, font, RectF(origin.X, origin.Y, 0, 0), nullptr,
                         boundingBox);
}

} // namespace Gdiplus
