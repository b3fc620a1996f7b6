#pragma once

#include "editor/properties/scalarproperties.h"

#include <functional>
#include <utility>

namespace VSTGUI {
class CControl;
}

namespace kelvane::vst {

// The part of a control that shows its value while the mouse is over the control or a gesture
// on it is under way. The control tells its value display (set by the editor) whenever showing
// starts, stops, or the value changes meanwhile; the valueLabel property names the text view in
// which the editor shows it ("" for none). The control registers valueLabel among its own
// properties, with showAgain() as its listener, so that another label takes over at once.
class ValueShowing {
public:
    bool showsValue() const;
    VSTGUI::CControl& control() const { return owner; }
    // Called with no arguments; the display asks control() and showsValue() what to show.
    void setValueDisplay(std::function<void()> display) { valueDisplay = std::move(display); }

    StringProperty valueLabel;

protected:
    // control is the control that this part belongs to (a base of the same object).
    explicit ValueShowing(VSTGUI::CControl& control);
    ValueShowing(const ValueShowing&) = delete;
    ValueShowing& operator=(const ValueShowing&) = delete;
    ~ValueShowing() = default;

    // Tells the display, whatever changed.
    void showAgain() const;
    // Tells the display if showing started or stopped: before is what showsValue() answered
    // before the change.
    void showIfChanged(bool before) const;
    void setHovered(bool over);

private:
    VSTGUI::CControl& owner;
    bool hovered = false;
    std::function<void()> valueDisplay;
};

} // namespace kelvane::vst
