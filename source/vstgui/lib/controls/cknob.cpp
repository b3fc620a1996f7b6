#include "vstgui/lib/controls/cknob.h"

#include "vstgui/lib/cbitmap.h"
#include "vstgui/lib/cframe.h"

#include <algorithm>
#include <cmath>

namespace VSTGUI {
namespace {

constexpr double pi = 3.14159265358979323846;

} // namespace

CKnob::CKnob(const CRect& initialSize, IControlListener* listener, std::int32_t tag,
             CBitmap* background, CBitmap* handle, const CPoint& offset)
    : CControl(initialSize, listener, tag, background), backgroundOffset(offset),
      knobStartAngle(static_cast<float>(5. * pi / 4.)),
      knobRangeAngle(static_cast<float>(-3. * pi / 2.)) {
    setHandleBitmap(handle);
    setDirty(false);
}

CKnob::~CKnob() {
    setHandleBitmap(nullptr);
}

void CKnob::setHandleBitmap(CBitmap* bitmap) {
    if (bitmap == knobHandle)
        return;
    if (bitmap != nullptr)
        bitmap->remember();
    if (knobHandle != nullptr)
        knobHandle->forget();
    knobHandle = bitmap;
    setDirty();
}

void CKnob::draw(CDrawContext* context) {
    const CRect& viewRect = getViewSize();
    if (auto* bitmap = getDrawBackground())
        bitmap->draw(context, viewRect, backgroundOffset);
    if (knobHandle != nullptr) {
        CPoint where;
        valueToPoint(where);
        const CPoint corner(viewRect.left + where.x - knobHandle->getWidth() / 2.,
                            viewRect.top + where.y - knobHandle->getHeight() / 2.);
        knobHandle->draw(context, CRect(corner, knobHandle->getSize()));
    }
    setDirty(false);
}

void CKnob::valueToPoint(CPoint& point) const {
    const double alpha = knobStartAngle + getValueNormalized() * knobRangeAngle;
    const CPoint centre(getWidth() / 2., getHeight() / 2.);
    point.x = centre.x + std::cos(alpha) * centre.x;
    point.y = centre.y - std::sin(alpha) * centre.y;
}

float CKnob::valueFromPoint(CPoint& point) const {
    const CPoint centre(getWidth() / 2., getHeight() / 2.);
    if (centre.x <= 0 || centre.y <= 0 || knobRangeAngle == 0.f)
        return getMin();
    // Measured from the middle of the sweep, so that the dead zone is split evenly between
    // the two ends.
    double half = knobRangeAngle * 0.5;
    const double middle = knobStartAngle + half;
    const double dx = (point.x - centre.x) / centre.x;
    const double dy = (centre.y - point.y) / centre.y;
    double alpha = std::atan2(dy, dx) - middle;
    alpha = std::remainder(alpha, 2. * pi); // into [-pi, pi]
    if (half < 0) {
        alpha = -alpha;
        half = -half;
    }
    if (alpha > half)
        return getMax();
    if (alpha < -half)
        return getMin();
    return static_cast<float>((0.5 + alpha / (2. * half)) * getRange() + getMin());
}

float CKnob::coefficient(const CButtonState& buttons) const {
    float range = kCKnobRange;
    if (buttons & kZoomModifier)
        range *= knobZoomFactor;
    return getRange() / range;
}

CMouseEventResult CKnob::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!buttons.isLeftButton())
        return kMouseEventNotHandled;
    beginEdit();
    if (checkDefaultValue(buttons)) {
        endEdit();
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }

    std::int32_t frameMode = getFrame() != nullptr ? getFrame()->getKnobMode() : kCircularMode;
    if (buttons & kAlt)
        frameMode = frameMode == kLinearMode ? kCircularMode : kLinearMode;
    drag = MouseState();
    drag.mode = frameMode;
    drag.firstPoint = where;
    drag.lastPoint = where;
    drag.oldButton = buttons;
    drag.valueAtDown = getValue();
    drag.entryValue = getValue();
    drag.coef = coefficient(buttons);
    drag.angleValue = circularValue(where);
    drag.relativeValue = getValue();
    return kMouseEventHandled;
}

float CKnob::linearValue(const CPoint& where, const CButtonState& buttons) {
    const double diff = (drag.firstPoint.y - where.y) + (where.x - drag.firstPoint.x);
    if (buttons != drag.oldButton) {
        // Move the anchor so that the new rate continues from the value reached.
        const float coef = coefficient(buttons);
        drag.entryValue += static_cast<float>(diff * (drag.coef - coef));
        drag.coef = coef;
        drag.oldButton = buttons;
    }
    return static_cast<float>(drag.entryValue + diff * drag.coef);
}

float CKnob::circularValue(CPoint where) {
    where.offset(-getViewSize().left, -getViewSize().top);
    return valueFromPoint(where);
}

CMouseEventResult CKnob::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (!buttons.isLeftButton() || !isEditing())
        return kMouseEventNotHandled;
    if (where == drag.lastPoint)
        return kMouseEventHandled;
    drag.lastPoint = where;

    float newValue = getValue();
    if (drag.mode == kLinearMode) {
        newValue = linearValue(where, buttons);
    } else {
        const float half = getRange() * 0.5f;
        const float angleValue = circularValue(where);
        if (drag.mode == kRelativCircularMode) {
            // A jump of more than half the range is the mouse crossing the dead zone.
            const float delta = angleValue - drag.angleValue;
            if (std::fabs(delta) <= std::fabs(half))
                drag.relativeValue =
                    std::clamp(drag.relativeValue + delta, std::min(getMin(), getMax()),
                               std::max(getMin(), getMax()));
            drag.angleValue = angleValue;
            newValue = drag.relativeValue;
        } else if (drag.angleValue - angleValue > half) {
            // Past the maximum into the dead zone and round to the minimum: stay at the end
            // until the mouse comes back.
            newValue = getMax();
        } else if (angleValue - drag.angleValue > half) {
            newValue = getMin();
        } else {
            drag.angleValue = angleValue;
            newValue = angleValue;
        }
    }

    const float before = getValue();
    setValue(newValue);
    if (getValue() != before) {
        valueChanged();
        invalid();
    }
    return kMouseEventHandled;
}

CMouseEventResult CKnob::onMouseUp(CPoint&, const CButtonState&) {
    if (isEditing())
        endEdit();
    return kMouseEventHandled;
}

CMouseEventResult CKnob::onMouseCancel() {
    if (isEditing()) {
        const float before = getValue();
        setValue(drag.valueAtDown);
        if (getValue() != before) {
            valueChanged();
            invalid();
        }
        endEdit();
    }
    return kMouseEventHandled;
}

bool CKnob::onWheel(const CPoint&, const CMouseWheelAxis&, const float& distance,
                    const CButtonState& buttons) {
    if (!getMouseEnabled())
        return false;
    float step = distance * getWheelInc();
    if (buttons & kZoomModifier)
        step *= 0.1f;
    const float before = getValue();
    setValueNormalized(getValueNormalized() + step);
    if (getValue() != before) {
        invalid();
        beginEdit();
        valueChanged();
        endEdit();
    }
    return true;
}

} // namespace VSTGUI
