// The editor in a real window: a host's top-level window, the editor attached to it as a child
// window, painted, driven by window messages and closed again. Needs an X server under Wine.

#include "controller/controller.h"
#include "host/connectionpeer.h"
#include "host/contextmenuhost.h"
#include "vst2/vst2host.h"

#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "pluginterfaces/vst/ivstplugview.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"
#include "public.sdk/source/vst/vstguieditor.h"
#include "vstgui/lib/offscreenframe.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <set>
#include <vector>

namespace {

using Steinberg::IPtr;
using Steinberg::kResultOk;
using Steinberg::owned;
using Steinberg::Vst::ParamID;
using testhost::ComponentHandler;

constexpr int editorWidth = 346;
constexpr int editorHeight = 160;

// Lets the window system deliver what is queued (paints, timer ticks) for about milliseconds.
void pump(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

// Pixels as 0xAARRGGBB (alpha ignored), row by row.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + x] & 0xffffffu;
    }
};

// What the window shows, read back from its device context, or what it paints when asked to
// print itself.
Image capture(HWND window, bool print = false) {
    RECT client{};
    GetClientRect(window, &client);
    Image image;
    image.width = client.right;
    image.height = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(memory, section);
    if (print) {
        PrintWindow(window, memory, PW_CLIENTONLY);
    } else {
        HDC windowDC = GetDC(window);
        BitBlt(memory, 0, 0, image.width, image.height, windowDC, 0, 0, SRCCOPY);
        ReleaseDC(window, windowDC);
    }
    GdiFlush();
    const auto* first = static_cast<const std::uint32_t*>(bits);
    image.pixels.assign(first, first + image.width * image.height);
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(section);
    return image;
}

// The view of a new editor, given the content scale factor when it is not 0.
IPtr<Steinberg::IPlugView> createView(Steinberg::Vst::IEditController& controller, float scale) {
    IPtr<Steinberg::IPlugView> view = owned(controller.createView("editor"));
    Steinberg::FUnknownPtr<Steinberg::IPlugViewContentScaleSupport> scaling(view.get());
    if (view && scale != 0 && (!scaling || scaling->setContentScaleFactor(scale) != kResultOk))
        return nullptr;
    return view;
}

// The same editor drawn without a window, through the offscreen frame; with the mouse resting
// at hover when given.
Image drawOffscreen(Steinberg::Vst::IEditController& controller, float scale = 0,
                    const POINT* hover = nullptr) {
    Image image;
    IPtr<Steinberg::IPlugView> view = createView(controller, scale);
    auto* editor = dynamic_cast<Steinberg::Vst::VSTGUIEditor*>(view.get());
    if (editor == nullptr)
        return image;
    VSTGUI::OffscreenFrame* offscreen = editor->attachOffscreen();
    if (offscreen != nullptr) {
        if (hover != nullptr)
            offscreen->mouseMoved(VSTGUI::CPoint(hover->x, hover->y), 0);
        offscreen->drawAll();
        image.width = offscreen->getWidth();
        image.height = offscreen->getHeight();
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                image.pixels.push_back(offscreen->getPixel(x, y));
    }
    view->removed();
    return image;
}

int channelDifference(std::uint32_t a, std::uint32_t b) {
    int largest = 0;
    for (int shift = 0; shift < 24; shift += 8)
        largest = std::max(largest, std::abs(static_cast<int>((a >> shift) & 0xff) -
                                             static_cast<int>((b >> shift) & 0xff)));
    return largest;
}

int differingPixels(const Image& a, const Image& b) {
    if (a.width != b.width || a.height != b.height)
        return a.width * a.height + b.width * b.height;
    int differing = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (channelDifference(a.at(x, y), b.at(x, y)) > 24)
                ++differing;
    return differing;
}

// Real input, as the mouse gives it: through the system's input queue to the window under the
// cursor, which is placed at (x, y) of window first.
void mouseTo(HWND window, int x, int y) {
    POINT screen{x, y};
    ClientToScreen(window, &screen);
    SetCursorPos(screen.x, screen.y);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_MOVE; // by nothing: a move message where the cursor is
    SendInput(1, &input, sizeof(input));
}

void mouseInput(DWORD flags, DWORD data = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.mouseData = data;
    SendInput(1, &input, sizeof(input));
}

size_t distinctColours(const Image& image) {
    std::set<std::uint32_t> colours;
    for (std::uint32_t pixel : image.pixels)
        colours.insert(pixel & 0xffffffu);
    return colours.size();
}

// The test host's menu handler, which can also act while the plug-in asks for a menu (inside
// the click), as a host whose menu closes the editor would.
class MenuHandler : public testhost::ContextMenuHandler {
public:
    Steinberg::Vst::IContextMenu* PLUGIN_API createContextMenu(Steinberg::IPlugView* plugView,
                                                               const ParamID* paramID) override {
        Steinberg::Vst::IContextMenu* menu =
            ContextMenuHandler::createContextMenu(plugView, paramID);
        if (onMenu)
            onMenu();
        return menu;
    }
    std::function<void()> onMenu;
};

std::vector<Steinberg::int32> tagsOf(const testhost::ContextMenu& menu) {
    std::vector<Steinberg::int32> tags;
    for (const auto& entry : menu.entries)
        tags.push_back(entry.tag);
    return tags;
}

LRESULT CALLBACK hostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

class EditorWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(controller->initialize(&hostApplication), kResultOk);
        ASSERT_EQ(controller->setComponentHandler(&handler), kResultOk);
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = hostWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"TivrandelTestHost";
        RegisterClassExW(&windowClass);
        // Without an X server Wine makes no windows at all.
        host = CreateWindowExW(0, L"TivrandelTestHost", L"host",
                               WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 20, 20, 420, 260,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(host, nullptr) << "no window: is there an X server (DISPLAY)?";
        pump(50);
    }

    void TearDown() override {
        if (view)
            view->removed();
        view = nullptr;
        if (host != nullptr)
            DestroyWindow(host);
        controller->terminate();
    }

    // The editor attached to the host window; its child window.
    HWND open(float scale = 0) {
        view = createView(*controller, scale);
        if (!view || view->attached(host, Steinberg::kPlatformTypeHWND) != kResultOk)
            return nullptr;
        HWND child = GetWindow(host, GW_CHILD);
        if (child != nullptr) {
            UpdateWindow(child);
            pump(100);
        }
        return child;
    }

    // The centre of the control of id, from the rectangle in which the view finds it (in the
    // window's pixels, scale times the editor's).
    POINT centreOf(ParamID id, int scale = 1) {
        Steinberg::FUnknownPtr<Steinberg::Vst::IParameterFinder> finder(view.get());
        long left = editorWidth * scale, top = editorHeight * scale, right = -1, bottom = -1;
        for (int y = 0; finder && y < editorHeight * scale; ++y) {
            for (int x = 0; x < editorWidth * scale; ++x) {
                ParamID found = 0;
                if (finder->findParameter(x, y, found) == kResultOk && found == id) {
                    left = std::min<long>(left, x);
                    top = std::min<long>(top, y);
                    right = std::max<long>(right, x);
                    bottom = std::max<long>(bottom, y);
                }
            }
        }
        return POINT{(left + right) / 2, (top + bottom) / 2};
    }

    Steinberg::Vst::HostApplication hostApplication;
    MenuHandler handler;
    testhost::ConnectionPeer peer;
    IPtr<tivrandel::Controller> controller = owned(new tivrandel::Controller);
    IPtr<Steinberg::IPlugView> view;
    HWND host = nullptr;
};

TEST_F(EditorWindowTest, OpensAsAChildWindowAndShowsWhatTheOffscreenFrameDraws) {
    controller->setParamNormalized(1, 0.8);
    controller->setParamNormalized(2, 0.2);
    HWND child = open();
    ASSERT_NE(child, nullptr);
    const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    EXPECT_TRUE((style & WS_CHILD) && (style & WS_VISIBLE));
    RECT client{};
    GetClientRect(child, &client);
    EXPECT_EQ(client.right, editorWidth);
    EXPECT_EQ(client.bottom, editorHeight);
    Steinberg::ViewRect size;
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.getWidth(), editorWidth);
    EXPECT_EQ(size.getHeight(), editorHeight);

    const Image shown = capture(child);
    const Image drawn = drawOffscreen(*controller);
    ASSERT_EQ(drawn.width, shown.width);
    ASSERT_EQ(drawn.height, shown.height);
    // Knobs, text and gradients: far more than a blank or a flat window.
    EXPECT_GT(distinctColours(shown), 100u);
    int differing = 0;
    for (int y = 0; y < shown.height; ++y)
        for (int x = 0; x < shown.width; ++x)
            if (channelDifference(shown.at(x, y), drawn.at(x, y)) > 24)
                ++differing;
    EXPECT_LT(differing, shown.width * shown.height / 200) << differing << " pixels differ";

    // A partial repaint (the window asks for one corner) leaves the picture as it was.
    RECT corner{0, 0, 40, 30};
    InvalidateRect(child, &corner, TRUE);
    UpdateWindow(child);
    EXPECT_EQ(capture(child).pixels, shown.pixels);
    EXPECT_EQ(capture(child, true).pixels, shown.pixels);

    // The view cannot be resized: a host that tries anyway is refused and the window keeps its
    // size; its own size is taken.
    for (const Steinberg::ViewRect& other :
         {Steinberg::ViewRect(0, 0, editorWidth + 30, editorHeight + 20),
          Steinberg::ViewRect(0, 0, 100000, 100000)}) {
        Steinberg::ViewRect proposed = other;
        EXPECT_EQ(view->onSize(&proposed), Steinberg::kResultFalse);
        GetClientRect(child, &client);
        EXPECT_EQ(client.right, editorWidth);
        EXPECT_EQ(client.bottom, editorHeight);
        ASSERT_EQ(view->getSize(&size), kResultOk);
        EXPECT_EQ(size.getWidth(), editorWidth);
    }
    Steinberg::ViewRect same(0, 0, editorWidth, editorHeight);
    EXPECT_EQ(view->onSize(&same), kResultOk);
    UpdateWindow(child);
    EXPECT_EQ(capture(child).pixels, shown.pixels);
}

TEST_F(EditorWindowTest, AtScaleTwoTheWindowIsTwiceAsLargeAndTheMouseLandsOnTheRightKnob) {
    SetWindowPos(host, nullptr, 0, 0, 800, 440, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    pump(20);
    controller->setParamNormalized(1, 0.25);
    HWND child = open(2);
    ASSERT_NE(child, nullptr);
    RECT client{};
    GetClientRect(child, &client);
    EXPECT_EQ(client.right, 2 * editorWidth);
    EXPECT_EQ(client.bottom, 2 * editorHeight);

    const Image shown = capture(child);
    const Image drawn = drawOffscreen(*controller, 2);
    ASSERT_EQ(drawn.width, 2 * editorWidth);
    ASSERT_EQ(drawn.height, 2 * editorHeight);
    ASSERT_EQ(shown.width, drawn.width);
    int differing = 0;
    for (int y = 0; y < shown.height; ++y)
        for (int x = 0; x < shown.width; ++x)
            if (channelDifference(shown.at(x, y), drawn.at(x, y)) > 24)
                ++differing;
    EXPECT_LT(differing, shown.width * shown.height / 200) << differing << " pixels differ";

    // A drag on the time knob, in the window's pixels.
    const POINT time = centreOf(1, 2);
    handler.calls.clear();
    SendMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(time.x, time.y));
    for (int step = 1; step <= 4; ++step)
        SendMessageW(child, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(time.x, time.y - 16 * step));
    SendMessageW(child, WM_LBUTTONUP, 0, MAKELPARAM(time.x, time.y - 64));
    double dragged = 0;
    EXPECT_TRUE(testhost::isRisingGesture(handler.calls, 1, 0.25, dragged));

    // A right click on the level knob opens its menu where the mouse is.
    const POINT level = centreOf(2, 2);
    POINT screen = level;
    ClientToScreen(child, &screen);
    SetCursorPos(screen.x, screen.y);
    pump(20);
    handler.calls.clear();
    SendMessageW(child, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(level.x, level.y));
    SendMessageW(child, WM_RBUTTONUP, 0, MAKELPARAM(level.x, level.y));
    ASSERT_EQ(handler.requests.size(), 1u);
    EXPECT_EQ(handler.requests[0].id, 2u);
    ASSERT_EQ(handler.menus.at(0)->popups.size(), 1u);
    EXPECT_EQ(handler.menus.at(0)->popups[0].first, level.x);
    EXPECT_EQ(handler.menus.at(0)->popups[0].second, level.y);
    EXPECT_TRUE(handler.calls.empty());
}

TEST_F(EditorWindowTest, AKnobDragReachesTheHostAsOneNestedGesture) {
    HWND child = open();
    ASSERT_NE(child, nullptr);
    const POINT centre = centreOf(1);
    ASSERT_GT(centre.x, 0);
    handler.calls.clear();

    SendMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(centre.x, centre.y));
    EXPECT_EQ(GetCapture(), child);
    for (int step = 1; step <= 4; ++step)
        SendMessageW(child, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(centre.x, centre.y - 8 * step));
    SendMessageW(child, WM_LBUTTONUP, 0, MAKELPARAM(centre.x, centre.y - 32));
    EXPECT_EQ(GetCapture(), nullptr);

    // Upwards is higher, and the controller holds what the host was told last.
    double dragged = 0;
    EXPECT_TRUE(testhost::isRisingGesture(handler.calls, 1, 0.5, dragged));
    EXPECT_EQ(controller->getParamNormalized(1), dragged);
    EXPECT_TRUE(handler.requests.empty()); // a left button never asks for a menu

    // A drag whose capture another window takes ends there, so the host's gesture is closed.
    handler.calls.clear();
    SendMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(centre.x, centre.y));
    SendMessageW(child, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(centre.x, centre.y - 8));
    SetCapture(host);
    ASSERT_GE(handler.calls.size(), 4u);
    EXPECT_EQ(handler.calls[handler.calls.size() - 2], ComponentHandler::end(1));
    EXPECT_EQ(handler.calls.back(), ComponentHandler::end(1));
    ReleaseCapture();
    const size_t ended = handler.calls.size();
    SendMessageW(child, WM_LBUTTONUP, 0, MAKELPARAM(centre.x, centre.y - 8));
    EXPECT_EQ(handler.calls.size(), ended);

    // The wheel turns the knob under the mouse, given in screen coordinates.
    POINT screen = centre;
    ClientToScreen(child, &screen);
    const double before = controller->getParamNormalized(1);
    SendMessageW(child, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(screen.x, screen.y));
    EXPECT_GT(controller->getParamNormalized(1), before);
}

TEST_F(EditorWindowTest, HoveringShowsTheValueAndADoubleClickResetsAsOneEdit) {
    controller->setParamNormalized(2, 0.875);
    HWND child = open();
    ASSERT_NE(child, nullptr);
    SetForegroundWindow(host);
    const Image rest = drawOffscreen(*controller);
    ASSERT_LT(differingPixels(capture(child), rest), editorWidth * editorHeight / 200);

    // Over the level knob: its label shows "+75.0 R" as the offscreen editor does.
    const POINT level = centreOf(2);
    const Image hovered = drawOffscreen(*controller, 0, &level);
    ASSERT_GT(differingPixels(hovered, rest), 20);
    mouseTo(child, level.x, level.y);
    pump(100);
    EXPECT_LT(differingPixels(capture(child), hovered), 10);

    // A double click: the second press resets the knob in one gesture.
    handler.calls.clear();
    mouseInput(MOUSEEVENTF_LEFTDOWN);
    mouseInput(MOUSEEVENTF_LEFTUP);
    mouseInput(MOUSEEVENTF_LEFTDOWN);
    mouseInput(MOUSEEVENTF_LEFTUP);
    pump(100);
    using Calls = std::vector<ComponentHandler::Call>;
    EXPECT_EQ(handler.calls,
              (Calls{ComponentHandler::begin(2), ComponentHandler::begin(2),
                     ComponentHandler::end(2), ComponentHandler::end(2), ComponentHandler::begin(2),
                     ComponentHandler::begin(2), ComponentHandler::perform(2, 0.5),
                     ComponentHandler::end(2), ComponentHandler::end(2)}));
    EXPECT_EQ(controller->getParamNormalized(2), 0.5);
    const Image reset = drawOffscreen(*controller, 0, &level);
    EXPECT_LT(differingPixels(capture(child), reset), 10);

    // A wheel notch keeps its step; the swap switch flips on a click (after the double click's
    // interval, so that it is no double click).
    mouseInput(MOUSEEVENTF_WHEEL, WHEEL_DELTA);
    pump(50);
    EXPECT_NEAR(controller->getParamNormalized(2), 0.6, 1e-6);
    // Shift-drag: the zoom factor of 10 makes 40 pixels up a fiftieth of the range.
    const POINT time = centreOf(1);
    mouseTo(child, time.x, time.y);
    INPUT shift{};
    shift.type = INPUT_KEYBOARD;
    shift.ki.wVk = VK_SHIFT;
    SendInput(1, &shift, sizeof(shift));
    mouseInput(MOUSEEVENTF_LEFTDOWN);
    for (int step = 1; step <= 4; ++step)
        mouseTo(child, time.x, time.y - 10 * step);
    mouseInput(MOUSEEVENTF_LEFTUP);
    shift.ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(1, &shift, sizeof(shift));
    pump(50);
    EXPECT_NEAR(controller->getParamNormalized(1), 0.5 + 40.0 / 2000, 1e-6);
    const POINT swap = centreOf(3);
    mouseTo(child, swap.x, swap.y);
    pump(GetDoubleClickTime() + 50);
    mouseInput(MOUSEEVENTF_LEFTDOWN);
    mouseInput(MOUSEEVENTF_LEFTUP);
    pump(50);
    EXPECT_EQ(controller->getParamNormalized(3), 1.0);

    // Out of the editor's window: at rest again, as the offscreen editor draws it.
    mouseTo(host, editorWidth + 40, editorHeight + 40);
    pump(400);
    const Image after = drawOffscreen(*controller);
    EXPECT_LT(differingPixels(capture(child), after), 10);
    EXPECT_GT(differingPixels(after, drawOffscreen(*controller, 0, &swap)), 20);
}

TEST_F(EditorWindowTest, TheFineSwitchShowsItsValueFlipsOnAClickAndOffersItsMenu) {
    HWND child = open();
    ASSERT_NE(child, nullptr);
    SetForegroundWindow(host);
    const Image rest = drawOffscreen(*controller);
    ASSERT_LT(differingPixels(capture(child), rest), editorWidth * editorHeight / 200);

    // Over the switch: its label shows "Off" as the offscreen editor does.
    const POINT fine = centreOf(4);
    const Image hovered = drawOffscreen(*controller, 0, &fine);
    ASSERT_GT(differingPixels(hovered, rest), 10);
    mouseTo(child, fine.x, fine.y);
    pump(100);
    EXPECT_LT(differingPixels(capture(child), hovered), 10);

    // A double click: the first click turns it on, the second press returns it to its
    // default, each in one gesture.
    handler.calls.clear();
    mouseInput(MOUSEEVENTF_LEFTDOWN);
    mouseInput(MOUSEEVENTF_LEFTUP);
    mouseInput(MOUSEEVENTF_LEFTDOWN);
    mouseInput(MOUSEEVENTF_LEFTUP);
    pump(100);
    using Calls = std::vector<ComponentHandler::Call>;
    EXPECT_EQ(handler.calls, (Calls{ComponentHandler::begin(4), ComponentHandler::begin(4),
                                    ComponentHandler::perform(4, 1.0), ComponentHandler::end(4),
                                    ComponentHandler::end(4), ComponentHandler::begin(4),
                                    ComponentHandler::begin(4), ComponentHandler::perform(4, 0.0),
                                    ComponentHandler::end(4), ComponentHandler::end(4)}));
    EXPECT_EQ(controller->getParamNormalized(4), 0.0);

    // One click, after the double click's interval: on, lit, and its label says so.
    pump(GetDoubleClickTime() + 50);
    mouseInput(MOUSEEVENTF_LEFTDOWN);
    mouseInput(MOUSEEVENTF_LEFTUP);
    pump(100);
    EXPECT_EQ(controller->getParamNormalized(4), 1.0);
    const Image lit = drawOffscreen(*controller, 0, &fine);
    EXPECT_GT(differingPixels(lit, hovered), 10);
    EXPECT_LT(differingPixels(capture(child), lit), 10);

    // A right click asks the host for the switch's menu, where the mouse is.
    handler.calls.clear();
    SendMessageW(child, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(fine.x, fine.y));
    SendMessageW(child, WM_RBUTTONUP, 0, MAKELPARAM(fine.x, fine.y));
    ASSERT_EQ(handler.requests.size(), 1u);
    EXPECT_EQ(handler.requests[0].id, 4u);
    const auto& menu = *handler.menus.at(0);
    EXPECT_EQ(tagsOf(menu), (std::vector<Steinberg::int32>{-1, 1004, 2004}));
    ASSERT_EQ(menu.popups.size(), 1u);
    EXPECT_EQ(menu.popups[0].first, fine.x);
    EXPECT_EQ(menu.popups[0].second, fine.y);
    EXPECT_TRUE(handler.calls.empty());

    // Out of the editor's window: at rest and on, as the offscreen editor draws it.
    mouseTo(host, editorWidth + 40, editorHeight + 40);
    pump(400);
    EXPECT_LT(differingPixels(capture(child), drawOffscreen(*controller)), 10);
}

TEST_F(EditorWindowTest, ARightClickOnAKnobOpensTheHostMenuWithThePluginItems) {
    HWND child = open();
    ASSERT_NE(child, nullptr);
    const POINT centre = centreOf(1);
    // The menu pops up where the mouse is.
    POINT screen = centre;
    ClientToScreen(child, &screen);
    SetCursorPos(screen.x, screen.y);
    pump(20);
    handler.calls.clear();

    SendMessageW(child, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(centre.x, centre.y));
    SendMessageW(child, WM_RBUTTONUP, 0, MAKELPARAM(centre.x, centre.y));
    EXPECT_EQ(GetCapture(), nullptr);
    ASSERT_EQ(handler.requests.size(), 1u);
    EXPECT_EQ(handler.requests[0].view, view.get());
    EXPECT_EQ(handler.requests[0].id, 1u);
    const auto& menu = *handler.menus.at(0);
    // The host's own item first, then the plug-in's reset and manual items.
    EXPECT_EQ(tagsOf(menu), (std::vector<Steinberg::int32>{-1, 1001, 2001}));
    ASSERT_EQ(menu.popups.size(), 1u);
    EXPECT_EQ(menu.popups[0].first, centre.x);
    EXPECT_EQ(menu.popups[0].second, centre.y);
    EXPECT_TRUE(handler.calls.empty()); // the knob did not move

    // The host closes the editor from its menu, inside the click.
    handler.onMenu = [&] { view->removed(); };
    SendMessageW(child, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(centre.x, centre.y));
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(GetCapture(), nullptr);
    view = nullptr;
}

TEST_F(EditorWindowTest, ClosingDestroysTheWindowAndReopeningMakesAFreshOne) {
    ASSERT_EQ(controller->connect(&peer), kResultOk);
    HWND first = open();
    ASSERT_NE(first, nullptr);
    // The editor's timer runs in the host's message loop: a message per 50 ms tick.
    pump(400);
    EXPECT_GE(peer.messages.size(), 3u);

    ASSERT_EQ(view->removed(), kResultOk);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(GetWindow(host, GW_CHILD), nullptr);
    const size_t ticks = peer.messages.size();
    pump(200);
    EXPECT_EQ(peer.messages.size(), ticks); // the timer stopped with the window

    ASSERT_EQ(view->attached(host, Steinberg::kPlatformTypeHWND), kResultOk);
    HWND second = GetWindow(host, GW_CHILD);
    ASSERT_NE(second, nullptr);
    UpdateWindow(second);
    EXPECT_GT(distinctColours(capture(second)), 100u);

    // A second editor of the same controller beside it; closing one leaves the other working.
    IPtr<Steinberg::IPlugView> other = owned(controller->createView("editor"));
    ASSERT_EQ(other->attached(host, Steinberg::kPlatformTypeHWND), kResultOk);
    ASSERT_EQ(other->removed(), kResultOk);
    InvalidateRect(second, nullptr, FALSE);
    UpdateWindow(second);
    EXPECT_GT(distinctColours(capture(second)), 100u);
    controller->disconnect(&peer);

    // A host that destroys its window before it removes the view: the child went with it.
    DestroyWindow(host);
    host = nullptr;
    EXPECT_FALSE(IsWindow(second));
    EXPECT_EQ(view->removed(), kResultOk);
    view = nullptr;
}

TEST_F(EditorWindowTest, TheVst2EffectOpensItsEditorInTheHostWindow) {
    vst2host::RecordingFactory factory;
    vst2host::Effect effect(&factory);
    ASSERT_TRUE(effect);
    EXPECT_TRUE(effect->flags & effFlagsHasEditor);
    ASSERT_EQ(effect.dispatch(effEditOpen, 0, 0, host), 1);
    HWND child = GetWindow(host, GW_CHILD);
    ASSERT_NE(child, nullptr);
    RECT client{};
    GetClientRect(child, &client);
    EXPECT_EQ(client.right, editorWidth);
    EXPECT_EQ(client.bottom, editorHeight);
    effect.dispatch(effEditIdle);
    pump(100);
    EXPECT_GT(distinctColours(capture(child)), 100u);
    effect.dispatch(effEditClose);
    EXPECT_FALSE(IsWindow(child));

    // Left open when the host closes the effect: the window goes with it.
    ASSERT_EQ(effect.dispatch(effEditOpen, 0, 0, host), 1);
    child = GetWindow(host, GW_CHILD);
    ASSERT_NE(child, nullptr);
    effect.close();
    EXPECT_FALSE(IsWindow(child));
}

// A parent that cannot take the window is refused, and nothing starts: no frame, no window and
// no timer ticks reaching the processor.
TEST_F(EditorWindowTest, AParentThatIsNoWindowIsRefusedAndStartsNothing) {
    ASSERT_EQ(controller->connect(&peer), kResultOk);
    view = owned(controller->createView("editor"));
    auto* editor = dynamic_cast<Steinberg::Vst::VSTGUIEditor*>(view.get());
    ASSERT_NE(editor, nullptr);
    int notAWindow = 0;
    HWND gone = CreateWindowExW(0, L"TivrandelTestHost", L"gone", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(gone, nullptr);
    DestroyWindow(gone);
    for (void* parent :
         {static_cast<void*>(nullptr), static_cast<void*>(&notAWindow), static_cast<void*>(gone)}) {
        EXPECT_EQ(view->attached(parent, Steinberg::kPlatformTypeHWND), Steinberg::kResultFalse);
        EXPECT_EQ(editor->getFrame(), nullptr);
    }
    pump(200);
    EXPECT_TRUE(peer.messages.empty());
    EXPECT_EQ(GetWindow(host, GW_CHILD), nullptr);

    // Attached for real, a second attach without removed is refused and changes nothing.
    ASSERT_EQ(view->attached(host, Steinberg::kPlatformTypeHWND), kResultOk);
    HWND child = GetWindow(host, GW_CHILD);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(view->attached(host, Steinberg::kPlatformTypeHWND), Steinberg::kResultFalse);
    EXPECT_EQ(GetWindow(host, GW_CHILD), child);
    EXPECT_EQ(GetWindow(child, GW_HWNDNEXT), nullptr);
    EXPECT_TRUE(IsWindow(child));
    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_FALSE(IsWindow(child));
    controller->disconnect(&peer);

    // The VST2 entry answers 0 for a window that is gone.
    vst2host::RecordingFactory factory;
    vst2host::Effect effect(&factory);
    ASSERT_TRUE(effect);
    EXPECT_EQ(effect.dispatch(effEditOpen, 0, 0, gone), 0);
    EXPECT_EQ(effect.dispatch(effEditOpen, 0, 0, host), 1);
    EXPECT_NE(GetWindow(host, GW_CHILD), nullptr);
    effect.dispatch(effEditClose);
}

} // namespace
