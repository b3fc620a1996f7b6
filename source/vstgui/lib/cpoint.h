#pragma once

#include "vstgui/lib/vstguifwd.h"

namespace VSTGUI {

struct CPoint {
    constexpr CPoint() = default;
    constexpr CPoint(CCoord px, CCoord py) : x(px), y(py) {}

    CPoint& offset(CCoord dx, CCoord dy) {
        x += dx;
        y += dy;
        return *this;
    }
    CPoint& offset(const CPoint& delta) { return offset(delta.x, delta.y); }
    CPoint& offsetInverse(const CPoint& delta) { return offset(-delta.x, -delta.y); }

    inline bool isInside(const CRect& rect) const;

    CPoint& operator+=(const CPoint& other) { return offset(other); }
    CPoint& operator-=(const CPoint& other) { return offsetInverse(other); }
    CPoint operator+(const CPoint& other) const { return CPoint(x + other.x, y + other.y); }
    CPoint operator-(const CPoint& other) const { return CPoint(x - other.x, y - other.y); }
    CPoint operator-() const { return CPoint(-x, -y); }
    bool operator==(const CPoint& other) const { return x == other.x && y == other.y; }
    bool operator!=(const CPoint& other) const { return !(*this == other); }

    CCoord x = 0;
    CCoord y = 0;
};

} // namespace VSTGUI

// CPoint::isInside is defined with CRect.
#include "vstgui/lib/crect.h"
