#pragma once

#include "editor/properties/colorproperty.h"
#include "editor/properties/geometryproperties.h"
#include "editor/properties/property.h"
#include "editor/views/idrawable.h"

#include "vstgui/lib/cview.h"

namespace kelvane::vst {

// A rectangle filled with a vertical gradient from topColor to bottomColor. Its view size is
// rect grown by 4 on every side, recomputed whenever a property changes.
class KVRect : public VSTGUI::CView, public IDrawable {
public:
    KVRect();
    ~KVRect() override;

    void draw(VSTGUI::CDrawContext* context) override;
    void setProperty(const std::string& name, const picojson::value& value) override;
    void drawGdiplus(Gdiplus::Graphics* graphics) override;

    RectProperty rect;
    ColorProperty topColor;
    ColorProperty bottomColor;

    PropertyTable properties;

private:
    void updateBounds();
};

} // namespace kelvane::vst
