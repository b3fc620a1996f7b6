#pragma once

#include "editor/properties/property.h"

#include "gdiplus/gdiplus.h"

namespace kelvane::vst {

// A text alignment from one of the words "center", "near" and "far" (case-sensitive); any other
// word throws std::logic_error("unknown alignment: " + word).
class AlignmentProperty : public SimpleProperty<Gdiplus::StringAlignment> {
public:
    AlignmentProperty() : SimpleProperty(Gdiplus::StringAlignmentNear) {}
    explicit AlignmentProperty(Gdiplus::StringAlignment initial) : SimpleProperty(initial) {}
    void load(const picojson::value& value) override;
};

// Where text lies against its anchor along one axis, in units of its extent: near 0, centre
// -0.5, far -1.
double alignmentFactor(Gdiplus::StringAlignment alignment);

} // namespace kelvane::vst
