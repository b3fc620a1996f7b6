#include "vstgui/lib/cview.h"

#include "vstgui/lib/cbitmap.h"
#include "vstgui/lib/cframe.h"

#include <picojson.h>

#include <stdexcept>

namespace VSTGUI {
namespace {

// Element i of a JSON array of numbers, with the errors of a checked vector access and of
// picojson's typed access.
double numberAt(const picojson::array& values, std::size_t i) {
    if (i >= values.size())
        throw std::out_of_range("invalid vector<T> subscript");
    return values[i].get<double>();
}

void exchange(CBitmap*& slot, CBitmap* bitmap) {
    if (bitmap == slot)
        return;
    if (bitmap != nullptr)
        bitmap->remember();
    if (slot != nullptr)
        slot->forget();
    slot = bitmap;
}

} // namespace

CView::CView(const CRect& initialSize) : viewSize(initialSize), viewMouseableArea(initialSize) {}

CView::~CView() {
    exchange(backgroundBitmap, nullptr);
    exchange(disabledBitmap, nullptr);
}

void CView::setViewSize(const CRect& newSize, bool doInvalid) {
    if (newSize == viewSize)
        return;
    if (doInvalid)
        invalid();
    viewSize = newSize;
    if (doInvalid)
        invalid();
}

void CView::draw(CDrawContext* context) {
    if (auto* bitmap = getDrawBackground())
        bitmap->draw(context, viewSize);
    setDirty(false);
}

void CView::drawRect(CDrawContext* context, const CRect&) {
    draw(context);
}

void CView::invalid() {
    invalidRect(viewSize);
}

void CView::invalidRect(const CRect& rect) {
    if (parentFrame != nullptr && parentFrame != this)
        parentFrame->invalidRect(rect);
}

void CView::setBackground(CBitmap* bitmap) {
    exchange(backgroundBitmap, bitmap);
    setDirty();
}

void CView::setDisabledBackground(CBitmap* bitmap) {
    exchange(disabledBitmap, bitmap);
    setDirty();
}

CBitmap* CView::getDrawBackground() const {
    if (!viewMouseEnabled && disabledBitmap != nullptr)
        return disabledBitmap;
    return backgroundBitmap;
}

void CView::setMouseEnabled(bool state) {
    if (state == viewMouseEnabled)
        return;
    viewMouseEnabled = state;
    // The look may depend on it (the disabled background).
    setDirty();
}

bool CView::hitTest(const CPoint& where, const CButtonState&) {
    return viewMouseableArea.pointInside(where);
}

CMouseEventResult CView::onMouseDown(CPoint&, const CButtonState&) {
    return kMouseEventNotImplemented;
}

CMouseEventResult CView::onMouseUp(CPoint&, const CButtonState&) {
    return kMouseEventNotImplemented;
}

CMouseEventResult CView::onMouseMoved(CPoint&, const CButtonState&) {
    return kMouseEventNotImplemented;
}

CMouseEventResult CView::onMouseCancel() {
    return kMouseEventNotImplemented;
}

CMouseEventResult CView::onMouseEntered(CPoint&, const CButtonState&) {
    return kMouseEventNotImplemented;
}

CMouseEventResult CView::onMouseExited(CPoint&, const CButtonState&) {
    return kMouseEventNotImplemented;
}

bool CView::onWheel(const CPoint&, const CMouseWheelAxis&, const float&, const CButtonState&) {
    return false;
}

bool CView::attached(CView* newParent) {
    if (newParent == nullptr || parentView != nullptr)
        return false;
    parentView = newParent;
    parentFrame = newParent->getFrame();
    return true;
}

bool CView::removed(CView* oldParent) {
    if (oldParent == nullptr || parentView != oldParent)
        return false;
    parentView = nullptr;
    parentFrame = nullptr;
    return true;
}

void CView::setProperty(const std::string& name, const picojson::value& value) {
    if (name == "size") {
        const auto& values = value.get<picojson::array>();
        // Element by element, in order: a wrong type ahead of the end is reported as such.
        double edges[4];
        for (std::size_t i = 0; i < 4; ++i)
            edges[i] = numberAt(values, i);
        const CRect newSize(edges[0], edges[1], edges[2], edges[3]);
        if (newSize == viewSize)
            return;
        invalid();
        setViewSize(newSize, true);
        return;
    }
    throw std::logic_error("setProperty " + name + " " + value.serialize() + " not found");
}

} // namespace VSTGUI
