#pragma once

#include "gdiplus/gdiplus.h"

#include <memory>

namespace kelvane::vst {

// How a knob's pointer looks: a capsule 4 pixels thick from innerRadius to outerRadius, filled
// and outlined, under a glow made by blurring it.
struct PointerStyle {
    double innerRadius = 0;
    double outerRadius = 0;
    Gdiplus::Color fill;
    Gdiplus::Color outline;
    double glowRadius = 0;
    double glowGain = 0;
    int glowPasses = 0;
};

// A width by height premultiplied-ARGB image of the pointer at angle 0 (towards 3 o'clock) from
// the image's centre, the sharp pointer with its glow drawn over it; null when GDI+ cannot make
// a bitmap of that size. Costs several passes over the whole image: make it once, then draw it
// rotated. At a scale above 1 the image has scale times as many pixels each way (width and
// height rounded), everything in it scale times larger, the glow's radius included.
std::unique_ptr<Gdiplus::Bitmap> renderPointer(int width, int height, const PointerStyle& style,
                                               double scale = 1);

} // namespace kelvane::vst
