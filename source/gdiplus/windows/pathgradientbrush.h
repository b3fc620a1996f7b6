#pragma once

// The knob's shadow needs Gdiplus::PathGradientBrush (made from a path, with a centre colour
// and surround colours). The mingw-w64 headers this build uses (version 10) already define that
// class over the flat API in <gdiplus/gdipluspath.h>, so this header adds nothing but a check
// that the class is there with the members the drawing code calls; a second definition would
// clash with mingw's.

#include <type_traits>

namespace Gdiplus::detail {

static_assert(std::is_base_of_v<Brush, PathGradientBrush>,
              "mingw's <gdiplus.h> must provide the PathGradientBrush class");
static_assert(std::is_constructible_v<PathGradientBrush, const GraphicsPath*>);
static_assert(std::is_same_v<decltype(&PathGradientBrush::SetCenterColor),
                             Status (PathGradientBrush::*)(const Color&)>);
static_assert(std::is_same_v<decltype(&PathGradientBrush::SetSurroundColors),
                             Status (PathGradientBrush::*)(const Color*, INT*)>);

} // namespace Gdiplus::detail
