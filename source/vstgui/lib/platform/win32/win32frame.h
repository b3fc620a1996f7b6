#pragma once

#include "vstgui/lib/crect.h"
#include "vstgui/lib/platform/iplatformframe.h"

#include <windows.h>

#include <cstdint>
#include <memory>

namespace Gdiplus {
class Bitmap;
}

namespace VSTGUI {

// A frame shown as a child window of the host's window. It paints through the frame into a
// frame-sized back buffer (a 32-bit premultiplied ARGB GDI+ bitmap over a DIB section) and
// copies the dirty part to the window, so nothing flickers; it turns the window's mouse
// messages into the frame's mouse calls, holding the mouse capture while a button is down. The
// window class takes double clicks, which reach the frame as presses with kDoubleClick.
// Owned by the frame: destroying it destroys the window. Keeps GDI+ started while it exists.
class Win32Frame : public IPlatformFrame {
public:
    // A window of size in parent, or null when parent is no window or the window cannot be made.
    static std::unique_ptr<Win32Frame> create(IPlatformFrameCallback* frame, const CRect& size,
                                              HWND parent);
    ~Win32Frame() override;
    Win32Frame(const Win32Frame&) = delete;
    Win32Frame& operator=(const Win32Frame&) = delete;

    HWND getHWND() const { return window; }

    bool getCurrentMousePosition(CPoint& mousePosition) const override;
    bool invalidRect(const CRect& rect) override;
    bool setSize(const CRect& newSize) override;

    // The mouse buttons and modifier keys of a mouse message's key state (MK_ flags); the Alt
    // key, which the message does not carry, from the keyboard.
    static CButtonState buttonsOf(WPARAM keyState);

private:
    Win32Frame(IPlatformFrameCallback* frame);

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void resizeBuffer(std::int32_t width, std::int32_t height);
    // Paints area through the frame into the back buffer, then copies it to dc.
    void paint(HDC dc, const RECT& area);
    void mouseDown(CButtonState buttons, LPARAM lParam);
    // Ends a drag whose capture another window took: the frame sees the release.
    void captureLost();

    struct GdiplusUse {
        GdiplusUse();
        ~GdiplusUse();
        GdiplusUse(const GdiplusUse&) = delete;
        GdiplusUse& operator=(const GdiplusUse&) = delete;
    };

    GdiplusUse gdiplus;
    IPlatformFrameCallback* frame;
    HWND window = nullptr;
    HDC bufferDC = nullptr;
    HBITMAP bufferSection = nullptr;
    HGDIOBJ previousBitmap = nullptr;
    std::unique_ptr<Gdiplus::Bitmap> buffer;
    std::int32_t bufferWidth = 0;
    std::int32_t bufferHeight = 0;
    bool dragging = false;
    CButtonState dragButtons;
    // Whether the window asked to hear when the mouse leaves it (TrackMouseEvent).
    bool trackingLeave = false;
    // False once destroyed: a click may destroy this frame (a host's context menu runs inside
    // it), and the message handler that made the call must then touch nothing of it.
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
};

} // namespace VSTGUI
