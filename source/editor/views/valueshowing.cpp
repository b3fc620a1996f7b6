#include "editor/views/valueshowing.h"

#include "vstgui/lib/controls/ccontrol.h"

#include <string>

namespace kelvane::vst {

ValueShowing::ValueShowing(VSTGUI::CControl& control) : valueLabel(std::string()), owner(control) {}

bool ValueShowing::showsValue() const {
    return hovered || owner.isEditing();
}

void ValueShowing::showAgain() const {
    if (valueDisplay) {
        valueDisplay();
    }
}

void ValueShowing::showIfChanged(bool before) const {
    if (showsValue() != before) {
        showAgain();
    }
}

void ValueShowing::setHovered(bool over) {
    const bool before = showsValue();
    hovered = over;
    showIfChanged(before);
}

} // namespace kelvane::vst
