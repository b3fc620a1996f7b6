#pragma once

#include "vstgui/lib/crect.h"
#include "vstgui/lib/platform/iplatformframe.h"
#include "vstgui/lib/platform/linux/x11connection.h"
#include "vstgui/lib/platform/linux/x11runloop.h"

#include <xcb/xcb.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace Gdiplus {
class Bitmap;
}

namespace VSTGUI::X11 {

// X has no double-click event: two presses of one button make one when the second comes soon
// after the first and near it (the usual desktop settings). A third press starts a new pair.
class DoubleClicks {
public:
    static constexpr std::uint32_t interval = 400; // milliseconds
    static constexpr std::int32_t distance = 5;    // pixels, in either direction

    // Whether this press completes a double click; time is the server's (it wraps around),
    // (x, y) the press on the screen.
    bool press(std::uint8_t button, std::uint32_t time, std::int32_t x, std::int32_t y);

private:
    bool open = false; // a first press waits for its second
    std::uint8_t lastButton = 0;
    std::uint32_t lastTime = 0;
    std::int32_t lastX = 0;
    std::int32_t lastY = 0;
};

// A frame shown as a child window of the host's X window, on the connection that the windows of
// its thread share (Connection). The frame paints through the frame into a frame-sized 32-bit
// premultiplied ARGB GDI+ bitmap, which is put into a server-side pixmap that is also the
// window's background: the server repaints exposed parts by itself, so the window shows the
// frame even while nobody reads its events (no run loop). Changed areas are painted when the
// frame asks (invalidRect), at once. Mouse events arrive through the run loop, which lets the
// connection read them when it is readable;
// double clicks (DoubleClicks) as presses with kDoubleClick, and the pointer leaving the window
// as platformOnMouseExited().
// Owned by the frame: destroying it destroys the window. Keeps GDI+ started while it exists.
class Frame : public IPlatformFrame, private IWindowEventHandler {
public:
    // A window of size in the X window parent, or null when there is no display, parent is no
    // window of it, or its visual has no 32-bit true-colour pixels. runLoop may be null.
    static std::unique_ptr<Frame> create(IPlatformFrameCallback* frame, const CRect& size,
                                         xcb_window_t parent, SharedPointer<IRunLoop> runLoop);
    ~Frame() override;
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    xcb_window_t getWindow() const { return window; }
    // Whether the window's events arrive through a run loop.
    bool isRegistered() const { return shared->isRegistered(); }

    // Handles every event that has arrived for the connection's windows, without waiting.
    void processEvents() { shared->processEvents(); }

    bool getCurrentMousePosition(CPoint& mousePosition) const override;
    bool invalidRect(const CRect& rect) override;
    bool setSize(const CRect& newSize) override;

    // The buttons held and modifier keys of an event's state; and the button of a press or
    // release (0 for the wheel and unknown buttons).
    static CButtonState buttonsOf(std::uint16_t state);
    static CButtonState buttonOf(std::uint8_t detail);

private:
    struct GdiplusUse {
        GdiplusUse();
        ~GdiplusUse();
        GdiplusUse(const GdiplusUse&) = delete;
        GdiplusUse& operator=(const GdiplusUse&) = delete;
    };

    Frame(IPlatformFrameCallback* frame, std::shared_ptr<Connection> connection);

    bool open(xcb_window_t parent, std::int32_t width, std::int32_t height);
    // The parent's depth and visual when they take our pixels, else a 24-bit true-colour visual
    // of its screen (with a colormap of its own).
    bool chooseVisual(xcb_window_t parent, xcb_window_t root);
    // A new bitmap and background pixmap of that size, painted whole.
    void makeBuffer(std::int32_t width, std::int32_t height);
    // Paints area through the frame into the bitmap, then into the pixmap and the window.
    void paint(const CRect& area);
    void putPixels(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);
    void onWindowEvent(const xcb_generic_event_t& event) override { handle(event); }
    void onConnectionLost() override { window = 0; }
    void handle(const xcb_generic_event_t& event);
    // Marks the window as an XEmbed client, for embedders that speak the protocol.
    void announceEmbedding();
    // Waits until the server has handled every request sent so far.
    void sync();

    GdiplusUse gdiplus;
    IPlatformFrameCallback* frame;
    std::shared_ptr<Connection> shared;
    xcb_connection_t* connection;
    xcb_window_t root = 0;
    xcb_window_t window = 0;
    xcb_pixmap_t pixmap = 0;
    xcb_gcontext_t gc = 0;
    xcb_visualid_t visual = 0;
    xcb_colormap_t colormap = 0;
    std::uint8_t depth = 0;
    bool swapBytes = false;
    std::unique_ptr<Gdiplus::Bitmap> buffer;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> rows;
    DoubleClicks clicks;
};

} // namespace VSTGUI::X11
