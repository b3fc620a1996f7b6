#pragma once

#include "vstgui/lib/ccolor.h"
#include "vstgui/lib/cinvalidrectlist.h"
#include "vstgui/lib/cview.h"
#include "vstgui/lib/platform/iplatformframe.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace VSTGUI {

// The root of the views: it owns its childViews (by reference count), paints them over its
// background colour, hands them the mouse, and connects them with the editor. What it paints
// and where the mouse comes from is its platform frame's business: a window opened by open(),
// or an offscreen bitmap (OffscreenFrame). Children are in frame coordinates, drawn in the order
// added (the last on top).
//
// Repainting: views mark areas with invalid()/invalidRect() or set their dirty flag; idle()
// gathers those areas and asks the platform frame to paint them. Each area is painted clipped
// to itself: background, then every view that overlaps it, so a changed knob costs its own
// square. On a surface that cannot clip, an area is first grown to cover every view it touches,
// so each view is repainted whole on fresh background or not at all.
//
// Zoom: the platform frame works in device pixels, zoom times the frame's own coordinates. Its
// size, the areas it is asked to paint and the mouse positions it delivers are converted here;
// the views draw through one scaling transform and never see device pixels.
class CFrame : public CView, public IPlatformFrameCallback {
public:
    // editor may be null; it is not owned.
    CFrame(const CRect& initialSize, VSTGUIEditorInterface* editor);

    // Opens a window in parent through the platform factory; false when one is open already or
    // the platform makes none.
    bool open(void* parent, PlatformType parentType = PlatformType::kDefaultNative,
              IPlatformFrameConfig* config = nullptr);
    // Takes over a platform frame made for this frame; false (and it is deleted) when one is
    // attached already.
    bool attachPlatformFrame(std::unique_ptr<IPlatformFrame> platformFrame);
    IPlatformFrame* getPlatformFrame() const { return platformFrame.get(); }

    // Children. addView takes over the caller's reference; it refuses (false, reference left
    // with the caller) a null view or one that already has a parent.
    virtual bool addView(CView* view);
    // Without withForget the caller gets the frame's reference. A child removed while it follows
    // a mouse gesture gets onMouseCancel() first.
    virtual bool removeView(CView* view, bool withForget = true);
    virtual bool removeAll(bool withForget = true);
    std::uint32_t getNbViews() const { return static_cast<std::uint32_t>(childViews.size()); }
    CView* getView(std::uint32_t index) const;
    bool isChild(CView* view) const;
    // The topmost child whose size contains where, or null.
    CView* getViewAt(const CPoint& where) const;

    void setBackgroundColor(const CColor& color);
    const CColor& getBackgroundColor() const { return backgroundColor; }

    // Marks the whole frame and every child dirty.
    void invalid() override;
    void invalidRect(const CRect& rect) override;
    // Paints what is dirty, through the platform frame (nothing without one).
    void idle();
    // Paints the whole frame / updateRect, clipped to it (or grown over the children it touches
    // where the context cannot clip): background colour, then each child that overlaps it.
    void draw(CDrawContext* context) override;
    void drawRect(CDrawContext* context, const CRect& updateRect) override;

    void setViewSize(const CRect& newSize, bool invalid = true) override;
    bool setSize(CCoord width, CCoord height);
    // The device pixels per frame unit, from 1 to 4 (false for others). The platform frame takes
    // the new device size and everything is repainted.
    bool setZoom(double factor);
    double getZoom() const { return zoom; }
    // The mouse position in frame coordinates; false without a platform frame that knows it.
    bool getCurrentMouseLocation(CPoint& where) const;

    VSTGUIEditorInterface* getEditor() const { return frameEditor; }
    // The editor's CKnobMode; circular when it has none.
    std::int32_t getKnobMode() const;
    void beginEdit(std::int32_t index);
    void endEdit(std::int32_t index);

    // Mouse dispatch, in frame coordinates. A click goes to the topmost child with the mouse
    // enabled whose hitTest() takes it, then downwards while childViews do not handle it. Before
    // a control with a listener sees a click with a modifier or the right button, the listener's
    // controlModifierClicked() may take it. The child that handles a click gets the moves and
    // the release.
    //
    // Hover: the topmost child with the mouse enabled whose hitTest() takes the mouse's point is
    // the one under the mouse; it hears onMouseEntered() and, when another one takes its place
    // or the mouse leaves the window, onMouseExited(). While a child follows a drag nothing
    // changes until the release.
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                 const CButtonState& buttons) override;

    // The platform frame's entry points: as above, with every exception stopped here.
    void platformDrawRect(CDrawContext* context, const CRect& rect) override;
    CMouseEventResult platformOnMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult platformOnMouseMoved(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult platformOnMouseUp(CPoint& where, const CButtonState& buttons) override;
    bool platformOnMouseWheel(const CPoint& where, const CMouseWheelAxis& axis,
                              const float& distance, const CButtonState& buttons) override;
    void platformOnMouseExited() override;

    // The child under the mouse, or null.
    CView* getMouseOverView() const { return mouseOverView; }

protected:
    ~CFrame() override;

private:
    CRect localBounds() const;
    // Frame coordinates to device pixels and back.
    CRect toDevice(const CRect& rect) const;
    CRect fromDevice(const CRect& rect) const;
    CRect wholePixels(const CRect& rect) const;
    // area grown over every child it touches, on whole pixels.
    CRect coverViews(CRect area) const;
    CInvalidRectList takeDirtyAreas();
    void setMouseDownView(CView* view);
    // Ends the gesture of the child that has the mouse, with onMouseCancel().
    void cancelMouseDown();
    // The child that a hover at where belongs to, or null.
    CView* hoverTarget(const CPoint& where, const CButtonState& buttons) const;
    // Makes view the child under the mouse, telling the one it replaces first.
    void setMouseOverView(CView* view, const CButtonState& buttons);

    VSTGUIEditorInterface* frameEditor;
    std::unique_ptr<IPlatformFrame> platformFrame;
    std::vector<CView*> childViews;
    CView* mouseDownView = nullptr;
    CView* mouseOverView = nullptr;
    // Where the mouse was last seen, for the exits that no mouse event brings.
    CPoint lastMouse;
    CColor backgroundColor = kBlackCColor;
    double zoom = 1;
    CInvalidRectList pending;
};

} // namespace VSTGUI
