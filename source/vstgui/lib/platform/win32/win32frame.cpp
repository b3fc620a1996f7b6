#include "vstgui/lib/platform/win32/win32frame.h"

#include "vstgui/gdiplusglobals.h"
#include "vstgui/instance.h"
#include "vstgui/lib/gdiplusdrawcontext.h"

#include "gdiplus/gdiplus.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>

namespace VSTGUI {
namespace {

const wchar_t* const className = L"KelvaneVSTGUIFrame";
// Windows of the class that exist; the class is registered while there are any.
int windowCount = 0;

// The module that holds the window procedure: the one the module entry recorded, or, in a
// program that links the views directly, whichever module this code is in.
HINSTANCE moduleInstance() {
    if (hInstance != nullptr)
        return static_cast<HINSTANCE>(hInstance);
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&moduleInstance), &module);
    return module;
}

LONG pixel(CCoord value) {
    return static_cast<LONG>(std::lround(value));
}

} // namespace

Win32Frame::GdiplusUse::GdiplusUse() {
    GDIPlusGlobals::enter();
}

Win32Frame::GdiplusUse::~GdiplusUse() {
    GDIPlusGlobals::exit();
}

Win32Frame::Win32Frame(IPlatformFrameCallback* callback) : frame(callback) {}

std::unique_ptr<Win32Frame> Win32Frame::create(IPlatformFrameCallback* frame, const CRect& size,
                                               HWND parent) {
    if (frame == nullptr || parent == nullptr || !IsWindow(parent))
        return nullptr;
    const HINSTANCE instance = moduleInstance();
    if (windowCount == 0) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = CS_DBLCLKS;
        windowClass.lpfnWndProc = windowProc;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        windowClass.lpszClassName = className;
        if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            return nullptr;
    }
    ++windowCount;
    std::unique_ptr<Win32Frame> result(new Win32Frame(frame));
    const int width = std::max(1, static_cast<int>(std::ceil(size.getWidth())));
    const int height = std::max(1, static_cast<int>(std::ceil(size.getHeight())));
    // WM_CREATE ties the window to the frame; from then on the destructor undoes the count.
    HWND window = CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                                  pixel(size.left), pixel(size.top), width, height, parent, nullptr,
                                  instance, result.get());
    if (window == nullptr)
        return nullptr;
    result->resizeBuffer(width, height);
    return result;
}

Win32Frame::~Win32Frame() {
    *alive = false;
    if (window != nullptr) {
        // No message of the dying window may reach the frame.
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        dragging = false;
        if (GetCapture() == window)
            ReleaseCapture();
        DestroyWindow(window);
        window = nullptr;
    }
    buffer.reset();
    resizeBuffer(0, 0);
    if (--windowCount == 0)
        UnregisterClassW(className, moduleInstance());
}

void Win32Frame::resizeBuffer(std::int32_t width, std::int32_t height) {
    buffer.reset();
    if (bufferDC != nullptr) {
        SelectObject(bufferDC, previousBitmap);
        DeleteDC(bufferDC);
        bufferDC = nullptr;
    }
    if (bufferSection != nullptr) {
        DeleteObject(bufferSection);
        bufferSection = nullptr;
    }
    bufferWidth = bufferHeight = 0;
    if (width <= 0 || height <= 0)
        return;
    // Top-down B, G, R, A rows, which is GDI+'s premultiplied ARGB in memory: GDI+ paints
    // straight into the section that BitBlt copies to the window.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bufferSection = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bufferSection == nullptr || bits == nullptr)
        return;
    bufferDC = CreateCompatibleDC(nullptr);
    previousBitmap = SelectObject(bufferDC, bufferSection);
    buffer = std::make_unique<Gdiplus::Bitmap>(width, height, width * 4, PixelFormat32bppPARGB,
                                               static_cast<BYTE*>(bits));
    bufferWidth = width;
    bufferHeight = height;
}

void Win32Frame::paint(HDC dc, const RECT& area) {
    if (!buffer || area.right <= area.left || area.bottom <= area.top)
        return;
    {
        Gdiplus::Graphics graphics(buffer.get());
        GdiplusDrawContext context(&graphics, CRect(0, 0, bufferWidth, bufferHeight));
        frame->platformDrawRect(&context, CRect(area.left, area.top, area.right, area.bottom));
    }
    GdiFlush();
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, bufferDC,
           area.left, area.top, SRCCOPY);
}

CButtonState Win32Frame::buttonsOf(WPARAM keyState) {
    CButtonState buttons;
    if (keyState & MK_LBUTTON)
        buttons |= kLButton;
    if (keyState & MK_MBUTTON)
        buttons |= kMButton;
    if (keyState & MK_RBUTTON)
        buttons |= kRButton;
    if (keyState & MK_XBUTTON1)
        buttons |= kButton4;
    if (keyState & MK_XBUTTON2)
        buttons |= kButton5;
    if (keyState & MK_SHIFT)
        buttons |= kShift;
    if (keyState & MK_CONTROL)
        buttons |= kControl;
    if (GetKeyState(VK_MENU) < 0)
        buttons |= kAlt;
    return buttons;
}

void Win32Frame::mouseDown(CButtonState buttons, LPARAM lParam) {
    // Captured first: a menu that the click opens takes the capture, which ends the drag.
    if (!dragging) {
        SetCapture(window);
        dragging = true;
    }
    dragButtons = buttons;
    CPoint where(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    const std::shared_ptr<bool> living = alive;
    const CMouseEventResult result = frame->platformOnMouseDown(where, buttons);
    if (!*living)
        return;
    if (dragging && (result != kMouseEventHandled || GetCapture() != window)) {
        dragging = false;
        if (GetCapture() == window)
            ReleaseCapture();
    }
}

void Win32Frame::captureLost() {
    if (!dragging)
        return;
    dragging = false;
    CPoint where;
    if (!getCurrentMousePosition(where))
        where = CPoint(0, 0);
    frame->platformOnMouseUp(where, dragButtons);
}

LRESULT CALLBACK Win32Frame::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        auto* self = static_cast<Win32Frame*>(
            reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        return 0;
    }
    auto* self = reinterpret_cast<Win32Frame*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    // The window procedure is the boundary to the window system: nothing may escape into it.
    try {
        return self->handle(message, wParam, lParam);
    } catch (...) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT Win32Frame::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND self = window;
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // the paint covers everything
    case WM_PAINT: {
        PAINTSTRUCT ps;
        if (HDC dc = BeginPaint(window, &ps)) {
            paint(dc, ps.rcPaint);
            EndPaint(window, &ps);
        }
        return 0;
    }
    case WM_PRINTCLIENT: {
        RECT all{0, 0, bufferWidth, bufferHeight};
        paint(reinterpret_cast<HDC>(wParam), all);
        return 0;
    }
    case WM_SIZE:
        resizeBuffer(LOWORD(lParam), HIWORD(lParam));
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_XBUTTONDOWN:
        mouseDown(buttonsOf(GET_KEYSTATE_WPARAM(wParam)), lParam);
        return message == WM_XBUTTONDOWN ? TRUE : 0;
    case WM_LBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_XBUTTONDBLCLK:
        // The second press of a double click, in place of its button-down message.
        mouseDown(buttonsOf(GET_KEYSTATE_WPARAM(wParam)) | kDoubleClick, lParam);
        return message == WM_XBUTTONDBLCLK ? TRUE : 0;
    case WM_LBUTTONUP:
    case WM_MBUTTONUP:
    case WM_RBUTTONUP:
    case WM_XBUTTONUP: {
        // The key state no longer holds the button that went up; the frame is told which.
        CButtonState buttons = buttonsOf(GET_KEYSTATE_WPARAM(wParam));
        const bool last = buttons.getButtonState() == 0;
        buttons |= message == WM_LBUTTONUP                  ? kLButton
                   : message == WM_MBUTTONUP                ? kMButton
                   : message == WM_RBUTTONUP                ? kRButton
                   : GET_XBUTTON_WPARAM(wParam) == XBUTTON1 ? kButton4
                                                            : kButton5;
        if (last && dragging) {
            // Released first, so that the capture's end reads as no lost drag.
            dragging = false;
            if (GetCapture() == window)
                ReleaseCapture();
        }
        CPoint where(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        frame->platformOnMouseUp(where, buttons);
        return message == WM_XBUTTONUP ? TRUE : 0;
    }
    case WM_MOUSEMOVE: {
        if (!trackingLeave) {
            TRACKMOUSEEVENT track{};
            track.cbSize = sizeof(track);
            track.dwFlags = TME_LEAVE;
            track.hwndTrack = window;
            trackingLeave = TrackMouseEvent(&track) != FALSE;
        }
        CPoint where(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        frame->platformOnMouseMoved(where, buttonsOf(GET_KEYSTATE_WPARAM(wParam)));
        return 0;
    }
    case WM_MOUSELEAVE:
        trackingLeave = false;
        frame->platformOnMouseExited();
        return 0;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != window)
            captureLost();
        return 0;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL: {
        POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ScreenToClient(window, &point);
        const float distance =
            static_cast<float>(GET_WHEEL_DELTA_WPARAM(wParam)) / static_cast<float>(WHEEL_DELTA);
        const CMouseWheelAxis axis = message == WM_MOUSEWHEEL ? kMouseWheelAxisY : kMouseWheelAxisX;
        if (frame->platformOnMouseWheel(CPoint(point.x, point.y), axis, distance,
                                        buttonsOf(GET_KEYSTATE_WPARAM(wParam))))
            return 0;
        break; // unhandled: the parent may scroll
    }
    case WM_NCDESTROY:
        // Destroyed with its parent before the frame let it go: nothing left to destroy.
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        window = nullptr;
        dragging = false;
        break;
    default:
        break;
    }
    return DefWindowProcW(self, message, wParam, lParam);
}

bool Win32Frame::getCurrentMousePosition(CPoint& mousePosition) const {
    POINT point;
    if (window == nullptr || !GetCursorPos(&point) || !ScreenToClient(window, &point))
        return false;
    mousePosition = CPoint(point.x, point.y);
    return true;
}

bool Win32Frame::invalidRect(const CRect& rect) {
    if (window == nullptr)
        return false;
    const RECT area{
        static_cast<LONG>(std::floor(rect.left)), static_cast<LONG>(std::floor(rect.top)),
        static_cast<LONG>(std::ceil(rect.right)), static_cast<LONG>(std::ceil(rect.bottom))};
    return InvalidateRect(window, &area, FALSE) != FALSE;
}

bool Win32Frame::setSize(const CRect& newSize) {
    if (window == nullptr)
        return false;
    const int width = std::max(1, static_cast<int>(std::ceil(newSize.getWidth())));
    const int height = std::max(1, static_cast<int>(std::ceil(newSize.getHeight())));
    // WM_SIZE makes the new back buffer and asks for the whole window.
    return SetWindowPos(window, nullptr, pixel(newSize.left), pixel(newSize.top), width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

} // namespace VSTGUI
