#include "vstgui/lib/cinvalidrectlist.h"

namespace VSTGUI {

bool CInvalidRectList::overlap(const CRect& a, const CRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool CInvalidRectList::contains(const CRect& outer, const CRect& inner) {
    return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
           outer.bottom >= inner.bottom;
}

bool CInvalidRectList::add(const CRect& rect) {
    if (rect.isEmpty())
        return false;
    for (const auto& existing : rects) {
        if (contains(existing, rect))
            return false;
    }
    // Merging can make the area overlap rectangles it did not touch before: repeat until none.
    CRect merged = rect;
    for (bool grew = true; grew;) {
        grew = false;
        for (auto it = rects.begin(); it != rects.end();) {
            if (overlap(*it, merged)) {
                merged.unite(*it);
                it = rects.erase(it);
                grew = true;
            } else {
                ++it;
            }
        }
    }
    rects.push_back(merged);
    return true;
}

} // namespace VSTGUI
