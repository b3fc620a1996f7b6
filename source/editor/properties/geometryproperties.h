#pragma once

#include "editor/properties/property.h"

#include "vstgui/lib/cpoint.h"
#include "vstgui/lib/crect.h"

namespace kelvane::vst {

// A point from [x, y]; further elements are ignored.
class PointProperty : public SimpleProperty<VSTGUI::CPoint> {
public:
    PointProperty() : SimpleProperty(VSTGUI::CPoint(0, 0)) {}
    explicit PointProperty(const VSTGUI::CPoint& initial) : SimpleProperty(initial) {}
    void load(const picojson::value& value) override;
};

// A rectangle from [left, top, right, bottom], stored as given (not normalised).
class RectProperty : public SimpleProperty<VSTGUI::CRect> {
public:
    RectProperty() : SimpleProperty(VSTGUI::CRect(0, 0, 0, 0)) {}
    explicit RectProperty(const VSTGUI::CRect& initial) : SimpleProperty(initial) {}
    void load(const picojson::value& value) override;
};

} // namespace kelvane::vst
