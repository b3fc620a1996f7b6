#pragma once

#include "vstgui/lib/cpoint.h"

#include <algorithm>

namespace VSTGUI {

// A rectangle in window pixels: right and bottom are coordinates, not sizes. A point on the left
// or top edge is inside, one on the right or bottom edge is not.
struct CRect {
    constexpr CRect() = default;
    constexpr CRect(CCoord l, CCoord t, CCoord r, CCoord b)
        : left(l), top(t), right(r), bottom(b) {}
    constexpr CRect(const CPoint& origin, const CPoint& size)
        : left(origin.x), top(origin.y), right(origin.x + size.x), bottom(origin.y + size.y) {}

    CCoord getWidth() const { return right - left; }
    CCoord getHeight() const { return bottom - top; }
    CRect& setWidth(CCoord width) {
        right = left + width;
        return *this;
    }
    CRect& setHeight(CCoord height) {
        bottom = top + height;
        return *this;
    }

    CPoint getTopLeft() const { return CPoint(left, top); }
    CPoint getBottomRight() const { return CPoint(right, bottom); }
    CPoint getSize() const { return CPoint(getWidth(), getHeight()); }
    CPoint getCenter() const { return CPoint(left + getWidth() / 2., top + getHeight() / 2.); }

    CRect& offset(CCoord dx, CCoord dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
        return *this;
    }
    CRect& offset(const CPoint& delta) { return offset(delta.x, delta.y); }
    CRect& moveTo(CCoord x, CCoord y) { return offset(x - left, y - top); }
    CRect& moveTo(const CPoint& where) { return moveTo(where.x, where.y); }
    // Shrinks by dx on the left and right and dy on the top and bottom; extend grows.
    CRect& inset(CCoord dx, CCoord dy) {
        left += dx;
        right -= dx;
        top += dy;
        bottom -= dy;
        return *this;
    }
    CRect& extend(CCoord dx, CCoord dy) { return inset(-dx, -dy); }
    CRect& originize() { return offset(-left, -top); }
    // Swaps the edges of a rectangle given the wrong way round.
    CRect& normalize() {
        if (left > right)
            std::swap(left, right);
        if (top > bottom)
            std::swap(top, bottom);
        return *this;
    }

    bool isEmpty() const { return right <= left || bottom <= top; }
    bool pointInside(const CPoint& where) const {
        return where.x >= left && where.x < right && where.y >= top && where.y < bottom;
    }
    // Whether the two share at least one point, edges included.
    bool rectOverlap(const CRect& rect) const {
        return !(right < rect.left || left > rect.right || bottom < rect.top || top > rect.bottom);
    }
    // The smallest rectangle holding both, an empty one counted by its corners as well.
    CRect& unite(const CRect& rect) {
        left = std::min(left, rect.left);
        top = std::min(top, rect.top);
        right = std::max(right, rect.right);
        bottom = std::max(bottom, rect.bottom);
        return *this;
    }
    // The intersection with rect, an empty rectangle when they do not overlap.
    CRect& bound(const CRect& rect) {
        left = std::max(left, rect.left);
        top = std::max(top, rect.top);
        right = std::max(left, std::min(right, rect.right));
        bottom = std::max(top, std::min(bottom, rect.bottom));
        return *this;
    }

    bool operator==(const CRect& other) const {
        return left == other.left && top == other.top && right == other.right &&
               bottom == other.bottom;
    }
    bool operator!=(const CRect& other) const { return !(*this == other); }

    CCoord left = 0;
    CCoord top = 0;
    CCoord right = 0;
    CCoord bottom = 0;
};

inline bool CPoint::isInside(const CRect& rect) const {
    return rect.pointInside(*this);
}

} // namespace VSTGUI
