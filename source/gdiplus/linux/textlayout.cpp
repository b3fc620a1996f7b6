#include "gdiplus/linux/textlayout.h"

#include "gdiplus/linux/utf16.h"

#include <algorithm>

namespace kelvane::gdiplus {

using namespace Gdiplus;

namespace {

double factor(StringAlignment alignment) {
    return alignment == StringAlignmentCenter ? 0.5 : alignment == StringAlignmentFar ? 1.0 : 0.0;
}

struct Line {
    std::u32string text;
    double width = 0; // font units, trailing blanks excluded unless asked for
};

} // namespace

TextLayout layoutText(const Font& font, double dpi, const WCHAR* text, INT length,
                      const RectF& layoutRect, const StringFormat* format) {
    TextLayout layout;
    layout.box = RectF(layoutRect.X, layoutRect.Y, 0, 0);
    FaceHandle* face = font.face();
    if (face == nullptr || text == nullptr)
        return layout;
    const std::u32string all = decodeUtf16(text, length);
    layout.codePoints = INT(all.size());
    if (all.empty())
        return layout;

    const StringFormat& f = format != nullptr ? *format : *StringFormat::GenericDefault();
    const bool trailing = (f.GetFormatFlags() & StringFormatFlagsMeasureTrailingSpaces) != 0;
    std::vector<Line> lines(1);
    for (char32_t c : all) {
        if (c == U'\n') {
            lines.emplace_back();
            continue;
        }
        if (c != U'\r')
            lines.back().text.push_back(c);
    }
    double widest = 0;
    for (Line& line : lines) {
        double pen = 0;
        for (char32_t c : line.text) {
            pen += face->glyph(c).advance;
            if (trailing || (c != U' ' && c != U'\t' && c != 0x3000))
                line.width = pen;
        }
        widest = std::max(widest, line.width);
    }

    const double em = font.pixelSize(dpi);
    const FaceMetrics& m = face->metrics;
    layout.scale = em / m.emHeight;
    const double padding = f.typographic() ? 0.0 : em / 6.0;
    const double lineHeight = m.lineSpacing * layout.scale;
    const double boxWidth = widest * layout.scale + 2 * padding;
    const double boxHeight = lineHeight * double(lines.size());
    const double fx = factor(f.GetAlignment());
    const double fy = factor(f.GetLineAlignment());
    const double left = layoutRect.X + (layoutRect.Width - boxWidth) * fx;
    const double top = layoutRect.Y + (layoutRect.Height - boxHeight) * fy;
    layout.box = RectF(float(left), float(top), float(boxWidth), float(boxHeight));
    layout.lines = INT(lines.size());

    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        double x = left + padding + (widest - line.width) * layout.scale * fx;
        const double baseline = top + lineHeight * double(i) + m.ascent * layout.scale;
        for (char32_t c : line.text) {
            const GlyphOutline& glyph = face->glyph(c);
            layout.glyphs.push_back({&glyph, x, baseline});
            x += glyph.advance * layout.scale;
        }
    }
    return layout;
}

} // namespace kelvane::gdiplus
