#pragma once

#include "gdiplus/linux/brush.h"
#include "gdiplus/linux/path.h"

#include <vector>

namespace Gdiplus {

// Colours interpolate along each ray from the centre point (centre colour) to the path's
// boundary (the surround colour of the boundary point); outside the path the brush is
// transparent. A path of one ellipse gives an exact radial gradient.
class PathGradientBrush : public Brush {
public:
    explicit PathGradientBrush(const GraphicsPath* path);
    PathGradientBrush* Clone() const override;
    Status SetCenterColor(const Color& color);
    Status GetCenterColor(Color* color) const;
    Status SetCenterPoint(const PointF& point);
    Status GetCenterPoint(PointF* point) const;
    // One colour for the whole boundary, or one per boundary point (the last one repeating).
    Status SetSurroundColors(const Color* colors, INT* count);
    INT GetSurroundColorCount() const;
    INT GetPointCount() const;
    Status SetWrapMode(WrapMode wrapMode);
    cairo_pattern_t* pattern() const override;

private:
    PathGradientBrush() : Brush(BrushTypePathGradient) {}
    cairo_pattern_t* radial() const;
    cairo_pattern_t* fan() const;

    std::vector<PointF> boundary; // flattened outline of the path's first figure
    bool ellipse = false;
    RectF bounds;
    INT pathPoints = 0;
    PointF centre;
    Color centreColour = Color(0xFFFFFFFF);
    std::vector<Color> surround = {Color(0xFFFFFFFF)};
    WrapMode wrap = WrapModeClamp;
};

} // namespace Gdiplus
