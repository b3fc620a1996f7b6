#pragma once

#include "editor/properties/property.h"

#include "gdiplus/gdiplus.h"

namespace kelvane::vst {

// One tick of a knob's scale: a radial line from innerRadius to outerRadius around the knob's
// centre, stroked width wide in color.
struct TickMark {
    double width = 0;
    double innerRadius = 0;
    double outerRadius = 0;
    Gdiplus::Color color{0, 0, 0, 0};
};

// A tick mark from {"width": n, "innerRadius": n, "outerRadius": n, "color": [a, r, g, b]}. Every
// member is optional: one that is absent keeps the field as it was (zero in a list element).
// Members of other keys are ignored.
class TickMarkProperty : public SimpleProperty<TickMark> {
public:
    TickMarkProperty() = default;
    explicit TickMarkProperty(const TickMark& initial) : SimpleProperty(initial) {}
    void load(const picojson::value& value) override;
};

} // namespace kelvane::vst
