#include "gdiplus/linux/cairocolor.h"

#include <cairo.h>

namespace kelvane::gdiplus {

namespace {
double unit(BYTE channel) {
    return channel / 255.0;
}
} // namespace

cairo_pattern_t* solidPattern(const Gdiplus::Color& color) {
    return cairo_pattern_create_rgba(unit(color.GetR()), unit(color.GetG()), unit(color.GetB()),
                                     unit(color.GetA()));
}

void addStop(cairo_pattern_t* gradient, double offset, const Gdiplus::Color& color) {
    cairo_pattern_add_color_stop_rgba(gradient, offset, unit(color.GetR()), unit(color.GetG()),
                                      unit(color.GetB()), unit(color.GetA()));
}

} // namespace kelvane::gdiplus
