#pragma once

#include "vstgui/lib/controls/ccontrol.h"

namespace VSTGUI {

// A rotary control. Dragging follows the frame's knob mode:
// - linear: moving right or up by kCKnobRange pixels sweeps the whole range; with
//   kZoomModifier (shift) held the range is zoom factor times longer, and pressing or releasing
//   the modifier mid-drag carries on from the value reached;
// - circular: the value follows the angle of the mouse around the view's centre; relative
//   circular: it follows the change of that angle from where the drag started.
// Alt turns linear into circular and the circular modes into linear. Angles are in radians, in
// the mathematical sense (0 at 3 o'clock, counter-clockwise positive, y up): the minimum lies at
// the start angle and the maximum at start + range angle. The wheel steps by the wheel
// increment, a tenth of it with kZoomModifier. Only the left button drags. A click with
// kDefaultValueModifier or a double click sets the default value, as one gesture.
class CKnob : public CControl {
public:
    static constexpr float kCKnobRange = 200.f;

    // handle: drawn centred on the value's point of the knob's circle, when set. offset: the
    // background's pixel offset.
    CKnob(const CRect& initialSize, IControlListener* listener, std::int32_t tag,
          CBitmap* background, CBitmap* handle, const CPoint& offset = CPoint(0, 0));
    ~CKnob() override;

    void draw(CDrawContext* context) override;

    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    // Ends the gesture at the value it started from.
    CMouseEventResult onMouseCancel() override;
    bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                 const CButtonState& buttons) override;

    virtual void setStartAngle(float angle) { knobStartAngle = angle; }
    float getStartAngle() const { return knobStartAngle; }
    virtual void setRangeAngle(float angle) { knobRangeAngle = angle; }
    float getRangeAngle() const { return knobRangeAngle; }
    // The fine-adjustment divisor of linear drags (1.5 by default).
    virtual void setZoomFactor(float factor) { knobZoomFactor = factor; }
    float getZoomFactor() const { return knobZoomFactor; }

    // The point of the value on the circle inside the view, relative to the view's corner.
    virtual void valueToPoint(CPoint& point) const;
    // The value at point (relative to the view's corner), by its angle around the centre.
    virtual float valueFromPoint(CPoint& point) const;

    virtual void setHandleBitmap(CBitmap* bitmap);
    CBitmap* getHandleBitmap() const { return knobHandle; }
    const CPoint& getOffset() const { return backgroundOffset; }

private:
    // The drag in progress.
    struct MouseState {
        std::int32_t mode = kLinearMode;
        CPoint firstPoint;
        CPoint lastPoint;
        CButtonState oldButton;
        float valueAtDown = 0.f;
        float entryValue = 0.f; // the value at the start of a linear drag, re-anchored
        float coef = 0.f;       // value per pixel of a linear drag
        float angleValue = 0.f; // valueFromPoint at the last circular move
        float relativeValue = 0.f;
    };

    float linearValue(const CPoint& where, const CButtonState& buttons);
    float circularValue(CPoint where);
    float coefficient(const CButtonState& buttons) const;

    CPoint backgroundOffset;
    CBitmap* knobHandle = nullptr;
    float knobStartAngle;
    float knobRangeAngle;
    float knobZoomFactor = 1.5f;
    MouseState drag;
};

} // namespace VSTGUI
