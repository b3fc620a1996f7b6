#pragma once

#include "editor/properties/alignmentproperty.h"
#include "editor/properties/colorproperty.h"
#include "editor/properties/geometryproperties.h"
#include "editor/properties/property.h"
#include "editor/properties/scalarproperties.h"
#include "editor/views/idrawable.h"

#include "vstgui/lib/cpoint.h"
#include "vstgui/lib/cview.h"

#include <memory>
#include <optional>
#include <string>

namespace kelvane::vst {

class ResourceCache;

// One line of text aligned around an anchor point, in a font resource of the editor or, failing
// that, an installed family of that name (else the generic sans-serif one). With a non-zero
// pitch every character is placed by itself, pitch pixels after the previous one. Its view size
// is the measured text box placed by the alignments, recomputed whenever a property changes.
class KVText : public VSTGUI::CView, public IDrawable {
public:
    // cache must outlive the view.
    KVText(const VSTGUI::CPoint& position, ResourceCache* cache);
    ~KVText() override;

    void draw(VSTGUI::CDrawContext* context) override;
    void setProperty(const std::string& name, const picojson::value& value) override;
    void drawGdiplus(Gdiplus::Graphics* graphics) override;

    // Shows shown (UTF-8) in place of the text property, placed and drawn as that would be,
    // until showOwnText(); the property keeps its value meanwhile.
    void showText(const std::string& shown);
    void showOwnText();
    bool showsOwnText() const { return !standIn; }

    PointProperty position;
    StringProperty text;
    StringProperty fontName;
    IntProperty fontSize;
    ColorProperty textColor;
    AlignmentProperty horizontalAlignment;
    AlignmentProperty verticalAlignment;
    DoubleProperty pitch;

    PropertyTable properties;

private:
    void relayout();
    std::unique_ptr<Gdiplus::Font> makeFont() const;
    const std::string& shownText() const { return standIn ? *standIn : text.get(); }

    std::unique_ptr<Gdiplus::Font> font;
    // Made by the next draw from the current properties.
    std::unique_ptr<Gdiplus::StringFormat> format;
    std::unique_ptr<Gdiplus::SolidBrush> brush;
    std::wstring wideText;
    std::optional<std::string> standIn;
    ResourceCache* cache;
};

} // namespace kelvane::vst
