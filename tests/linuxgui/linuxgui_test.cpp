// The editor in real X windows under a display (Xvfb in the test script): opened by the
// controller's view in a host window, painted as the offscreen frame paints it, driven by mouse
// input sent through XTest, with its events and timer on the host's run loop.

#include "runloopframe.h"
#include "xsession.h"

#include "controller/controller.h"
#include "host/connectionpeer.h"
#include "host/contextmenuhost.h"
#include "vst2/vst2host.h"

#include "public.sdk/source/vst/hosting/hostclasses.h"
#include "public.sdk/source/vst/vstguieditor.h"
#include "vstgui/gdiplusglobals.h"
#include "vstgui/lib/cframe.h"
#include "vstgui/lib/controls/ccontrol.h"
#include "vstgui/lib/offscreenframe.h"
#include "vstgui/lib/vstguieditorinterface.h"

#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "pluginterfaces/vst/ivstplugview.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <cstdint>
#include <cstdlib>
#include <set>
#include <vector>

namespace linuxgui {
namespace {

using namespace std::chrono_literals;
using Steinberg::IPlugView;
using Steinberg::IPtr;
using Steinberg::kResultOk;
using testhost::ComponentHandler;
using Image = std::vector<std::uint32_t>;

constexpr std::uint16_t width = 346;
constexpr std::uint16_t height = 160;

void* windowId(xcb_window_t window) {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window));
}

VSTGUI::CFrame* frameOf(IPlugView* view) {
    auto* editor = dynamic_cast<VSTGUI::VSTGUIEditorInterface*>(view);
    return editor != nullptr ? editor->getFrame() : nullptr;
}

// The view attached to an offscreen bitmap instead of a window.
VSTGUI::OffscreenFrame* attachOffscreen(IPlugView* view) {
    auto* editor = dynamic_cast<Steinberg::Vst::VSTGUIEditor*>(view);
    VSTGUI::OffscreenFrame* offscreen = editor != nullptr ? editor->attachOffscreen() : nullptr;
    EXPECT_NE(offscreen, nullptr);
    return offscreen;
}

// The process's open file descriptors: each X connection holds one.
std::size_t openDescriptors() {
    std::size_t count = 0;
    if (DIR* directory = opendir("/proc/self/fd")) {
        while (readdir(directory) != nullptr)
            ++count;
        closedir(directory);
    }
    return count;
}

VSTGUI::CControl* control(VSTGUI::CFrame* frame, std::int32_t tag) {
    for (std::uint32_t i = 0; frame != nullptr && i < frame->getNbViews(); ++i) {
        auto* found = dynamic_cast<VSTGUI::CControl*>(frame->getView(i));
        if (found != nullptr && found->getTag() == tag)
            return found;
    }
    return nullptr;
}

// How many pixels differ by more than a little in some channel.
std::size_t differences(const Image& a, const Image& b) {
    if (a.size() != b.size())
        return std::max(a.size(), b.size());
    std::size_t count = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        for (int shift = 0; shift < 24; shift += 8) {
            const int delta = int(a[i] >> shift & 0xff) - int(b[i] >> shift & 0xff);
            if (delta > 8 || delta < -8) {
                ++count;
                break;
            }
        }
    }
    return count;
}

class LinuxGuiTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr)
            GTEST_SKIP() << "no X display (run under xvfb-run)";
        ASSERT_TRUE(x.connected());
        VSTGUI::GDIPlusGlobals::enter();
        ASSERT_EQ(controller->initialize(&host), kResultOk);
        controller->setComponentHandler(&handler);
        controller->connect(&peer);
    }

    void TearDown() override {
        if (std::getenv("DISPLAY") == nullptr)
            return;
        controller->terminate();
        VSTGUI::GDIPlusGlobals::exit();
    }

    IPtr<IPlugView> attach(RunLoopFrame& frame, xcb_window_t parent) {
        auto view = Steinberg::owned(controller->createView("editor"));
        EXPECT_TRUE(view);
        if (!view)
            return view;
        view->setFrame(&frame);
        EXPECT_EQ(view->attached(windowId(parent), Steinberg::kPlatformTypeX11EmbedWindowID),
                  kResultOk);
        return view;
    }

    // The editor's window in parent, once it is there.
    xcb_window_t child(xcb_window_t parent) {
        const auto windows = x.children(parent);
        EXPECT_EQ(windows.size(), 1u);
        return windows.empty() ? 0 : windows.front();
    }

    // The same editor with the controller's current values, drawn offscreen; with the mouse
    // resting at hover when given.
    Image offscreenImage(const VSTGUI::CPoint* hover = nullptr) {
        auto view = Steinberg::owned(controller->createView("editor"));
        VSTGUI::OffscreenFrame* offscreen = attachOffscreen(view);
        Image image;
        if (offscreen != nullptr) {
            if (hover != nullptr)
                offscreen->mouseMoved(*hover, 0);
            offscreen->drawAll();
            for (std::int32_t py = 0; py < height; ++py)
                for (std::int32_t px = 0; px < width; ++px)
                    image.push_back(offscreen->getPixel(px, py) & 0xffffff);
        }
        view->removed();
        return image;
    }

    // Waits, running loop, until window shows expected (fewer than tolerance pixels differ, by
    // default one in 200); the last capture.
    Image awaitImage(RunLoopFrame& loop, xcb_window_t window, const Image& expected,
                     std::size_t tolerance = 0) {
        const std::size_t within = tolerance != 0 ? tolerance : expected.size() / 200;
        Image shown;
        loop.runUntil(
            [&] {
                shown = x.capture(window, width, height);
                return differences(shown, expected) < within;
            },
            3s);
        return shown;
    }

    // A drag with the left button from (x, y) of window, by dy pixels in steps of 10.
    void drag(RunLoopFrame* loop, xcb_window_t window, std::int16_t px, std::int16_t py,
              std::int16_t dy, const std::function<void()>& idle = {}) {
        x.toScreen(window, px, py);
        auto settle = [&] {
            if (loop != nullptr)
                loop->run(30ms);
            if (idle)
                idle();
        };
        x.movePointer(px, py);
        settle();
        x.press(1);
        settle();
        for (std::int16_t step = 10; step <= std::abs(dy); step += 10) {
            x.movePointer(px, static_cast<std::int16_t>(py + (dy < 0 ? -step : step)));
            settle();
        }
        x.release(1);
        settle();
    }

    XSession x;
    Steinberg::Vst::HostApplication host;
    testhost::ContextMenuHandler handler;
    testhost::ConnectionPeer peer;
    IPtr<tivrandel::Controller> controller = Steinberg::owned(new tivrandel::Controller);
};

TEST_F(LinuxGuiTest, ShowsWhatTheOffscreenFrameDrawsAndRunsOnTheHostLoop) {
    controller->setParamNormalized(1, 0.25);
    controller->setParamNormalized(3, 1.0);
    const Image expected = offscreenImage();
    ASSERT_EQ(expected.size(), std::size_t(width) * height);

    RunLoopFrame loop;
    const xcb_window_t parent = x.createWindow(20, 30, 400, 200);
    auto view = attach(loop, parent);
    ASSERT_EQ(loop.resizes.size(), 1u);
    EXPECT_EQ(loop.resizes[0].getWidth(), width);
    EXPECT_EQ(loop.resizes[0].getHeight(), height);
    const xcb_window_t window = child(parent);
    ASSERT_NE(window, 0u);
    EXPECT_TRUE(x.viewable(window));
    EXPECT_EQ(loop.eventHandlerCount(), 1u);
    EXPECT_EQ(loop.intervals(), std::vector<Steinberg::Linux::TimerInterval>{50});

    const Image shown = awaitImage(loop, window, expected);
    EXPECT_LT(differences(shown, expected), expected.size() / 200);
    // The timer ticks on the loop: the processor hears of each tick. Waited for rather than
    // timed, so that a loaded machine only makes it slower.
    EXPECT_TRUE(
        loop.runUntil([&] { return loop.timerTicks >= 3 && peer.messages.size() >= 3u; }, 5s));

    // Covered and uncovered by another window: the server repaints it, nothing is lost.
    const xcb_window_t cover = x.createWindow(0, 0, 300, 150);
    x.destroyWindow(cover);
    EXPECT_LT(differences(awaitImage(loop, window, expected), expected), expected.size() / 200);

    // The view cannot be resized: a host that tries anyway is refused, and nothing is made for
    // the size it asked (a window of 100000 pixels would need a buffer of gigabytes).
    for (const Steinberg::ViewRect& other :
         {Steinberg::ViewRect(0, 0, 380, 190), Steinberg::ViewRect(0, 0, 100000, 100000)}) {
        Steinberg::ViewRect proposed = other;
        EXPECT_EQ(view->onSize(&proposed), Steinberg::kResultFalse);
        EXPECT_EQ(frameOf(view)->getViewSize(), VSTGUI::CRect(0, 0, width, height));
        Steinberg::ViewRect size;
        view->getSize(&size);
        EXPECT_EQ(size.getWidth(), width);
        EXPECT_EQ(size.getHeight(), height);
    }
    Steinberg::ViewRect own(0, 0, width, height);
    EXPECT_EQ(view->onSize(&own), kResultOk);
    loop.run(100ms);
    EXPECT_TRUE(x.capture(window, 380, 190).empty()); // no larger than it was
    EXPECT_LT(differences(x.capture(window, width, height), expected), expected.size() / 200);

    view->removed();
    EXPECT_TRUE(x.children(parent).empty());
    EXPECT_EQ(loop.eventHandlerCount(), 0u);
    EXPECT_EQ(loop.timerCount(), 0u);
    EXPECT_EQ(loop.registrations, loop.unregistrations);
    view->setFrame(nullptr);
    view = nullptr;
    EXPECT_EQ(loop.references, 0u);
    x.destroyWindow(parent);
}

TEST_F(LinuxGuiTest, AMouseDragOnTheTimeKnobIsOneGestureAndIsRepainted) {
    RunLoopFrame loop;
    const xcb_window_t parent = x.createWindow(0, 0, width, height);
    auto view = attach(loop, parent);
    const xcb_window_t window = child(parent);
    VSTGUI::CControl* knob = control(frameOf(view), 1);
    ASSERT_NE(knob, nullptr);
    const Image before = awaitImage(loop, window, offscreenImage());

    const VSTGUI::CPoint centre = knob->getViewSize().getCenter();
    drag(&loop, window, static_cast<std::int16_t>(centre.x), static_cast<std::int16_t>(centre.y),
         -40);
    double last = 0;
    EXPECT_TRUE(testhost::isRisingGesture(handler.calls, 1, 0.5, last));
    EXPECT_EQ(controller->getParamNormalized(1), last);

    // The idle timer repainted the knob where it now stands, as offscreen drawing shows it.
    const Image after = awaitImage(loop, window, offscreenImage());
    EXPECT_LT(differences(after, offscreenImage()), after.size() / 200);
    EXPECT_GT(differences(after, before), 0u);
    view->removed();
    x.destroyWindow(parent);
}

TEST_F(LinuxGuiTest, HoveringShowsTheValueAndADoubleClickResetsAsOneEdit) {
    controller->setParamNormalized(2, 0.875);
    RunLoopFrame loop;
    const xcb_window_t parent = x.createWindow(0, 0, width, height);
    auto view = attach(loop, parent);
    const xcb_window_t window = child(parent);
    VSTGUI::CControl* level = control(frameOf(view), 2);
    ASSERT_NE(level, nullptr);
    const Image rest = offscreenImage();
    awaitImage(loop, window, rest);

    // Over the level knob: its label shows "+75.0 R" as the offscreen editor does.
    const VSTGUI::CPoint centre = level->getViewSize().getCenter();
    const Image hovered = offscreenImage(&centre);
    ASSERT_GT(differences(hovered, rest), 20u);
    std::int16_t px = static_cast<std::int16_t>(centre.x);
    std::int16_t py = static_cast<std::int16_t>(centre.y);
    x.toScreen(window, px, py);
    x.movePointer(px, py);
    EXPECT_LT(differences(awaitImage(loop, window, hovered), hovered), 10u);

    // Two clicks in quick succession: the second resets the knob in one gesture.
    x.press(1);
    x.release(1);
    x.press(1);
    x.release(1);
    ASSERT_TRUE(loop.runUntil([&] { return handler.calls.size() >= 9u; }, 2s));
    loop.run(30ms);
    using Calls = std::vector<ComponentHandler::Call>;
    EXPECT_EQ(handler.calls,
              (Calls{ComponentHandler::begin(2), ComponentHandler::begin(2),
                     ComponentHandler::end(2), ComponentHandler::end(2), ComponentHandler::begin(2),
                     ComponentHandler::begin(2), ComponentHandler::perform(2, 0.5),
                     ComponentHandler::end(2), ComponentHandler::end(2)}));
    EXPECT_EQ(controller->getParamNormalized(2), 0.5);
    const Image reset = offscreenImage(&centre);
    EXPECT_LT(differences(awaitImage(loop, window, reset), reset), 10u);

    // A wheel notch keeps its step; the swap switch flips on a click (after the double click's
    // interval, so that it is no double click).
    handler.calls.clear();
    x.press(4);
    x.release(4);
    ASSERT_TRUE(loop.runUntil([&] { return handler.calls.size() >= 5u; }, 2s));
    EXPECT_NEAR(controller->getParamNormalized(2), 0.6, 1e-6);
    // Shift-drag: the zoom factor of 10 makes 40 pixels up a fiftieth of the range.
    const VSTGUI::CPoint time = control(frameOf(view), 1)->getViewSize().getCenter();
    const std::uint32_t shiftKey = 0xffe1; // Shift_L
    x.key(shiftKey, true);
    drag(&loop, window, static_cast<std::int16_t>(time.x), static_cast<std::int16_t>(time.y), -40);
    x.key(shiftKey, false);
    EXPECT_NEAR(controller->getParamNormalized(1), 0.5 + 40.0 / 2000, 1e-6);
    const VSTGUI::CPoint swap = control(frameOf(view), 3)->getViewSize().getCenter();
    px = static_cast<std::int16_t>(swap.x);
    py = static_cast<std::int16_t>(swap.y);
    x.toScreen(window, px, py);
    x.movePointer(px, py);
    loop.run(450ms);
    x.press(1);
    x.release(1);
    ASSERT_TRUE(loop.runUntil([&] { return controller->getParamNormalized(3) == 1.0; }, 2s));

    // Out of the window: the editor is at rest again, pixel for pixel the offscreen one.
    x.movePointer(static_cast<std::int16_t>(width + 100), static_cast<std::int16_t>(height + 100));
    const Image after = offscreenImage();
    EXPECT_EQ(differences(awaitImage(loop, window, after), after), 0u);
    view->removed();
    x.destroyWindow(parent);
}

TEST_F(LinuxGuiTest, TheFineSwitchShowsItsValueFlipsOnAClickAndOffersItsMenu) {
    RunLoopFrame loop;
    const xcb_window_t parent = x.createWindow(0, 0, width, height);
    auto view = attach(loop, parent);
    const xcb_window_t window = child(parent);
    VSTGUI::CControl* fine = control(frameOf(view), 4);
    ASSERT_NE(fine, nullptr);
    const Image rest = offscreenImage();
    awaitImage(loop, window, rest, 1);

    // Over the switch: its label shows "Off" as the offscreen editor does.
    const VSTGUI::CPoint centre = fine->getMouseableArea().getCenter();
    const Image hovered = offscreenImage(&centre);
    ASSERT_GT(differences(hovered, rest), 10u);
    std::int16_t px = static_cast<std::int16_t>(centre.x);
    std::int16_t py = static_cast<std::int16_t>(centre.y);
    x.toScreen(window, px, py);
    x.movePointer(px, py);
    EXPECT_LT(differences(awaitImage(loop, window, hovered, 10), hovered), 10u);

    // Two clicks in quick succession: the first turns it on, the second returns it to its
    // default, each in one gesture.
    x.press(1);
    x.release(1);
    x.press(1);
    x.release(1);
    ASSERT_TRUE(loop.runUntil([&] { return handler.calls.size() >= 10u; }, 2s));
    loop.run(30ms);
    using Calls = std::vector<ComponentHandler::Call>;
    EXPECT_EQ(handler.calls, (Calls{ComponentHandler::begin(4), ComponentHandler::begin(4),
                                    ComponentHandler::perform(4, 1.0), ComponentHandler::end(4),
                                    ComponentHandler::end(4), ComponentHandler::begin(4),
                                    ComponentHandler::begin(4), ComponentHandler::perform(4, 0.0),
                                    ComponentHandler::end(4), ComponentHandler::end(4)}));
    EXPECT_EQ(controller->getParamNormalized(4), 0.0);

    // One click, after the double click's interval: on, lit, and its label says so.
    loop.run(450ms);
    handler.calls.clear();
    x.press(1);
    x.release(1);
    ASSERT_TRUE(loop.runUntil([&] { return controller->getParamNormalized(4) == 1.0; }, 2s));
    const Image lit = offscreenImage(&centre);
    EXPECT_GT(differences(lit, hovered), 10u);
    EXPECT_LT(differences(awaitImage(loop, window, lit, 10), lit), 10u);

    // A right click asks the host for the switch's menu, where the mouse is.
    handler.calls.clear();
    x.press(3);
    x.release(3);
    ASSERT_TRUE(loop.runUntil([&] { return !handler.menus.empty(); }, 2s));
    ASSERT_EQ(handler.requests.size(), 1u);
    EXPECT_EQ(handler.requests[0].id, 4u);
    std::vector<Steinberg::int32> tags;
    for (const auto& entry : handler.menus[0]->entries)
        tags.push_back(entry.tag);
    EXPECT_EQ(tags, (std::vector<Steinberg::int32>{-1, 1004, 2004}));
    ASSERT_EQ(handler.menus[0]->popups.size(), 1u);
    EXPECT_EQ(handler.menus[0]->popups[0].first, static_cast<Steinberg::UCoord>(centre.x));
    EXPECT_EQ(handler.menus[0]->popups[0].second, static_cast<Steinberg::UCoord>(centre.y));
    EXPECT_TRUE(handler.calls.empty());

    // Out of the window: at rest and on, pixel for pixel the offscreen editor.
    x.movePointer(static_cast<std::int16_t>(width + 100), static_cast<std::int16_t>(height + 100));
    const Image after = offscreenImage();
    EXPECT_EQ(differences(awaitImage(loop, window, after, 1), after), 0u);
    view->removed();
    x.destroyWindow(parent);
}

TEST_F(LinuxGuiTest, ARightClickOnAKnobOpensTheHostMenuWhereTheMouseIs) {
    RunLoopFrame loop;
    const xcb_window_t parent = x.createWindow(0, 0, width, height);
    auto view = attach(loop, parent);
    const xcb_window_t window = child(parent);
    VSTGUI::CControl* knob = control(frameOf(view), 2);
    ASSERT_NE(knob, nullptr);
    const VSTGUI::CPoint centre = knob->getViewSize().getCenter();
    std::int16_t px = static_cast<std::int16_t>(centre.x);
    std::int16_t py = static_cast<std::int16_t>(centre.y);
    x.toScreen(window, px, py);
    x.movePointer(px, py);
    loop.run(30ms);
    x.press(3);
    x.release(3);
    ASSERT_TRUE(loop.runUntil([&] { return !handler.menus.empty(); }, 2s));
    loop.run(30ms);

    ASSERT_EQ(handler.requests.size(), 1u);
    EXPECT_EQ(handler.requests[0].id, 2u);
    std::vector<Steinberg::int32> tags;
    for (const auto& entry : handler.menus[0]->entries)
        tags.push_back(entry.tag);
    EXPECT_EQ(tags, (std::vector<Steinberg::int32>{-1, 1002, 2002}));
    ASSERT_EQ(handler.menus[0]->popups.size(), 1u);
    EXPECT_EQ(handler.menus[0]->popups[0].first, static_cast<Steinberg::UCoord>(centre.x));
    EXPECT_EQ(handler.menus[0]->popups[0].second, static_cast<Steinberg::UCoord>(centre.y));
    EXPECT_TRUE(handler.calls.empty()); // the knob left the click alone
    view->removed();
    x.destroyWindow(parent);
}

TEST_F(LinuxGuiTest, AtScaleTwoTheWindowIsTwiceAsLargeAndTheMouseLandsOnTheRightKnob) {
    constexpr std::uint16_t w = 2 * width;
    constexpr std::uint16_t h = 2 * height;
    controller->setParamNormalized(1, 0.25);
    const auto scaledView = [&] {
        auto view = Steinberg::owned(controller->createView("editor"));
        Steinberg::FUnknownPtr<Steinberg::IPlugViewContentScaleSupport> scaling(view);
        EXPECT_TRUE(scaling);
        if (scaling) {
            EXPECT_EQ(scaling->setContentScaleFactor(2), kResultOk);
        }
        return view;
    };
    const auto offscreenAtTwo = [&] {
        auto view = scaledView();
        VSTGUI::OffscreenFrame* offscreen = attachOffscreen(view);
        Image image;
        if (offscreen != nullptr && offscreen->getWidth() == w && offscreen->getHeight() == h) {
            offscreen->drawAll();
            for (std::int32_t py = 0; py < h; ++py)
                for (std::int32_t px = 0; px < w; ++px)
                    image.push_back(offscreen->getPixel(px, py) & 0xffffff);
        }
        view->removed();
        return image;
    };
    const Image expected = offscreenAtTwo();
    ASSERT_EQ(expected.size(), std::size_t(w) * h);

    RunLoopFrame loop;
    const xcb_window_t parent = x.createWindow(0, 0, w, h);
    auto view = scaledView();
    view->setFrame(&loop);
    ASSERT_EQ(view->attached(windowId(parent), Steinberg::kPlatformTypeX11EmbedWindowID),
              kResultOk);
    ASSERT_EQ(loop.resizes.size(), 1u);
    EXPECT_EQ(loop.resizes[0].getWidth(), w);
    EXPECT_EQ(loop.resizes[0].getHeight(), h);
    const xcb_window_t window = child(parent);
    ASSERT_NE(window, 0u);
    Image shown;
    loop.runUntil(
        [&] {
            shown = x.capture(window, w, h);
            return differences(shown, expected) < expected.size() / 200;
        },
        3s);
    EXPECT_LT(differences(shown, expected), expected.size() / 200);

    // A drag on the time knob, in the window's pixels, turns the time knob.
    const VSTGUI::CPoint time = control(frameOf(view), 1)->getViewSize().getCenter();
    drag(&loop, window, static_cast<std::int16_t>(2 * time.x),
         static_cast<std::int16_t>(2 * time.y), -60);
    double last = 0;
    EXPECT_TRUE(testhost::isRisingGesture(handler.calls, 1, 0.25, last));
    handler.calls.clear();

    // A right click on the level knob asks for its menu, placed in the window's pixels.
    const VSTGUI::CPoint level = control(frameOf(view), 2)->getViewSize().getCenter();
    std::int16_t px = static_cast<std::int16_t>(2 * level.x);
    std::int16_t py = static_cast<std::int16_t>(2 * level.y);
    Steinberg::Vst::ParamID found = 99;
    Steinberg::FUnknownPtr<Steinberg::Vst::IParameterFinder> finder(view);
    ASSERT_TRUE(finder);
    EXPECT_EQ(finder->findParameter(px, py, found), kResultOk);
    EXPECT_EQ(found, 2u);
    x.toScreen(window, px, py);
    x.movePointer(px, py);
    loop.run(30ms);
    x.press(3);
    x.release(3);
    ASSERT_TRUE(loop.runUntil([&] { return !handler.menus.empty(); }, 2s));
    ASSERT_EQ(handler.requests.size(), 1u);
    EXPECT_EQ(handler.requests[0].id, 2u);
    ASSERT_EQ(handler.menus[0]->popups.size(), 1u);
    EXPECT_EQ(handler.menus[0]->popups[0].first, static_cast<Steinberg::UCoord>(2 * level.x));
    EXPECT_EQ(handler.menus[0]->popups[0].second, static_cast<Steinberg::UCoord>(2 * level.y));
    EXPECT_TRUE(handler.calls.empty());
    view->removed();
    view->setFrame(nullptr);
    x.destroyWindow(parent);
}

TEST_F(LinuxGuiTest, TwoEditorsAtOnceFollowTheValuesAndReopen) {
    RunLoopFrame loop;
    const xcb_window_t first = x.createWindow(0, 0, width, height);
    const xcb_window_t second = x.createWindow(0, 200, width, height);
    auto one = attach(loop, first);
    auto two = attach(loop, second);
    // One connection for both windows, read through the loop once.
    EXPECT_EQ(loop.eventHandlerCount(), 1u);
    EXPECT_EQ(loop.timerCount(), 2u);

    controller->setParamNormalized(2, 0.9);
    const Image expected = offscreenImage();
    EXPECT_LT(differences(awaitImage(loop, child(first), expected), expected),
              expected.size() / 200);
    EXPECT_LT(differences(awaitImage(loop, child(second), expected), expected),
              expected.size() / 200);

    // Closed and opened again in another window; the other editor goes on.
    one->removed();
    EXPECT_EQ(loop.eventHandlerCount(), 1u);
    EXPECT_EQ(loop.timerCount(), 1u);
    const xcb_window_t third = x.createWindow(400, 0, width, height);
    ASSERT_EQ(one->attached(windowId(third), Steinberg::kPlatformTypeX11EmbedWindowID), kResultOk);
    EXPECT_EQ(loop.eventHandlerCount(), 1u);
    controller->setParamNormalized(2, 0.1);
    const Image moved = offscreenImage();
    EXPECT_LT(differences(awaitImage(loop, child(third), moved), moved), moved.size() / 200);
    EXPECT_LT(differences(awaitImage(loop, child(second), moved), moved), moved.size() / 200);

    one->removed();
    two->removed();
    EXPECT_EQ(loop.eventHandlerCount(), 0u);
    EXPECT_EQ(loop.timerCount(), 0u);
    EXPECT_EQ(loop.registrations, loop.unregistrations);
    for (xcb_window_t window : {first, second, third})
        x.destroyWindow(window);
}

TEST_F(LinuxGuiTest, WithoutARunLoopTheEditorStillOpensAndPaints) {
    const Image expected = offscreenImage();
    RunLoopFrame frame(false);
    const xcb_window_t parent = x.createWindow(0, 0, width, height);
    auto view = attach(frame, parent);
    const xcb_window_t window = child(parent);
    ASSERT_NE(window, 0u);
    // Nothing reads the editor's events: the server shows what it painted when it opened.
    EXPECT_LT(differences(awaitImage(frame, window, expected), expected), expected.size() / 200);
    EXPECT_EQ(frame.registrations, 0);
    view->removed();
    EXPECT_TRUE(x.children(parent).empty());
    x.destroyWindow(parent);
}

TEST_F(LinuxGuiTest, AVst2HostDrivesTheEditorThroughEditIdle) {
    vst2host::RecordingFactory factory;
    vst2host::hostCalls().clear();
    vst2host::Effect effect(&factory);
    ASSERT_TRUE(effect);
    const xcb_window_t parent = x.createWindow(0, 0, width, height);
    ASSERT_EQ(effect.dispatch(effEditOpen, 0, 0, windowId(parent)), 1);
    const xcb_window_t window = child(parent);
    ASSERT_NE(window, 0u);
    EXPECT_FALSE(x.capture(window, width, height).empty());

    // Over the time knob of the effect's own editor, found through a view of the same layout.
    auto view = Steinberg::owned(controller->createView("editor"));
    attachOffscreen(view);
    const VSTGUI::CPoint centre = control(frameOf(view), 1)->getViewSize().getCenter();
    view->removed();
    drag(nullptr, window, static_cast<std::int16_t>(centre.x), static_cast<std::int16_t>(centre.y),
         -30, [&] { effect.dispatch(effEditIdle); });
    // The gesture's nested begin and end, as the VST 3 host sees them.
    EXPECT_EQ(vst2host::hostCallsOf(audioMasterBeginEdit).size(), 2u);
    EXPECT_FALSE(vst2host::hostCallsOf(audioMasterAutomate).empty());
    EXPECT_EQ(vst2host::hostCallsOf(audioMasterEndEdit).size(), 2u);
    for (const auto& call : vst2host::hostCallsOf(audioMasterAutomate))
        EXPECT_EQ(call.index, 1);

    EXPECT_EQ(effect.dispatch(effEditClose), 0);
    EXPECT_TRUE(x.children(parent).empty());
    x.destroyWindow(parent);
}

// A parent that cannot take the editor's window is refused, and nothing starts: no window, no
// timer, nothing on the host's run loop. The same for a second attach of an attached view, and
// for the VST2 entry.
TEST_F(LinuxGuiTest, AParentThatCannotTakeTheWindowIsRefusedAndStartsNothing) {
    RunLoopFrame loop;
    const xcb_window_t gone = x.createWindow(0, 0, width, height);
    x.destroyWindow(gone);
    int notAWindow = 0;
    auto view = Steinberg::owned(controller->createView("editor"));
    view->setFrame(&loop);
    for (void* parent :
         {static_cast<void*>(nullptr), windowId(gone), static_cast<void*>(&notAWindow)}) {
        EXPECT_EQ(view->attached(parent, Steinberg::kPlatformTypeX11EmbedWindowID),
                  Steinberg::kResultFalse);
        EXPECT_EQ(frameOf(view), nullptr);
    }
    EXPECT_EQ(loop.registrations, 0);
    EXPECT_EQ(loop.timerCount(), 0u);
    EXPECT_TRUE(loop.resizes.empty());
    loop.run(120ms);
    EXPECT_TRUE(peer.messages.empty());

    const xcb_window_t first = x.createWindow(0, 0, width, height);
    const xcb_window_t second = x.createWindow(0, 200, width, height);
    ASSERT_EQ(view->attached(windowId(first), Steinberg::kPlatformTypeX11EmbedWindowID), kResultOk);
    const xcb_window_t window = child(first);
    EXPECT_EQ(view->attached(windowId(second), Steinberg::kPlatformTypeX11EmbedWindowID),
              Steinberg::kResultFalse);
    EXPECT_TRUE(x.children(second).empty());
    EXPECT_EQ(x.children(first), std::vector<xcb_window_t>{window});
    EXPECT_EQ(loop.timerCount(), 1u);
    EXPECT_EQ(loop.resizes.size(), 1u);
    view->removed();
    EXPECT_TRUE(x.children(first).empty());
    EXPECT_EQ(loop.registrations, loop.unregistrations);
    view->setFrame(nullptr);

    vst2host::RecordingFactory factory;
    vst2host::Effect effect(&factory);
    ASSERT_TRUE(effect);
    EXPECT_EQ(effect.dispatch(effEditOpen, 0, 0, windowId(gone)), 0);
    EXPECT_EQ(effect.dispatch(effEditOpen, 0, 0, windowId(first)), 1);
    EXPECT_EQ(x.children(first).size(), 1u);
    EXPECT_EQ(effect.dispatch(effEditClose), 0);
    for (xcb_window_t parent : {first, second})
        x.destroyWindow(parent);
}

// The server takes only so many clients: 300 editors open at once share one connection, which
// closes with the last of them.
TEST_F(LinuxGuiTest, ThreeHundredEditorsShareOneConnection) {
    constexpr int count = 300;
    const std::size_t descriptors = openDescriptors();
    RunLoopFrame loop;
    std::vector<xcb_window_t> parents;
    std::vector<IPtr<IPlugView>> views;
    for (int i = 0; i < count; ++i) {
        parents.push_back(x.createWindow(static_cast<std::int16_t>(i % 10 * 40),
                                         static_cast<std::int16_t>(i / 10 * 20), width, height));
        views.push_back(attach(loop, parents.back()));
    }
    EXPECT_EQ(openDescriptors(), descriptors + 1);
    EXPECT_EQ(loop.eventHandlerCount(), 1u);
    EXPECT_EQ(loop.timerCount(), std::size_t(count));
    std::set<std::uint32_t> clients;
    for (xcb_window_t parent : parents) {
        const auto windows = x.children(parent);
        ASSERT_EQ(windows.size(), 1u);
        EXPECT_TRUE(x.viewable(windows.front()));
        clients.insert(windows.front() & ~x.resourceIdMask());
    }
    EXPECT_EQ(clients.size(), 1u);

    // The last window is shown and follows the values; closing all but it keeps it going.
    controller->setParamNormalized(2, 0.9);
    const Image expected = offscreenImage();
    const xcb_window_t last = child(parents.back());
    EXPECT_LT(differences(awaitImage(loop, last, expected), expected), expected.size() / 200);
    for (int i = 0; i + 1 < count; ++i)
        views[static_cast<std::size_t>(i)]->removed();
    EXPECT_EQ(loop.eventHandlerCount(), 1u);
    controller->setParamNormalized(2, 0.2);
    const Image later = offscreenImage();
    EXPECT_LT(differences(awaitImage(loop, last, later), later), later.size() / 200);

    views.back()->removed();
    EXPECT_EQ(openDescriptors(), descriptors);
    EXPECT_EQ(loop.eventHandlerCount(), 0u);
    EXPECT_EQ(loop.timerCount(), 0u);
    EXPECT_EQ(loop.registrations, loop.unregistrations);
    for (xcb_window_t parent : parents)
        x.destroyWindow(parent);
}

} // namespace
} // namespace linuxgui
