#pragma once

#include "gdiplus/linux/brush.h"

#include <memory>

namespace Gdiplus {

// Width in world units: it scales with the graphics' transform. Width 0 draws one device pixel.
class Pen {
public:
    Pen(const Color& color, REAL width = 1.0f);
    Pen(const Brush* brush, REAL width = 1.0f);
    Pen(const Pen&) = delete;
    Pen& operator=(const Pen&) = delete;

    Pen* Clone() const;
    REAL GetWidth() const;
    Status SetWidth(REAL width);
    Status SetColor(const Color& color);
    Status GetColor(Color* color) const;
    Status SetBrush(const Brush* brush);
    Unit GetUnit() const { return UnitWorld; }
    Status GetLastStatus() const;

    const Brush* brush() const { return fill.get(); }

private:
    Status record(Status status) const;

    std::unique_ptr<Brush> fill;
    REAL penWidth;
    mutable Status lastStatus = Ok;
};

} // namespace Gdiplus
