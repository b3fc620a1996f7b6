#pragma once

#include "editor/properties/property.h"

#include "gdiplus/gdiplus.h"

namespace kelvane::vst {

// A colour from [alpha, red, green, blue]: each number truncated toward zero, of which the low
// eight bits count; further elements are ignored. Defaults to the zero word (transparent black),
// not GDI+'s opaque black.
class ColorProperty : public SimpleProperty<Gdiplus::Color> {
public:
    ColorProperty();
    explicit ColorProperty(const Gdiplus::Color& initial) : SimpleProperty(initial) {}
    void load(const picojson::value& value) override;
};

} // namespace kelvane::vst
