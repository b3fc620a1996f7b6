#pragma once

#include "vstgui/lib/cbuttonstate.h"
#include "vstgui/lib/vstguifwd.h"

#include <cstdint>

namespace VSTGUI {

// Who hears about a control's gestures and values.
class IControlListener {
public:
    virtual ~IControlListener() = default;

    // The user changed the control's value.
    virtual void valueChanged(CControl* control) = 0;
    // A click with a modifier key or the right button, before the control sees it: non-zero
    // takes the click away from the control.
    virtual std::int32_t controlModifierClicked(CControl* control, CButtonState button);
    // A gesture starts and ends; they come in pairs, never nested for one control.
    virtual void controlBeginEdit(CControl* control);
    virtual void controlEndEdit(CControl* control);
    virtual void controlTagWillChange(CControl* control);
    virtual void controlTagDidChange(CControl* control);
};

inline std::int32_t IControlListener::controlModifierClicked(CControl*, CButtonState) {
    return 0;
}
inline void IControlListener::controlBeginEdit(CControl*) {}
inline void IControlListener::controlEndEdit(CControl*) {}
inline void IControlListener::controlTagWillChange(CControl*) {}
inline void IControlListener::controlTagDidChange(CControl*) {}

} // namespace VSTGUI
