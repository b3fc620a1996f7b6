#pragma once

#include "editor/properties/colorproperty.h"
#include "editor/properties/geometryproperties.h"
#include "editor/properties/property.h"
#include "editor/properties/scalarproperties.h"
#include "editor/views/idrawable.h"
#include "editor/views/valueshowing.h"

#include "vstgui/lib/controls/ccontrol.h"

#include <cstdint>

namespace kelvane::vst {

// An on/off switch: a plate with rounded corners (rect, filled with a vertical gradient from
// topColor to bottomColor and outlined in outlineColor) that holds a lamp, a disc lit in
// lampOnColor with a glow around it while on, dark in lampOffColor while off. Its label, if any,
// is a text view of its own laid over the plate.
//
// Its value is 0 (off) or 1 (on): whatever is set snaps there, on from 0.5 upward. A click
// (press and release over rect) flips it within one edit gesture; a double click, or a click
// with the default-value modifier, sets the default value instead. Its view size covers the
// plate, the lamp and the glow, recomputed whenever a property changes; rect takes the mouse.
// While the mouse is over it or a gesture is under way it shows its value (ValueShowing).
class KVSwitch : public VSTGUI::CControl, public IDrawable, public ValueShowing {
public:
    KVSwitch(VSTGUI::IControlListener* listener, std::int32_t tag);
    ~KVSwitch() override;

    void draw(VSTGUI::CDrawContext* context) override;
    void setProperty(const std::string& name, const picojson::value& value) override;
    void drawGdiplus(Gdiplus::Graphics* graphics) override;

    void setValue(float newValue) override;
    void beginEdit() override;
    void endEdit() override;
    bool isOn() const { return getValue() >= 0.5f; }

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

    RectProperty rect;
    DoubleProperty cornerRadius;
    ColorProperty topColor;
    ColorProperty bottomColor;
    ColorProperty outlineColor;
    PointProperty lampCenter;
    DoubleProperty lampRadius;
    ColorProperty lampOffColor;
    ColorProperty lampOnColor;
    ColorProperty lampRimColor;
    DoubleProperty glowRadius;
    ColorProperty glowColor;

    PropertyTable properties;

private:
    void updateBounds();
    void drawPlate(Gdiplus::Graphics& graphics) const;
    void drawLamp(Gdiplus::Graphics& graphics) const;
};

} // namespace kelvane::vst
