#pragma once

#include "vstgui/lib/cbuttonstate.h"
#include "vstgui/lib/cpoint.h"
#include "vstgui/lib/crect.h"
#include "vstgui/lib/vstguibase.h"
#include "vstgui/lib/vstguifwd.h"

#include <string>

namespace picojson {
class value;
}

namespace VSTGUI {

// A rectangle of the frame that draws itself and may take the mouse. Coordinates are frame
// coordinates. The frame that a view is added to owns it (by reference count).
class CView : public CBaseObject {
public:
    explicit CView(const CRect& initialSize);
    ~CView() override;

    // Size and the area that reacts to the mouse. The mouseable area starts as the size and
    // stays where it is set when the size changes later.
    const CRect& getViewSize() const { return viewSize; }
    // Changes the size; with invalid, both the old and the new area are redrawn.
    virtual void setViewSize(const CRect& newSize, bool invalid = true);
    CCoord getWidth() const { return viewSize.getWidth(); }
    CCoord getHeight() const { return viewSize.getHeight(); }
    virtual void setMouseableArea(const CRect& rect) { viewMouseableArea = rect; }
    virtual CRect& getMouseableArea(CRect& rect) const {
        rect = viewMouseableArea;
        return rect;
    }
    const CRect& getMouseableArea() const { return viewMouseableArea; }

    // Drawing. draw() paints the background bitmap (the disabled one while the mouse is
    // disabled, when there is one) into the view size and clears the dirty flag. drawRect() is
    // what the frame calls to repaint updateRect; by default it draws the whole view.
    virtual void draw(CDrawContext* context);
    virtual void drawRect(CDrawContext* context, const CRect& updateRect);
    // A dirty view is repainted by the frame's next idle().
    virtual void setDirty(bool state = true) { viewDirty = state; }
    virtual bool isDirty() const { return viewDirty; }
    // Marks the view's area, or rect, for repainting by the frame's next idle().
    virtual void invalid();
    virtual void invalidRect(const CRect& rect);

    // Background bitmaps, shared (remembered while set).
    virtual void setBackground(CBitmap* bitmap);
    CBitmap* getBackground() const { return backgroundBitmap; }
    virtual void setDisabledBackground(CBitmap* bitmap);
    CBitmap* getDisabledBackground() const { return disabledBitmap; }
    // The bitmap that draw() paints.
    CBitmap* getDrawBackground() const;

    // Mouse. A view with the mouse disabled gets no mouse events from the frame.
    virtual void setMouseEnabled(bool state = true);
    bool getMouseEnabled() const { return viewMouseEnabled; }
    // Whether a click at where belongs to this view: inside its mouseable area.
    virtual bool hitTest(const CPoint& where, const CButtonState& buttons = -1);
    virtual CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons);
    virtual CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons);
    virtual CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons);
    // The frame took away a mouse gesture this view was following.
    virtual CMouseEventResult onMouseCancel();
    // The mouse came over the view, or left it (where: frame coordinates, where it is now).
    // The frame keeps the view that follows a drag under the mouse until the release.
    virtual CMouseEventResult onMouseEntered(CPoint& where, const CButtonState& buttons);
    virtual CMouseEventResult onMouseExited(CPoint& where, const CButtonState& buttons);
    virtual bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                         const CButtonState& buttons);

    // Where the view lives: set while it is a child of a frame.
    CFrame* getFrame() const { return parentFrame; }
    CView* getParentView() const { return parentView; }
    bool isAttached() const { return parentView != nullptr; }
    virtual bool attached(CView* newParent);
    virtual bool removed(CView* oldParent);

    // Sets a property by name from a JSON value. The base knows "size", an array of at least
    // four numbers [left, top, right, bottom]: an equal size changes nothing, a different one
    // redraws the old area and takes the new size. Shorter arrays throw std::out_of_range,
    // values of the wrong type picojson's std::runtime_error, any other name std::logic_error.
    virtual void setProperty(const std::string& name, const picojson::value& value);

private:
    friend class CFrame;

    CRect viewSize;
    CRect viewMouseableArea;
    bool viewDirty = false;
    bool viewMouseEnabled = true;
    CBitmap* backgroundBitmap = nullptr;
    CBitmap* disabledBitmap = nullptr;
    CView* parentView = nullptr;
    CFrame* parentFrame = nullptr;
};

} // namespace VSTGUI
