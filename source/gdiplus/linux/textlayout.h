#pragma once

// Where GDI+ puts a string: lines split at line feeds, each line's advance widths (no kerning,
// trailing blanks left out), a box of the lines with a padding of a sixth of the em on either
// side (none with the typographic format) and one line spacing per line, aligned in the layout
// rectangle or, where that has no width or height, around its corner.

#include "gdiplus/linux/font.h"
#include "gdiplus/linux/fontface.h"
#include "gdiplus/linux/stringformat.h"

#include <vector>

namespace kelvane::gdiplus {

struct PlacedGlyph {
    const GlyphOutline* glyph;
    double x, y; // the glyph's origin on the baseline, world units
};

struct TextLayout {
    std::vector<PlacedGlyph> glyphs;
    Gdiplus::RectF box;
    double scale = 0; // world units per font unit
    INT codePoints = 0;
    INT lines = 0;
};

// dpi: the resolution of the device that font sizes in physical units convert with.
TextLayout layoutText(const Gdiplus::Font& font, double dpi, const WCHAR* text, INT length,
                      const Gdiplus::RectF& layoutRect, const Gdiplus::StringFormat* format);

} // namespace kelvane::gdiplus
