#pragma once

#include "vstgui/lib/cbuttonstate.h"
#include "vstgui/lib/cpoint.h"
#include "vstgui/lib/crect.h"
#include "vstgui/lib/vstguifwd.h"

namespace VSTGUI {

// What a frame offers the window that shows it: the window paints through platformDrawRect and
// delivers the mouse in frame coordinates. A window class implements IPlatformFrame and calls
// these; nothing of the views knows which window it is. The callbacks catch every exception.
class IPlatformFrameCallback {
public:
    virtual void platformDrawRect(CDrawContext* context, const CRect& rect) = 0;
    virtual CMouseEventResult platformOnMouseDown(CPoint& where, const CButtonState& buttons) = 0;
    virtual CMouseEventResult platformOnMouseMoved(CPoint& where, const CButtonState& buttons) = 0;
    virtual CMouseEventResult platformOnMouseUp(CPoint& where, const CButtonState& buttons) = 0;
    virtual bool platformOnMouseWheel(const CPoint& where, const CMouseWheelAxis& axis,
                                      const float& distance, const CButtonState& buttons) = 0;
    // The mouse left the window.
    virtual void platformOnMouseExited() = 0;

protected:
    ~IPlatformFrameCallback() = default;
};

// Platform-specific settings for opening a frame (e.g. a run loop); none are defined yet.
class IPlatformFrameConfig {
public:
    virtual ~IPlatformFrameConfig() = default;
};

// The native side of a frame: a window in its parent, or an offscreen bitmap. Owned by the frame.
class IPlatformFrame {
public:
    virtual ~IPlatformFrame() = default;
    // The mouse position in frame coordinates; false when the platform cannot tell.
    virtual bool getCurrentMousePosition(CPoint& mousePosition) const = 0;
    // Asks for rect to be painted (through platformDrawRect), now or soon.
    virtual bool invalidRect(const CRect& rect) = 0;
    virtual bool setSize(const CRect& newSize) = 0;
};

} // namespace VSTGUI
