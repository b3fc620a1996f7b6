#pragma once

#include "editor/properties/arrayproperty.h"
#include "editor/properties/colorproperty.h"
#include "editor/properties/pathprimitiveproperty.h"
#include "editor/properties/property.h"
#include "editor/properties/scalarproperties.h"
#include "editor/views/idrawable.h"

#include "vstgui/lib/cpoint.h"
#include "vstgui/lib/cview.h"

namespace kelvane::vst {

// A path of polylines and cubic Bézier chains stroked in lineColor, lineWidth pixels wide, in
// window coordinates. Its view size is the bounding box of all points and the origin, grown by
// 8 on every side, recomputed whenever a property changes.
class KVLine : public VSTGUI::CView, public IDrawable {
public:
    explicit KVLine(const VSTGUI::CPoint& origin);
    ~KVLine() override;

    void draw(VSTGUI::CDrawContext* context) override;
    void setProperty(const std::string& name, const picojson::value& value) override;
    void drawGdiplus(Gdiplus::Graphics* graphics) override;

    ArrayProperty<PathPrimitiveProperty> path;
    ColorProperty lineColor;
    DoubleProperty lineWidth;

    PropertyTable properties;

private:
    void updateBounds();
};

} // namespace kelvane::vst
