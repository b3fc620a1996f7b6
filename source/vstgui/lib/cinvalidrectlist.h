#pragma once

#include "vstgui/lib/crect.h"

#include <vector>

namespace VSTGUI {

// A set of areas to repaint, kept free of overlaps: an added area that overlaps others is merged
// with them into their common bounding rectangle.
class CInvalidRectList {
public:
    using const_iterator = std::vector<CRect>::const_iterator;

    // Adds rect (empty ones are ignored); false when it was already covered.
    bool add(const CRect& rect);
    bool empty() const { return rects.empty(); }
    std::size_t size() const { return rects.size(); }
    void clear() { rects.clear(); }
    const_iterator begin() const { return rects.begin(); }
    const_iterator end() const { return rects.end(); }

    // Whether the two share an area (touching edges do not count), and whether outer holds inner.
    static bool overlap(const CRect& a, const CRect& b);
    static bool contains(const CRect& outer, const CRect& inner);

private:
    std::vector<CRect> rects;
};

} // namespace VSTGUI
