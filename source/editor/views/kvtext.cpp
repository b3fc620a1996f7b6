#include "editor/views/kvtext.h"

#include "editor/resources/resourcecache.h"
#include "editor/resources/towide.h"

#include <algorithm>

namespace kelvane::vst {

namespace {

const char* const defaultFontName = "TivrandelSans-Regular.ttf";
const int defaultFontSize = 9;
const std::uint32_t defaultColor = 0xFF000000;

int lengthOf(const std::wstring& text) {
    return static_cast<int>(std::min<std::size_t>(text.size(), 0x7FFFFFFF));
}

// The box GDI+ reports for text from the origin, with no layout size and no string format.
Gdiplus::RectF measure(const Gdiplus::Font& font, const std::wstring& text) {
    Gdiplus::Bitmap bitmap(1, 1, premultipliedArgb());
    Gdiplus::Graphics graphics(&bitmap);
    const Gdiplus::StringFormat* noFormat = nullptr;
    Gdiplus::RectF box(0, 0, 0, 0);
    if (graphics.MeasureString(text.c_str(), lengthOf(text), &font, Gdiplus::RectF(0, 0, 0, 0),
                               noFormat, &box) != Gdiplus::Ok) {
        return Gdiplus::RectF(0, 0, 0, 0);
    }
    return box;
}

} // namespace

KVText::KVText(const VSTGUI::CPoint& anchor, ResourceCache* resources)
    : CView(VSTGUI::CRect(anchor.x, anchor.y, anchor.x + 8, anchor.y + 8)), position(anchor),
      fontName(defaultFontName), fontSize(defaultFontSize), textColor(Gdiplus::Color(defaultColor)),
      horizontalAlignment(Gdiplus::StringAlignmentCenter),
      verticalAlignment(Gdiplus::StringAlignmentCenter), pitch(0), cache(resources) {
    const auto listener = [this] { relayout(); };
    const auto add = [&](const char* key, auto& property, const auto& initial) {
        property.addListener(listener);
        property.set(initial);
        properties[key] = &property;
    };
    add("position", position, anchor);
    add("text", text, std::string());
    add("fontName", fontName, std::string(defaultFontName));
    add("fontSize", fontSize, defaultFontSize);
    add("textColor", textColor, Gdiplus::Color(defaultColor));
    add("horizontalAlignment", horizontalAlignment, Gdiplus::StringAlignmentCenter);
    add("verticalAlignment", verticalAlignment, Gdiplus::StringAlignmentCenter);
    add("pitch", pitch, 0.0);
}

KVText::~KVText() = default;

std::unique_ptr<Gdiplus::Font> KVText::makeFont() const {
    // Sized in pixels, as points are on a 96-dpi screen: GDI+ converts points with the DPI of
    // the surface it draws on (on Windows a new bitmap takes the screen's), which would draw the
    // text larger than the rest of the window on a high-DPI screen.
    const auto emSize = static_cast<float>(fontSize.get() * 96.0 / 72.0);
    std::unique_ptr<Gdiplus::Font> made;
    const auto resource = cache != nullptr ? cache->getFontFamily(fontName.get()) : nullptr;
    if (resource) {
        // A font file holds one style: a bold face alone makes a family without a regular
        // style, which Windows' GDI+ refuses to make a regular font of.
        const INT style = resource->IsStyleAvailable(Gdiplus::FontStyleRegular) ||
                                  !resource->IsStyleAvailable(Gdiplus::FontStyleBold)
                              ? Gdiplus::FontStyleRegular
                              : Gdiplus::FontStyleBold;
        made = std::make_unique<Gdiplus::Font>(resource.get(), emSize, style, Gdiplus::UnitPixel);
    } else {
        // GDI+ does not fall back by itself when a family of that name is not installed.
        const std::wstring name = toWide(fontName.get());
        const Gdiplus::FontFamily named(name.c_str());
        const Gdiplus::FontFamily* family =
            named.GetLastStatus() == Gdiplus::Ok ? &named : Gdiplus::FontFamily::GenericSansSerif();
        if (family != nullptr) {
            made = std::make_unique<Gdiplus::Font>(family, emSize, Gdiplus::FontStyleRegular,
                                                   Gdiplus::UnitPixel);
        }
    }
    if (made && made->GetLastStatus() != Gdiplus::Ok) {
        made.reset();
    }
    return made;
}

void KVText::relayout() {
    font = makeFont();
    format.reset();
    brush.reset();
    const std::string& shown = shownText();
    wideText = toWide(shown);

    double width = 0;
    double height = 0;
    if (font) {
        const Gdiplus::RectF box = measure(*font, wideText);
        width = box.Width;
        height = box.Height;
        if (pitch.get() != 0 && !shown.empty()) {
            // Placed one by one, the characters take about the advance of a narrow one each.
            const double a = measure(*font, L"a").Width;
            const double ab = measure(*font, L"ab").Width;
            width = a + static_cast<double>(shown.size() - 1) * (ab - a);
        }
    }
    const double fx = alignmentFactor(horizontalAlignment.get());
    const double fy = alignmentFactor(verticalAlignment.get());
    const VSTGUI::CPoint& anchor = position.get();
    invalid();
    setViewSize(VSTGUI::CRect(anchor.x + fx * width, anchor.y + fy * height,
                              anchor.x + (fx + 1) * width, anchor.y + (fy + 1) * height),
                true);
}

void KVText::showText(const std::string& shown) {
    if (standIn && *standIn == shown) {
        return;
    }
    standIn = shown;
    relayout();
}

void KVText::showOwnText() {
    if (!standIn) {
        return;
    }
    standIn.reset();
    relayout();
}

void KVText::draw(VSTGUI::CDrawContext* context) {
    CView::draw(context);
    if (paintWithGdiplus(context, *this, true)) {
        setDirty(false);
    }
}

void KVText::setProperty(const std::string& name, const picojson::value& value) {
    if (!loadProperty(properties, name, value)) {
        CView::setProperty(name, value);
    }
}

void KVText::drawGdiplus(Gdiplus::Graphics* graphics) {
    if (!format) {
        format = std::make_unique<Gdiplus::StringFormat>();
        format->SetAlignment(horizontalAlignment.get());
        format->SetLineAlignment(verticalAlignment.get());
    }
    if (!brush) {
        brush = std::make_unique<Gdiplus::SolidBrush>(textColor.get());
    }
    if (!font || wideText.empty()) {
        return;
    }
    graphics->SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    graphics->SetCompositingMode(Gdiplus::CompositingModeSourceOver);
    const VSTGUI::CPoint& anchor = position.get();
    const auto y = static_cast<float>(anchor.y);
    if (pitch.get() == 0) {
        graphics->DrawString(wideText.c_str(), lengthOf(wideText), font.get(),
                             Gdiplus::RectF(static_cast<float>(anchor.x), y, 0, 0), format.get(),
                             brush.get());
        return;
    }
    // The row of origins pitch apart, aligned as a whole by the horizontal factor.
    const double fx = alignmentFactor(horizontalAlignment.get());
    const double last = static_cast<double>(wideText.size() - 1);
    for (std::size_t i = 0; i < wideText.size(); ++i) {
        const double x = (last * fx + static_cast<double>(i)) * pitch.get() + anchor.x;
        graphics->DrawString(&wideText[i], 1, font.get(),
                             Gdiplus::RectF(static_cast<float>(x), y, 0, 0), format.get(),
                             brush.get());
    }
}

} // namespace kelvane::vst
