#include "editor/properties/geometryproperties.h"

#include "editor/properties/jsonaccess.h"

namespace kelvane::vst {

void PointProperty::load(const picojson::value& value) {
    const picojson::array& coordinates = value.get<picojson::array>();
    element(coordinates, 1);
    assign(VSTGUI::CPoint(numberAt(coordinates, 0), numberAt(coordinates, 1)));
}

void RectProperty::load(const picojson::value& value) {
    const picojson::array& edges = value.get<picojson::array>();
    element(edges, 3);
    VSTGUI::CRect rect;
    rect.left = numberAt(edges, 0);
    rect.top = numberAt(edges, 1);
    rect.right = numberAt(edges, 2);
    rect.bottom = numberAt(edges, 3);
    assign(rect);
}

} // namespace kelvane::vst
