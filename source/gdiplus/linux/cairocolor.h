#pragma once

#include "gdiplus/linux/gdiplustypes.h"

typedef struct _cairo_pattern cairo_pattern_t;

namespace kelvane::gdiplus {

cairo_pattern_t* solidPattern(const Gdiplus::Color& color);
void addStop(cairo_pattern_t* gradient, double offset, const Gdiplus::Color& color);

} // namespace kelvane::gdiplus
