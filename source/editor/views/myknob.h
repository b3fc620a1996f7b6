#pragma once

#include "editor/properties/arrayproperty.h"
#include "editor/properties/colorproperty.h"
#include "editor/properties/geometryproperties.h"
#include "editor/properties/property.h"
#include "editor/properties/scalarproperties.h"
#include "editor/views/idrawable.h"
#include "editor/views/tickmarkproperty.h"
#include "editor/views/valueshowing.h"

#include "vstgui/lib/controls/cknob.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace kelvane::vst {

class ResourceCache;

// The editor's rotary control: VSTGUI's knob (value, mouse and wheel handling) painted with GDI+
// as a ring of ticks, a drop shadow, a textured face under a tint and a glowing pointer that
// turns with the value. Angles are in degrees, 0 straight up, clockwise. With steps > 0 the value
// snaps to multiples of 1 / steps (one step makes a switch, which a click also flips).
//
// While the mouse is over the knob or turns it, the knob shows its value (ValueShowing).
class MyKnob : public VSTGUI::CKnob, public IDrawable, public ValueShowing {
public:
    using TickMark = kelvane::vst::TickMark;
    using TickMarkProperty = kelvane::vst::TickMarkProperty;

    // cache must outlive the knob.
    MyKnob(const VSTGUI::CPoint& knobCenter, VSTGUI::IControlListener* knobListener,
           std::int32_t knobTag, ResourceCache* resources, std::int32_t stepCount);
    ~MyKnob() override;

    void draw(VSTGUI::CDrawContext* context) override;
    void setProperty(const std::string& name, const picojson::value& json) override;
    void setValue(float newValue) override;
    void beginEdit() override;
    void endEdit() override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where,
                                          const VSTGUI::CButtonState& buttons) override;
    VSTGUI::CMouseEventResult onMouseMoved(VSTGUI::CPoint& where,
                                           const VSTGUI::CButtonState& buttons) override;
    VSTGUI::CMouseEventResult onMouseUp(VSTGUI::CPoint& where,
                                        const VSTGUI::CButtonState& buttons) override;
    VSTGUI::CMouseEventResult onMouseCancel() override;
    VSTGUI::CMouseEventResult onMouseEntered(VSTGUI::CPoint& where,
                                             const VSTGUI::CButtonState& buttons) override;
    VSTGUI::CMouseEventResult onMouseExited(VSTGUI::CPoint& where,
                                            const VSTGUI::CButtonState& buttons) override;
    void drawGdiplus(Gdiplus::Graphics* graphics) override;
    // The knob's angles run clockwise in the window's y-down coordinates, while VSTGUI's knob
    // measures them counter-clockwise with y up: the mouse's points are mirrored about the
    // centre so that the circular modes follow the drawn scale (clockwise raises the value,
    // the dead zone is the gap at the bottom).
    void valueToPoint(VSTGUI::CPoint& point) const override;
    float valueFromPoint(VSTGUI::CPoint& point) const override;

    std::int32_t getSteps() const { return steps; }

    DoubleProperty startAngle;
    DoubleProperty endAngle;
    ArrayProperty<TickMarkProperty> tickMarks;
    DoubleProperty shadowRadius;
    ColorProperty shadowColor;
    ColorProperty shadowEdgeColor;
    DoubleProperty faceRadius;
    ColorProperty faceTint;
    DoubleProperty pointerInnerRadius;
    DoubleProperty pointerOuterRadius;
    DoubleProperty glowRadius;
    DoubleProperty glowGain;
    IntProperty glowPasses;
    ColorProperty pointerColor;
    ColorProperty pointerOutlineColor;
    DoubleProperty mouseRadius;
    DoubleProperty viewRadius;
    PointProperty center;
    StringProperty faceImage;

    PropertyTable properties;

private:
    void updateGeometry();
    void drawTicks(Gdiplus::Graphics& graphics) const;
    void drawShadow(Gdiplus::Graphics& graphics) const;
    void drawFace(Gdiplus::Graphics& graphics) const;
    void drawPointer(Gdiplus::Graphics& graphics);

    ResourceCache* cache;
    std::int32_t steps;
    // The pointer with its glow at angle 0, made by the first draw after a change of the
    // geometry or of the scale drawn at (pointerScale).
    std::unique_ptr<Gdiplus::Bitmap> pointerImage;
    double pointerScale = 1;
    // The device pixels per window pixel of the draw in progress.
    double drawScale = 1;
    // A press that may still turn out a click: the release comes near it, the value unchanged.
    std::optional<VSTGUI::CPoint> clickAt;
    float valueAtClick = 0;
};

} // namespace kelvane::vst
