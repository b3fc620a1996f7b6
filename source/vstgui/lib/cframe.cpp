#include "vstgui/lib/cframe.h"

#include "vstgui/lib/cdrawcontext.h"
#include "vstgui/lib/controls/ccontrol.h"
#include "vstgui/lib/platform/iplatformfactory.h"
#include "vstgui/lib/vstguieditorinterface.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace VSTGUI {

CFrame::CFrame(const CRect& initialSize, VSTGUIEditorInterface* editor)
    : CView(initialSize), frameEditor(editor) {
    parentFrame = this;
}

CFrame::~CFrame() {
    // No window callbacks may reach a frame that is being taken apart.
    platformFrame.reset();
    // A gesture cut short tells the listener and the editor here; nothing may escape.
    try {
        removeAll(true);
    } catch (...) {
        for (auto* view : childViews)
            view->forget();
    }
}

bool CFrame::open(void* parent, PlatformType parentType, IPlatformFrameConfig* config) {
    if (platformFrame)
        return false;
    return attachPlatformFrame(getPlatformFactory().createFrame(this, toDevice(getViewSize()),
                                                                parent, parentType, config));
}

bool CFrame::attachPlatformFrame(std::unique_ptr<IPlatformFrame> newPlatformFrame) {
    if (!newPlatformFrame || platformFrame)
        return false;
    platformFrame = std::move(newPlatformFrame);
    invalid();
    return true;
}

bool CFrame::addView(CView* view) {
    if (view == nullptr || view->isAttached() || view == this)
        return false;
    childViews.push_back(view);
    view->attached(this);
    view->invalid();
    return true;
}

bool CFrame::removeView(CView* view, bool withForget) {
    auto it = std::find(childViews.begin(), childViews.end(), view);
    if (it == childViews.end())
        return false;
    if (view == mouseDownView)
        cancelMouseDown();
    if (view == mouseOverView)
        setMouseOverView(nullptr, 0);
    it = std::find(childViews.begin(), childViews.end(), view);
    if (it == childViews.end())
        return false;
    childViews.erase(it);
    view->invalid();
    view->removed(this);
    if (withForget)
        view->forget();
    return true;
}

bool CFrame::removeAll(bool withForget) {
    cancelMouseDown();
    setMouseOverView(nullptr, 0);
    // Taken out first: a view's destructor must find the list consistent.
    auto removing = std::move(childViews);
    childViews.clear();
    for (auto* view : removing) {
        view->removed(this);
        if (withForget)
            view->forget();
    }
    invalidRect(localBounds());
    return true;
}

CView* CFrame::getView(std::uint32_t index) const {
    return index < childViews.size() ? childViews[index] : nullptr;
}

bool CFrame::isChild(CView* view) const {
    return std::find(childViews.begin(), childViews.end(), view) != childViews.end();
}

CView* CFrame::getViewAt(const CPoint& where) const {
    for (auto it = childViews.rbegin(); it != childViews.rend(); ++it) {
        if ((*it)->getViewSize().pointInside(where))
            return *it;
    }
    return nullptr;
}

void CFrame::setBackgroundColor(const CColor& color) {
    if (color == backgroundColor)
        return;
    backgroundColor = color;
    invalid();
}

CRect CFrame::localBounds() const {
    return CRect(0, 0, getWidth(), getHeight());
}

CRect CFrame::toDevice(const CRect& rect) const {
    if (zoom == 1)
        return rect;
    // Rounded, not grown: a 346 by 160 frame at 1.25 is a 433 by 200 window.
    return CRect(std::round(rect.left * zoom), std::round(rect.top * zoom),
                 std::round(rect.right * zoom), std::round(rect.bottom * zoom));
}

CRect CFrame::fromDevice(const CRect& rect) const {
    if (zoom == 1)
        return rect;
    return CRect(rect.left / zoom, rect.top / zoom, rect.right / zoom, rect.bottom / zoom);
}

void CFrame::invalid() {
    for (auto* view : childViews)
        view->setDirty(true);
    invalidRect(localBounds());
}

void CFrame::invalidRect(const CRect& rect) {
    CRect area = rect;
    area.bound(localBounds());
    pending.add(area);
}

// The smallest rectangle on whole device pixels that holds rect: painting never leaves a pixel
// half refreshed.
CRect CFrame::wholePixels(const CRect& rect) const {
    return CRect(std::floor(rect.left * zoom) / zoom, std::floor(rect.top * zoom) / zoom,
                 std::ceil(rect.right * zoom) / zoom, std::ceil(rect.bottom * zoom) / zoom);
}

CRect CFrame::coverViews(CRect area) const {
    area = wholePixels(area);
    for (bool grew = true; grew;) {
        grew = false;
        for (auto* view : childViews) {
            const CRect& viewRect = view->getViewSize();
            if (CInvalidRectList::overlap(area, viewRect) &&
                !CInvalidRectList::contains(area, viewRect)) {
                area = wholePixels(area.unite(viewRect));
                grew = true;
            }
        }
    }
    return area;
}

CInvalidRectList CFrame::takeDirtyAreas() {
    CInvalidRectList areas = std::move(pending);
    pending.clear();
    for (auto* view : childViews) {
        if (view->isDirty())
            areas.add(view->getViewSize());
    }
    CInvalidRectList bounded;
    for (const CRect& area : areas)
        bounded.add(wholePixels(area).bound(localBounds()));
    return bounded;
}

void CFrame::idle() {
    if (!platformFrame)
        return;
    for (const CRect& area : takeDirtyAreas())
        platformFrame->invalidRect(toDevice(area));
}

void CFrame::draw(CDrawContext* context) {
    drawRect(context, localBounds());
}

void CFrame::drawRect(CDrawContext* context, const CRect& updateRect) {
    if (context == nullptr)
        return;
    CRect area = wholePixels(updateRect);
    area.bound(localBounds());
    const bool clipped = context->setClipRect(area);
    if (!clipped) {
        // Every view the area touches is repainted whole instead.
        area = coverViews(updateRect);
        area.bound(localBounds());
    }
    context->setFillColor(backgroundColor);
    context->drawRect(area, kDrawFilled);
    // A copy: a view may add or remove views while it draws.
    const auto views = childViews;
    for (auto* view : views) {
        if (!CInvalidRectList::overlap(view->getViewSize(), area))
            continue;
        SharedPointer<CView> guard(view);
        view->drawRect(context, area);
        view->setDirty(false);
    }
    if (clipped)
        context->resetClipRect();
    setDirty(false);
}

void CFrame::setViewSize(const CRect& newSize, bool doInvalid) {
    CView::setViewSize(newSize, doInvalid);
    if (platformFrame)
        platformFrame->setSize(toDevice(newSize));
}

bool CFrame::setZoom(double factor) {
    if (!(factor >= 1 && factor <= 4))
        return false;
    if (factor == zoom)
        return true;
    zoom = factor;
    if (platformFrame)
        platformFrame->setSize(toDevice(getViewSize()));
    invalid();
    return true;
}

bool CFrame::setSize(CCoord width, CCoord height) {
    CRect newSize = getViewSize();
    newSize.setWidth(width).setHeight(height);
    setViewSize(newSize, true);
    return true;
}

bool CFrame::getCurrentMouseLocation(CPoint& where) const {
    if (!platformFrame || !platformFrame->getCurrentMousePosition(where))
        return false;
    where = CPoint(where.x / zoom, where.y / zoom);
    return true;
}

std::int32_t CFrame::getKnobMode() const {
    const std::int32_t mode = frameEditor != nullptr ? frameEditor->getKnobMode() : -1;
    return mode == -1 ? kCircularMode : mode;
}

void CFrame::beginEdit(std::int32_t index) {
    if (frameEditor != nullptr)
        frameEditor->beginEdit(index);
}

void CFrame::endEdit(std::int32_t index) {
    if (frameEditor != nullptr)
        frameEditor->endEdit(index);
}

void CFrame::setMouseDownView(CView* view) {
    if (view != nullptr)
        view->remember();
    if (mouseDownView != nullptr)
        mouseDownView->forget();
    mouseDownView = view;
}

void CFrame::cancelMouseDown() {
    if (mouseDownView == nullptr)
        return;
    SharedPointer<CView> view(mouseDownView);
    setMouseDownView(nullptr);
    view->onMouseCancel();
}

CView* CFrame::hoverTarget(const CPoint& where, const CButtonState& buttons) const {
    for (auto it = childViews.rbegin(); it != childViews.rend(); ++it) {
        if ((*it)->getMouseEnabled() && (*it)->hitTest(where, buttons))
            return *it;
    }
    return nullptr;
}

void CFrame::setMouseOverView(CView* view, const CButtonState& buttons) {
    if (view == mouseOverView)
        return;
    SharedPointer<CView> left(mouseOverView);
    if (left)
        mouseOverView->forget();
    mouseOverView = view;
    if (view != nullptr)
        view->remember();
    SharedPointer<CView> entered(view);
    CPoint where = lastMouse;
    if (left)
        left->onMouseExited(where, buttons);
    // The exit may have changed the views; only a child still under the mouse is entered.
    if (entered && mouseOverView == view && isChild(view)) {
        where = lastMouse;
        view->onMouseEntered(where, buttons);
    }
}

CMouseEventResult CFrame::onMouseDown(CPoint& where, const CButtonState& buttons) {
    // A new click while a gesture is open (a missed release): the old gesture ends.
    cancelMouseDown();
    lastMouse = where;
    setMouseOverView(hoverTarget(where, buttons), buttons);
    const auto views = childViews;
    for (auto it = views.rbegin(); it != views.rend(); ++it) {
        CView* view = *it;
        if (!isChild(view) || !view->getMouseEnabled() || !view->hitTest(where, buttons))
            continue;
        SharedPointer<CView> guard(view);
        auto* control = dynamic_cast<CControl*>(view);
        if (control != nullptr && control->getListener() != nullptr &&
            (buttons & (kAlt | kShift | kControl | kApple | kRButton)) != 0 &&
            control->getListener()->controlModifierClicked(control, buttons) != 0) {
            return kMouseEventHandled;
        }
        CPoint local = where;
        const CMouseEventResult result = view->onMouseDown(local, buttons);
        if (result == kMouseEventNotHandled || result == kMouseEventNotImplemented)
            continue;
        if (result == kMouseEventHandled && isChild(view))
            setMouseDownView(view);
        return result;
    }
    return kMouseEventNotHandled;
}

CMouseEventResult CFrame::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    lastMouse = where;
    if (mouseDownView == nullptr) {
        setMouseOverView(hoverTarget(where, buttons), buttons);
        return kMouseEventNotHandled;
    }
    SharedPointer<CView> view(mouseDownView);
    CPoint local = where;
    const CMouseEventResult result = view->onMouseMoved(local, buttons);
    if (result == kMouseMoveEventHandledButDontNeedMoreEvents && view.get() == mouseDownView)
        setMouseDownView(nullptr);
    return result;
}

CMouseEventResult CFrame::onMouseUp(CPoint& where, const CButtonState& buttons) {
    lastMouse = where;
    if (mouseDownView == nullptr) {
        setMouseOverView(hoverTarget(where, buttons), buttons);
        return kMouseEventNotHandled;
    }
    SharedPointer<CView> view(mouseDownView);
    setMouseDownView(nullptr);
    CPoint local = where;
    const CMouseEventResult result = view->onMouseUp(local, buttons);
    // Held while the drag lasted: the release may have left the view.
    if (mouseDownView == nullptr)
        setMouseOverView(hoverTarget(where, buttons), buttons);
    return result;
}

bool CFrame::onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                     const CButtonState& buttons) {
    const auto views = childViews;
    for (auto it = views.rbegin(); it != views.rend(); ++it) {
        CView* view = *it;
        if (!isChild(view) || !view->getMouseEnabled() || !view->hitTest(where, buttons))
            continue;
        SharedPointer<CView> guard(view);
        if (view->onWheel(where, axis, distance, buttons))
            return true;
    }
    return false;
}

namespace {

CPoint scaledDown(const CPoint& where, double zoom) {
    return zoom == 1 ? where : CPoint(where.x / zoom, where.y / zoom);
}

} // namespace

void CFrame::platformDrawRect(CDrawContext* context, const CRect& rect) {
    try {
        if (context != nullptr && zoom != 1)
            context->setScaleFactor(zoom);
        drawRect(context, fromDevice(rect));
    } catch (...) {
    }
}

CMouseEventResult CFrame::platformOnMouseDown(CPoint& where, const CButtonState& buttons) {
    try {
        CPoint local = scaledDown(where, zoom);
        return onMouseDown(local, buttons);
    } catch (...) {
        return kMouseEventNotHandled;
    }
}

CMouseEventResult CFrame::platformOnMouseMoved(CPoint& where, const CButtonState& buttons) {
    try {
        CPoint local = scaledDown(where, zoom);
        return onMouseMoved(local, buttons);
    } catch (...) {
        return kMouseEventNotHandled;
    }
}

CMouseEventResult CFrame::platformOnMouseUp(CPoint& where, const CButtonState& buttons) {
    try {
        CPoint local = scaledDown(where, zoom);
        return onMouseUp(local, buttons);
    } catch (...) {
        return kMouseEventNotHandled;
    }
}

void CFrame::platformOnMouseExited() {
    try {
        // A drag goes on outside the window; its release decides.
        if (mouseDownView == nullptr)
            setMouseOverView(nullptr, 0);
    } catch (...) {
    }
}

bool CFrame::platformOnMouseWheel(const CPoint& where, const CMouseWheelAxis& axis,
                                  const float& distance, const CButtonState& buttons) {
    try {
        return onWheel(scaledDown(where, zoom), axis, distance, buttons);
    } catch (...) {
        return false;
    }
}

} // namespace VSTGUI
