#include "controller/controller.h"
#include "editor/editor.h"
#include "editor/editorsupport.h"
#include "editor/resources/decodeimage.h"
#include "editor/views/kvswitch.h"
#include "editor/views/kvtext.h"
#include "editor/views/myknob.h"
#include "host/connectionpeer.h"
#include "host/contextmenuhost.h"
#include "platform/desktop.h"

#include "public.sdk/source/vst/hosting/hostclasses.h"
#include "vstgui/gdiplusglobals.h"
#include "vstgui/lib/cframe.h"
#include "vstgui/lib/cvstguitimer.h"
#include "vstgui/lib/offscreenframe.h"

#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace editortest {
namespace {

using Steinberg::IPtr;
using Steinberg::kResultFalse;
using Steinberg::kResultOk;
using Steinberg::owned;
using Steinberg::Vst::ParamID;
using testhost::ComponentHandler;
using Calls = std::vector<ComponentHandler::Call>;

#ifdef _WIN32
const Steinberg::FIDString platformType = Steinberg::kPlatformTypeHWND;
#else
const Steinberg::FIDString platformType = Steinberg::kPlatformTypeX11EmbedWindowID;
#endif

// The product editor with the framework's state open to the tests.
class InspectableEditor : public tivrandel::Editor {
public:
    using Editor::Editor;
    using EditorBase::clock;
    using EditorBase::lastFullRedraw;
    using EditorBase::manualEnvironment;
    using EditorBase::views;
};

// A host window that takes every size the view asks for, as hosts do: it records the size and
// tells the view its new size.
class ResizingPlugFrame : public Steinberg::IPlugFrame {
public:
    Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view,
                                             Steinberg::ViewRect* newSize) override {
        sizes.push_back(*newSize);
        return view->onSize(newSize);
    }
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID, void** obj) override {
        *obj = nullptr;
        return Steinberg::kNoInterface;
    }
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

    std::vector<Steinberg::ViewRect> sizes;
};

std::string describe(const Steinberg::ViewRect& r) {
    return std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) +
           ", " + std::to_string(r.bottom);
}

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        VSTGUI::GDIPlusGlobals::enter();
        ASSERT_EQ(controller->initialize(&host), kResultOk);
        controller->setComponentHandler(&handler);
        controller->connect(&peer);
    }

    void TearDown() override {
        controller->terminate();
        VSTGUI::GDIPlusGlobals::exit();
    }

    // A new editor, attached without a window and painting offscreen.
    IPtr<InspectableEditor> openEditor() {
        auto editor = owned(new InspectableEditor(controller));
        EXPECT_NE(editor->attachOffscreen(), nullptr);
        return editor;
    }

    static VSTGUI::OffscreenFrame& offscreen(InspectableEditor& editor) {
        return *dynamic_cast<VSTGUI::OffscreenFrame*>(editor.getFrame()->getPlatformFrame());
    }

    static kelvane::vst::MyKnob& knob(InspectableEditor& editor, ParamID id) {
        return *dynamic_cast<kelvane::vst::MyKnob*>(
            editor.views.at(tivrandel::Editor::knobName(id)));
    }

    static kelvane::vst::KVSwitch& fineSwitch(InspectableEditor& editor) {
        return *dynamic_cast<kelvane::vst::KVSwitch*>(
            editor.views.at(tivrandel::Editor::controlName(tivrandel::Parameters::FineDelay)));
    }

    static kelvane::vst::KVText& label(InspectableEditor& editor, const std::string& name) {
        return dynamic_cast<kelvane::vst::KVText&>(*editor.views.at(name));
    }

    static VSTGUI::CPoint centre(VSTGUI::CView& view) {
        return view.getMouseableArea().getCenter();
    }

    static void tick(InspectableEditor& editor) {
        editor.notify(nullptr, VSTGUI::CVSTGUITimer::kMsgTimer);
    }

    Steinberg::Vst::HostApplication host;
    testhost::ContextMenuHandler handler;
    testhost::ConnectionPeer peer;
    IPtr<tivrandel::Controller> controller = owned(new tivrandel::Controller);
};

TEST_F(EditorTest, OpensWithItsViewsInOrderShowingTheCurrentValues) {
    const double values[] = {0.0, 0.25, 0.5, 1.0, 1.0};
    for (ParamID id = 0; id < 5; ++id)
        controller->setParamNormalized(id, values[id]);
    auto editor = owned(new InspectableEditor(controller));
    Steinberg::ViewRect size;
    editor->getSize(&size);
    EXPECT_EQ(size.getWidth(), 346);
    EXPECT_EQ(size.getHeight(), 160);

    ASSERT_NE(editor->attachOffscreen(), nullptr);
    const std::vector<std::string> order = {
        "background", "swapMark0", "swapMark1",   "swapMark2",   "timeMark0",
        "timeMark1",  "timeMark2", "levelMark0",  "levelMark1",  "levelMark2",
        "titleRule",  "title",     "swapCaption", "timeCaption", "levelCaption",
        "swapKnob",   "timeKnob",  "levelKnob",   "fineSwitch",  "fineCaption"};
    VSTGUI::CFrame* frame = editor->getFrame();
    ASSERT_EQ(frame->getNbViews(), order.size());
    ASSERT_EQ(editor->views.size(), order.size());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(frame->getView(i), editor->views.at(order[i])) << order[i];
    EXPECT_EQ(knob(*editor, 3).getTag(), 3);
    EXPECT_EQ(knob(*editor, 1).getTag(), 1);
    EXPECT_EQ(knob(*editor, 2).getTag(), 2);
    EXPECT_FLOAT_EQ(knob(*editor, 1).getValue(), 0.25f);
    EXPECT_FLOAT_EQ(knob(*editor, 2).getValue(), 0.5f);
    EXPECT_FLOAT_EQ(knob(*editor, 3).getValue(), 1.0f);
    EXPECT_EQ(fineSwitch(*editor).getTag(), 4);
    EXPECT_EQ(fineSwitch(*editor).getValue(), 1.0f);
    // The layout placed the knobs apart.
    EXPECT_NE(centre(knob(*editor, 1)).x, centre(knob(*editor, 2)).x);

    // Opening twice changes nothing; closing and opening again builds everything afresh.
    EXPECT_FALSE(editor->open(nullptr, VSTGUI::PlatformType::kDefaultNative));
    editor->removed();
    EXPECT_EQ(editor->getFrame(), nullptr);
    EXPECT_TRUE(editor->views.empty());
    ASSERT_NE(editor->attachOffscreen(), nullptr);
    EXPECT_EQ(editor->getFrame()->getNbViews(), order.size());
    editor->removed();
}

TEST_F(EditorTest, ParameterPushesMoveTheKnobsWithoutReportingBack) {
    auto editor = openEditor();
    editor->onParameterChanged(3, 0.7);
    EXPECT_EQ(knob(*editor, 3).getValue(), 1.0f);
    editor->onParameterChanged(3, 0.4);
    EXPECT_EQ(knob(*editor, 3).getValue(), 0.0f);
    editor->onParameterChanged(4, 0.7);
    EXPECT_EQ(fineSwitch(*editor).getValue(), 1.0f);
    controller->setParamNormalized(4, 0.4);
    EXPECT_EQ(fineSwitch(*editor).getValue(), 0.0f);
    editor->onParameterChanged(0, 1.0);
    editor->onParameterChanged(9, 1.0);
    controller->setParamNormalized(1, 0.125);
    EXPECT_EQ(knob(*editor, 1).getValue(), 0.125f);
    EXPECT_TRUE(handler.calls.empty());
    editor->removed();
}

TEST_F(EditorTest, AKnobDragIsOneGestureAndOtherEditorsFollow) {
    auto editor = openEditor();
    auto other = openEditor();
    const VSTGUI::CPoint where = centre(knob(*editor, 1));
    offscreen(*editor).mouseDown(where, VSTGUI::kLButton);
    offscreen(*editor).mouseMoved(VSTGUI::CPoint(where.x, where.y - 10), VSTGUI::kLButton);
    offscreen(*editor).mouseMoved(VSTGUI::CPoint(where.x, where.y - 20), VSTGUI::kLButton);
    offscreen(*editor).mouseUp(VSTGUI::CPoint(where.x, where.y - 20), VSTGUI::kLButton);

    double last = 0;
    EXPECT_TRUE(testhost::isRisingGesture(handler.calls, 1, 0.5, last));
    EXPECT_EQ(controller->getParamNormalized(1), last);
    EXPECT_EQ(knob(*other, 1).getValue(), static_cast<float>(last));
    other->removed();
    editor->removed();
}

TEST_F(EditorTest, AControlClickResetsAKnobToItsParametersDefault) {
    auto editor = openEditor();
    for (ParamID id : {1u, 3u}) {
        controller->setParamNormalized(id, 0.9);
        const VSTGUI::CPoint where = centre(knob(*editor, id));
        offscreen(*editor).mouseDown(where, VSTGUI::kLButton | VSTGUI::kControl);
        offscreen(*editor).mouseUp(where, VSTGUI::kLButton | VSTGUI::kControl);
        EXPECT_EQ(controller->getParamNormalized(id), tivrandel::Parameters::defaultValue(id));
    }
    editor->removed();
}

TEST_F(EditorTest, ADoubleClickResetsAKnobAsOneEditTheHostCanUndo) {
    auto editor = openEditor();
    controller->setParamNormalized(2, 0.9);
    const VSTGUI::CPoint where = centre(knob(*editor, 2));
    // The first click of the pair changes nothing; the second resets.
    offscreen(*editor).mouseDown(where, VSTGUI::kLButton);
    offscreen(*editor).mouseUp(where, VSTGUI::kLButton);
    handler.calls.clear();
    offscreen(*editor).mouseDown(where, VSTGUI::kLButton | VSTGUI::kDoubleClick);
    offscreen(*editor).mouseUp(where, VSTGUI::kLButton);
    EXPECT_EQ(handler.calls, (Calls{ComponentHandler::begin(2), ComponentHandler::begin(2),
                                    ComponentHandler::perform(2, 0.5), ComponentHandler::end(2),
                                    ComponentHandler::end(2)}));
    EXPECT_EQ(controller->getParamNormalized(2), 0.5);

    // The switch: its first click flips it, the second (the double click) sets the default.
    controller->setParamNormalized(3, 0.0);
    handler.calls.clear();
    const VSTGUI::CPoint swap = centre(knob(*editor, 3));
    offscreen(*editor).mouseDown(swap, VSTGUI::kLButton);
    offscreen(*editor).mouseUp(swap, VSTGUI::kLButton);
    EXPECT_EQ(handler.calls, (Calls{ComponentHandler::begin(3), ComponentHandler::begin(3),
                                    ComponentHandler::perform(3, 1.0), ComponentHandler::end(3),
                                    ComponentHandler::end(3)}));
    offscreen(*editor).mouseDown(swap, VSTGUI::kLButton | VSTGUI::kDoubleClick);
    offscreen(*editor).mouseUp(swap, VSTGUI::kLButton);
    EXPECT_EQ(controller->getParamNormalized(3), 0.0);
    editor->removed();
}

TEST_F(EditorTest, AHoveredOrTurnedKnobShowsTheHostsTextInItsLabel) {
    controller->setParamNormalized(1, 0.25);
    auto editor = openEditor();
    VSTGUI::OffscreenFrame& frame = offscreen(*editor);
    frame.drawAll();
    std::vector<std::uint32_t> rest;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 346; ++x)
            rest.push_back(frame.getPixel(x, y));
    auto& caption = dynamic_cast<kelvane::vst::KVText&>(*editor->views.at("timeCaption"));
    const VSTGUI::CRect captionArea = caption.getViewSize();
    const VSTGUI::CPoint where = centre(knob(*editor, 1));

    frame.mouseMoved(where, 0);
    EXPECT_FALSE(caption.showsOwnText());
    EXPECT_EQ(caption.text.get(), "TIME PAN");
    EXPECT_EQ(caption.getViewSize().getCenter().x, captionArea.getCenter().x);
    tick(*editor);
    int changed = 0;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 346; ++x)
            if (frame.getPixel(x, y) != rest[static_cast<std::size_t>(y * 346 + x)]) {
                ++changed;
                // Only the label's place changes.
                EXPECT_TRUE(caption.getViewSize().pointInside(VSTGUI::CPoint(x, y)) ||
                            captionArea.pointInside(VSTGUI::CPoint(x, y)))
                    << x << ", " << y;
            }
    EXPECT_GT(changed, 20);

    // What is shown is the controller's display text of the value, following a drag.
    Steinberg::Vst::String128 expected{};
    controller->getParamStringByValue(1, 0.25, expected);
    EXPECT_EQ(kelvane::vst::utf8Of(expected, 128), "-50.0 L");
    frame.mouseDown(where, VSTGUI::kLButton);
    frame.mouseMoved(VSTGUI::CPoint(where.x, where.y - 100), VSTGUI::kLButton);
    EXPECT_EQ(controller->getParamNormalized(1), 0.75);
    frame.mouseMoved(VSTGUI::CPoint(where.x + 200, where.y - 100), VSTGUI::kLButton);
    frame.mouseExited(); // dragged out of the window, the value still shows
    EXPECT_FALSE(caption.showsOwnText());
    frame.mouseUp(VSTGUI::CPoint(where.x + 200, where.y - 100), VSTGUI::kLButton);
    EXPECT_TRUE(caption.showsOwnText());

    // Back at rest, the editor is what it was, pixel for pixel.
    controller->setParamNormalized(1, 0.25);
    tick(*editor);
    int differing = 0;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 346; ++x)
            differing += frame.getPixel(x, y) != rest[static_cast<std::size_t>(y * 346 + x)];
    EXPECT_EQ(differing, 0);

    // Hovered again and left through the window's edge.
    frame.mouseMoved(centre(knob(*editor, 3)), 0);
    auto& swapCaption = dynamic_cast<kelvane::vst::KVText&>(*editor->views.at("swapCaption"));
    EXPECT_FALSE(swapCaption.showsOwnText());
    frame.mouseMoved(centre(knob(*editor, 2)), 0);
    EXPECT_TRUE(swapCaption.showsOwnText());
    frame.mouseExited();
    for (const char* name : {"swapCaption", "timeCaption", "levelCaption"})
        EXPECT_TRUE(dynamic_cast<kelvane::vst::KVText&>(*editor->views.at(name)).showsOwnText())
            << name;
    // The layout decides where: a knob whose valueLabel names no text view shows nothing.
    knob(*editor, 2).setProperty("valueLabel", picojson::value(std::string("titleRule")));
    frame.mouseMoved(centre(knob(*editor, 2)), 0);
    EXPECT_TRUE(
        dynamic_cast<kelvane::vst::KVText&>(*editor->views.at("levelCaption")).showsOwnText());
    knob(*editor, 2).setProperty("valueLabel", picojson::value(std::string("title")));
    EXPECT_FALSE(dynamic_cast<kelvane::vst::KVText&>(*editor->views.at("title")).showsOwnText());
    editor->removed();
}

TEST_F(EditorTest, Utf16TextsBecomeUtf8) {
    const Steinberg::Vst::TChar text[] = {'+', '5', 0x00E9, 0x20AC, 0xD83C, 0xDFB5, 0xDC00, 'x', 0};
    EXPECT_EQ(kelvane::vst::utf8Of(text, 128),
              "+5\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5\xEF\xBF\xBDx");
    EXPECT_EQ(kelvane::vst::utf8Of(text, 2), "+5");
    EXPECT_EQ(kelvane::vst::utf8Of(text, 5), "+5\xC3\xA9\xE2\x82\xAC\xEF\xBF\xBD");
    EXPECT_EQ(kelvane::vst::utf8Of(nullptr, 128), "");
}

TEST_F(EditorTest, EveryTickTellsTheProcessorAndRedrawsAllEveryFiveSeconds) {
    auto editor = openEditor();
    std::int64_t now = editor->lastFullRedraw;
    editor->clock = [&now] { return now; };
    VSTGUI::OffscreenFrame& frame = offscreen(*editor);
    tick(*editor); // paints what opening left to paint
    frame.clearPaintedRects();

    now += 50'000'000; // exactly five seconds: not yet
    tick(*editor);
    EXPECT_TRUE(frame.getPaintedRects().empty());
    now += 1;
    tick(*editor);
    ASSERT_FALSE(frame.getPaintedRects().empty());
    EXPECT_EQ(frame.getPaintedRects().back(), VSTGUI::CRect(0, 0, 346, 160));
    EXPECT_EQ(editor->lastFullRedraw, now);
    frame.clearPaintedRects();
    tick(*editor);
    EXPECT_TRUE(frame.getPaintedRects().empty());

    EXPECT_EQ(peer.ids(), (std::vector<std::string>{"b2", "b2", "b2", "b2"}));
    editor->notify(nullptr, "another message");
    EXPECT_EQ(peer.messages.size(), 4u);
    editor->removed();
}

TEST_F(EditorTest, MenuItemsResetAParameterOrOpenTheManual) {
    auto editor = openEditor();
    controller->setParamNormalized(2, 0.9);
    EXPECT_EQ(editor->executeMenuItem(1002), kResultOk);
    EXPECT_EQ(handler.calls, (Calls{ComponentHandler::begin(2), ComponentHandler::perform(2, 0.5),
                                    ComponentHandler::end(2)}));
    EXPECT_EQ(knob(*editor, 2).getValue(), 0.5f);

    handler.calls.clear();
    for (Steinberg::int32 tag : {1007, 1005, 3000, 999, -1001, 0})
        EXPECT_EQ(editor->executeMenuItem(tag), kResultFalse) << tag;
    EXPECT_TRUE(handler.calls.empty());

    std::vector<std::string> opened;
    const kelvane::vst::ManualEnvironment environment{
        [] { return std::string(EDITOR_TEST_OUTPUT) + kelvane::platform::pathSeparator(); },
        [] { return std::uint16_t{1041}; },
        [&opened](const std::string& path) { opened.push_back(path); }};
    editor->manualEnvironment = &environment;
    EXPECT_EQ(editor->executeMenuItem(2001), kResultFalse);
    ASSERT_EQ(opened.size(), 1u);
    const std::string page = std::string("ja") + kelvane::platform::pathSeparator() + "index.html";
    EXPECT_EQ(opened[0].substr(opened[0].size() - page.size()), page);
    std::ifstream extracted(opened[0]);
    EXPECT_TRUE(extracted.good());
    editor->removed();
}

TEST_F(EditorTest, ARightClickOnAKnobShowsTheHostMenuWithThePluginItems) {
    auto editor = openEditor();
    VSTGUI::OffscreenFrame& frame = offscreen(*editor);
    const VSTGUI::CPoint where = centre(knob(*editor, 2));

    frame.mouseDown(where, VSTGUI::kLButton);
    frame.mouseUp(where, VSTGUI::kLButton);
    EXPECT_TRUE(handler.requests.empty());

    handler.calls.clear();
    frame.mouseDown(where, VSTGUI::kRButton);
    frame.mouseUp(where, VSTGUI::kRButton);
    ASSERT_EQ(handler.requests.size(), 1u);
    EXPECT_EQ(handler.requests[0].id, 2u);
    EXPECT_EQ(handler.requests[0].view, static_cast<Steinberg::IPlugView*>(editor.get()));
    const testhost::ContextMenu& menu = *handler.menus[0];
    ASSERT_EQ(menu.entries.size(), 3u);
    EXPECT_EQ(menu.entries[1].tag, 1002);
    EXPECT_EQ(menu.entries[1].name, u"Reset to Default");
    EXPECT_EQ(menu.entries[2].tag, 2002);
    EXPECT_EQ(menu.entries[2].name, u"Open the Manual");
    EXPECT_EQ(menu.popups, (std::vector<std::pair<Steinberg::UCoord, Steinberg::UCoord>>{
                               {static_cast<Steinberg::UCoord>(where.x),
                                static_cast<Steinberg::UCoord>(where.y)}}));
    EXPECT_TRUE(handler.calls.empty()); // the knob left the click alone

    // A host without menus leaves the click to the knob.
    handler.makesMenus = false;
    EXPECT_EQ(editor->controlModifierClicked(&knob(*editor, 2), VSTGUI::kRButton), 0);
    handler.makesMenus = true;
    EXPECT_EQ(editor->controlModifierClicked(&knob(*editor, 2), VSTGUI::kShift), 0);
    editor->removed();
}

TEST_F(EditorTest, FindsTheParameterUnderThePoint) {
    auto editor = owned(new InspectableEditor(controller));
    ParamID id = 99;
    EXPECT_EQ(editor->findParameter(10, 10, id), kResultFalse); // closed
    ASSERT_NE(editor->attachOffscreen(), nullptr);
    for (ParamID knobId : {1u, 2u, 3u, 4u}) {
        const VSTGUI::CPoint where =
            knobId == 4 ? centre(fineSwitch(*editor)) : centre(knob(*editor, knobId));
        EXPECT_EQ(editor->findParameter(static_cast<Steinberg::int32>(where.x),
                                        static_cast<Steinberg::int32>(where.y), id),
                  kResultOk);
        EXPECT_EQ(id, knobId);
    }
    id = 99;
    EXPECT_EQ(editor->findParameter(1, 1, id), kResultFalse);
    EXPECT_EQ(editor->findParameter(-50, 400, id), kResultFalse);
    EXPECT_EQ(id, 99u);

    Steinberg::FUnknownPtr<Steinberg::Vst::IParameterFinder> finder(
        static_cast<Steinberg::IPlugView*>(editor.get()));
    Steinberg::FUnknownPtr<Steinberg::Vst::IContextMenuTarget> target(
        static_cast<Steinberg::IPlugView*>(editor.get()));
    EXPECT_TRUE(finder && target);
    editor->removed();
}

TEST_F(EditorTest, TheFinderAndTheMouseAgreeOnWhatLiesOverAKnob) {
    auto editor = openEditor();
    VSTGUI::OffscreenFrame& frame = offscreen(*editor);
    // Over the whole window, a press starts a gesture on a parameter exactly where the finder
    // names that parameter; the ring between a knob's mouse area and its view is neither.
    for (int y = 0; y < 160; y += 2) {
        for (int x = 0; x < 346; x += 2) {
            handler.calls.clear();
            ParamID found = 99;
            const bool finds = editor->findParameter(x, y, found) == kResultOk;
            frame.mouseDown(VSTGUI::CPoint(x, y), VSTGUI::kLButton);
            frame.mouseUp(VSTGUI::CPoint(x, y), VSTGUI::kLButton);
            const bool grabs = !handler.calls.empty();
            ASSERT_EQ(finds, grabs) << x << ", " << y;
            if (grabs) {
                ASSERT_EQ(handler.calls.front().id, found) << x << ", " << y;
            }
        }
    }
    const VSTGUI::CPoint ring =
        VSTGUI::CPoint(centre(knob(*editor, 2)).x, centre(knob(*editor, 2)).y - 39);
    ParamID found = 99;
    EXPECT_EQ(editor->findParameter(static_cast<Steinberg::int32>(ring.x),
                                    static_cast<Steinberg::int32>(ring.y), found),
              kResultFalse);
    editor->removed();
}

TEST_F(EditorTest, AContentScaleFactorScalesTheWindowItsSizesAndItsDrawing) {
    auto editor = owned(new InspectableEditor(controller));
    Steinberg::FUnknownPtr<Steinberg::IPlugViewContentScaleSupport> scaling(
        static_cast<Steinberg::IPlugView*>(editor.get()));
    ASSERT_TRUE(scaling);
    for (float refused : {0.f, 0.99f, 4.01f, -2.f, std::nanf("")})
        EXPECT_EQ(scaling->setContentScaleFactor(refused), kResultFalse) << refused;
    ASSERT_EQ(scaling->setContentScaleFactor(1.5f), kResultOk);
    Steinberg::ViewRect size;
    editor->getSize(&size);
    EXPECT_EQ(describe(size), describe(Steinberg::ViewRect(0, 0, 519, 240)));
    Steinberg::ViewRect proposed(10, 10, 310, 310);
    editor->checkSizeConstraint(&proposed);
    EXPECT_EQ(describe(proposed), describe(Steinberg::ViewRect(10, 10, 529, 250)));
    proposed = Steinberg::ViewRect(0, 0, 900, 900);
    editor->checkSizeConstraint(&proposed);
    EXPECT_EQ(describe(proposed), describe(Steinberg::ViewRect(0, 0, 519, 240)));

    // Opened at 2: the frame keeps its 346 x 160 and the window is twice that.
    ResizingPlugFrame window;
    editor->setFrame(&window);
    ASSERT_EQ(scaling->setContentScaleFactor(2), kResultOk);
    VSTGUI::OffscreenFrame* offscreen = editor->attachOffscreen();
    ASSERT_NE(offscreen, nullptr);
    ASSERT_EQ(window.sizes.size(), 1u);
    EXPECT_EQ(describe(window.sizes.back()), describe(Steinberg::ViewRect(0, 0, 692, 320)));
    VSTGUI::CFrame* frame = editor->getFrame();
    EXPECT_EQ(frame->getViewSize(), VSTGUI::CRect(0, 0, 346, 160));
    EXPECT_EQ(offscreen->getWidth(), 692);
    EXPECT_EQ(offscreen->getHeight(), 320);

    // Window pixels: the finder and the mouse agree at twice the knob's coordinates.
    const VSTGUI::CPoint level = centre(knob(*editor, 2));
    ParamID found = 99;
    EXPECT_EQ(editor->findParameter(static_cast<Steinberg::int32>(2 * level.x),
                                    static_cast<Steinberg::int32>(2 * level.y), found),
              kResultOk);
    EXPECT_EQ(found, 2u);
    const VSTGUI::CPoint time = centre(knob(*editor, 1));
    offscreen->mouseDown(VSTGUI::CPoint(2 * time.x, 2 * time.y), VSTGUI::kLButton);
    offscreen->mouseMoved(VSTGUI::CPoint(2 * time.x, 2 * time.y - 40), VSTGUI::kLButton);
    offscreen->mouseUp(VSTGUI::CPoint(2 * time.x, 2 * time.y - 40), VSTGUI::kLButton);
    double last = 0;
    EXPECT_TRUE(testhost::isRisingGesture(handler.calls, 1, 0.5, last));

    // A new factor while open resizes through the host and repaints everything.
    offscreen->clearPaintedRects();
    ASSERT_EQ(scaling->setContentScaleFactor(1), kResultOk);
    ASSERT_EQ(window.sizes.size(), 2u);
    EXPECT_EQ(describe(window.sizes.back()), describe(Steinberg::ViewRect(0, 0, 346, 160)));
    EXPECT_EQ(offscreen->getWidth(), 346);
    EXPECT_EQ(frame->getViewSize(), VSTGUI::CRect(0, 0, 346, 160));
    tick(*editor);
    ASSERT_FALSE(offscreen->getPaintedRects().empty());
    EXPECT_EQ(offscreen->getPaintedRects().back(), VSTGUI::CRect(0, 0, 346, 160));
    EXPECT_EQ(scaling->setContentScaleFactor(1), kResultOk);
    EXPECT_EQ(window.sizes.size(), 2u); // no change, no resize
    editor->removed();
    editor->setFrame(nullptr);
}

TEST_F(EditorTest, ATurnedKnobRepaintsItsSquareOnlyWithThePixelsOfAFullRedraw) {
    for (float scale : {1.f, 1.5f}) {
        const auto open = [&] {
            auto editor = owned(new InspectableEditor(controller));
            Steinberg::FUnknownPtr<Steinberg::IPlugViewContentScaleSupport> scaling(
                static_cast<Steinberg::IPlugView*>(editor.get()));
            scaling->setContentScaleFactor(scale);
            EXPECT_NE(editor->attachOffscreen(), nullptr);
            offscreen(*editor).drawAll();
            return editor;
        };
        controller->setParamNormalized(1, 0.5);
        auto turned = open();
        tick(*turned);
        offscreen(*turned).clearPaintedRects();
        controller->setParamNormalized(1, 0.8);
        tick(*turned);
        const VSTGUI::CRect square = knob(*turned, 1).getViewSize();
        ASSERT_EQ(offscreen(*turned).getPaintedRects().size(), 1u) << scale;
        const VSTGUI::CRect painted = offscreen(*turned).getPaintedRects()[0];
        // The square in device pixels, grown to whole ones.
        EXPECT_LE(painted.getWidth(), square.getWidth() * scale + 1) << scale;
        EXPECT_LE(painted.getHeight(), square.getHeight() * scale + 1) << scale;
        EXPECT_GE(painted.getWidth(), square.getWidth() * scale) << scale;

        auto fresh = open();
        VSTGUI::OffscreenFrame& a = offscreen(*turned);
        VSTGUI::OffscreenFrame& b = offscreen(*fresh);
        ASSERT_EQ(a.getWidth(), b.getWidth());
        int differing = 0;
        for (int y = 0; y < a.getHeight(); ++y)
            for (int x = 0; x < a.getWidth(); ++x)
                differing += a.getPixel(x, y) != b.getPixel(x, y) ? 1 : 0;
        EXPECT_EQ(differing, 0) << scale;
        fresh->removed();
        turned->removed();
    }
}

TEST_F(EditorTest, ASizeProposalBecomesTheSizeItHas) {
    auto editor = owned(new InspectableEditor(controller));
    Steinberg::ViewRect rect(10, 10, 310, 310);
    EXPECT_EQ(editor->checkSizeConstraint(&rect), kResultOk);
    EXPECT_EQ(describe(rect), describe(Steinberg::ViewRect(10, 10, 356, 170)));
    EXPECT_EQ(editor->onSize(&rect), kResultOk);
    rect = Steinberg::ViewRect(0, 0, 100, 100);
    editor->checkSizeConstraint(&rect);
    EXPECT_EQ(rect.right, 346);
    EXPECT_EQ(rect.bottom, 160);
    rect = Steinberg::ViewRect(5, 5, 380, 190);
    editor->checkSizeConstraint(&rect);
    EXPECT_EQ(rect.right, 351);
    EXPECT_EQ(rect.bottom, 165);
    EXPECT_EQ(editor->checkSizeConstraint(nullptr), Steinberg::kInvalidArgument);
    EXPECT_EQ(editor->canResize(), kResultFalse);

    // Near the limits of the coordinates nothing overflows: the widest rectangle is cut down, one
    // that would end past the largest coordinate is moved back to end there.
    constexpr Steinberg::int32 lowest = std::numeric_limits<Steinberg::int32>::min();
    constexpr Steinberg::int32 highest = std::numeric_limits<Steinberg::int32>::max();
    rect = Steinberg::ViewRect(lowest, lowest, highest, highest);
    EXPECT_EQ(editor->checkSizeConstraint(&rect), kResultOk);
    EXPECT_EQ(describe(rect),
              describe(Steinberg::ViewRect(lowest, lowest, lowest + 346, lowest + 160)));
    rect = Steinberg::ViewRect(highest - 10, highest - 5, highest, highest);
    editor->checkSizeConstraint(&rect);
    EXPECT_EQ(describe(rect),
              describe(Steinberg::ViewRect(highest - 346, highest - 160, highest, highest)));
    rect = Steinberg::ViewRect(highest, 0, lowest, 100);
    editor->checkSizeConstraint(&rect);
    EXPECT_EQ(describe(rect), describe(Steinberg::ViewRect(highest - 346, 0, highest, 160)));
}

// The view cannot be resized: it takes only the size it has (wherever the host puts it) and
// refuses every other, open or closed, without making anything for it.
TEST_F(EditorTest, TheViewTakesOnlyTheSizeItHas) {
    auto editor = owned(new InspectableEditor(controller));
    Steinberg::ViewRect other(0, 0, 380, 190);
    EXPECT_EQ(editor->onSize(&other), kResultFalse);
    EXPECT_EQ(editor->onSize(nullptr), Steinberg::kInvalidArgument);
    VSTGUI::OffscreenFrame* offscreen = editor->attachOffscreen();
    ASSERT_NE(offscreen, nullptr);
    for (const Steinberg::ViewRect& refused :
         {Steinberg::ViewRect(0, 0, 380, 190), Steinberg::ViewRect(0, 0, 345, 160),
          Steinberg::ViewRect(0, 0, 100000, 100000), Steinberg::ViewRect(0, 0, 0, 0),
          Steinberg::ViewRect(std::numeric_limits<Steinberg::int32>::min(), 0,
                              std::numeric_limits<Steinberg::int32>::max(), 160)}) {
        Steinberg::ViewRect proposed = refused;
        EXPECT_EQ(editor->onSize(&proposed), kResultFalse) << describe(refused);
        EXPECT_EQ(editor->getFrame()->getViewSize(), VSTGUI::CRect(0, 0, 346, 160));
        EXPECT_EQ(offscreen->getWidth(), 346);
        EXPECT_EQ(offscreen->getHeight(), 160);
    }
    Steinberg::ViewRect moved(20, 30, 366, 190);
    EXPECT_EQ(editor->onSize(&moved), kResultOk);
    Steinberg::ViewRect size;
    editor->getSize(&size);
    EXPECT_EQ(describe(size), describe(moved));

    // Open already: a second attach, in a window or offscreen, is refused and changes nothing.
    int notAWindow = 0;
    EXPECT_EQ(editor->attached(&notAWindow, platformType), kResultFalse);
    EXPECT_EQ(editor->attachOffscreen(), nullptr);
    EXPECT_EQ(editor->getFrame()->getPlatformFrame(), offscreen);
    editor->removed();
    EXPECT_EQ(editor->getFrame(), nullptr);
    EXPECT_EQ(editor->attached(nullptr, platformType), kResultFalse);
    EXPECT_EQ(editor->getFrame(), nullptr);
}

TEST_F(EditorTest, TheFineDelaySwitchFlipsInOneGestureAndOtherEditorsFollow) {
    auto editor = openEditor();
    auto other = openEditor();
    kelvane::vst::KVSwitch& switched = fineSwitch(*editor);
    EXPECT_EQ(switched.getValue(), 0.0f);
    const VSTGUI::CPoint where = centre(switched);
    // The label over the plate takes no click from the switch.
    const VSTGUI::CPoint onLabel = label(*editor, "fineCaption").getViewSize().getCenter();
    ASSERT_TRUE(switched.getMouseableArea().pointInside(onLabel));

    offscreen(*editor).mouseDown(onLabel, VSTGUI::kLButton);
    offscreen(*editor).mouseUp(onLabel, VSTGUI::kLButton);
    EXPECT_EQ(handler.calls, (Calls{ComponentHandler::begin(4), ComponentHandler::begin(4),
                                    ComponentHandler::perform(4, 1.0), ComponentHandler::end(4),
                                    ComponentHandler::end(4)}));
    EXPECT_EQ(controller->getParamNormalized(4), 1.0);
    EXPECT_EQ(fineSwitch(*other).getValue(), 1.0f);
    // Hosts do not automate it: the processor hears of it at once.
    EXPECT_EQ(peer.ids(), (std::vector<std::string>{"b3"}));

    // A double click: the first click flips it back on, the second sets the default, off.
    handler.calls.clear();
    offscreen(*editor).mouseDown(where, VSTGUI::kLButton);
    offscreen(*editor).mouseUp(where, VSTGUI::kLButton);
    EXPECT_EQ(controller->getParamNormalized(4), 0.0);
    offscreen(*editor).mouseDown(where, VSTGUI::kLButton);
    offscreen(*editor).mouseUp(where, VSTGUI::kLButton);
    handler.calls.clear();
    offscreen(*editor).mouseDown(where, VSTGUI::kLButton | VSTGUI::kDoubleClick);
    offscreen(*editor).mouseUp(where, VSTGUI::kLButton);
    EXPECT_EQ(handler.calls, (Calls{ComponentHandler::begin(4), ComponentHandler::begin(4),
                                    ComponentHandler::perform(4, 0.0), ComponentHandler::end(4),
                                    ComponentHandler::end(4)}));
    EXPECT_EQ(fineSwitch(*other).getValue(), 0.0f);

    // Pressed and released beside it: a gesture that changes nothing.
    handler.calls.clear();
    offscreen(*editor).mouseDown(where, VSTGUI::kLButton);
    offscreen(*editor).mouseMoved(VSTGUI::CPoint(where.x, where.y + 30), VSTGUI::kLButton);
    offscreen(*editor).mouseUp(VSTGUI::CPoint(where.x, where.y + 30), VSTGUI::kLButton);
    EXPECT_EQ(handler.calls, (Calls{ComponentHandler::begin(4), ComponentHandler::begin(4),
                                    ComponentHandler::end(4), ComponentHandler::end(4)}));
    EXPECT_EQ(controller->getParamNormalized(4), 0.0);
    other->removed();
    editor->removed();
}

TEST_F(EditorTest, TheSwitchShowsTheHostsTextInItsLabelWhileHovered) {
    auto editor = openEditor();
    VSTGUI::OffscreenFrame& frame = offscreen(*editor);
    kelvane::vst::KVText& caption = label(*editor, "fineCaption");
    EXPECT_EQ(caption.text.get(), "FINE");
    frame.mouseMoved(centre(fineSwitch(*editor)), 0);
    EXPECT_FALSE(caption.showsOwnText());
    Steinberg::Vst::String128 expected{};
    controller->getParamStringByValue(4, 0.0, expected);
    EXPECT_EQ(kelvane::vst::utf8Of(expected, 128), "Off");
    // Its text follows the value while shown.
    frame.mouseDown(centre(fineSwitch(*editor)), VSTGUI::kLButton);
    frame.mouseUp(centre(fineSwitch(*editor)), VSTGUI::kLButton);
    EXPECT_FALSE(caption.showsOwnText());
    frame.mouseMoved(VSTGUI::CPoint(5, 150), 0);
    EXPECT_TRUE(caption.showsOwnText());
    EXPECT_EQ(caption.text.get(), "FINE");
    editor->removed();
}

TEST_F(EditorTest, ARightClickOnTheSwitchOffersItsResetAndTheManual) {
    auto editor = openEditor();
    VSTGUI::OffscreenFrame& frame = offscreen(*editor);
    const VSTGUI::CPoint where = centre(fineSwitch(*editor));
    controller->setParamNormalized(4, 1.0);
    frame.mouseDown(where, VSTGUI::kRButton);
    frame.mouseUp(where, VSTGUI::kRButton);
    ASSERT_EQ(handler.requests.size(), 1u);
    EXPECT_EQ(handler.requests[0].id, 4u);
    const testhost::ContextMenu& menu = *handler.menus[0];
    ASSERT_EQ(menu.entries.size(), 3u);
    EXPECT_EQ(menu.entries[1].tag, 1004);
    EXPECT_EQ(menu.entries[2].tag, 2004);
    EXPECT_TRUE(handler.calls.empty()); // the switch left the click alone
    EXPECT_EQ(fineSwitch(*editor).getValue(), 1.0f);

    EXPECT_EQ(editor->executeMenuItem(1004), kResultOk);
    EXPECT_EQ(handler.calls, (Calls{ComponentHandler::begin(4), ComponentHandler::perform(4, 0.0),
                                    ComponentHandler::end(4)}));
    EXPECT_EQ(fineSwitch(*editor).getValue(), 0.0f);
    editor->removed();
}

// The editor's pixels at scale (ARGB), drawn offscreen; without the fine delay's views when
// hidden.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

// The area the fine delay's views cover, in the device pixels of scale, grown to whole ones.
VSTGUI::CRect switchArea(InspectableEditor& editor, double scale) {
    VSTGUI::CRect area = editor.views.at("fineSwitch")->getViewSize();
    area.unite(editor.views.at("fineCaption")->getViewSize());
    return VSTGUI::CRect(std::floor(area.left * scale), std::floor(area.top * scale),
                         std::ceil(area.right * scale), std::ceil(area.bottom * scale));
}

// Counts the pixels that differ inside area and outside it.
std::pair<int, int> differences(const Picture& a, const Picture& b, const VSTGUI::CRect& area) {
    std::pair<int, int> counts{0, 0};
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (a.at(x, y) != b.at(x, y))
                ++(area.pointInside(VSTGUI::CPoint(x, y)) ? counts.first : counts.second);
    return counts;
}

// The fine delay's switch adds itself to the window and changes nothing else: at rest (off) or
// on, every pixel outside its area is the window's without it, at every scale.
TEST_F(EditorTest, TheWindowOutsideTheSwitchIsTheWindowWithoutIt) {
    for (double scale : {1.0, 1.5, 2.0}) {
        for (double fine : {0.0, 1.0}) {
            controller->setParamNormalized(4, fine);
            VSTGUI::CRect area;
            const auto draw = [&](bool hidden) {
                auto editor = owned(new InspectableEditor(controller));
                Steinberg::FUnknownPtr<Steinberg::IPlugViewContentScaleSupport> scaling(
                    static_cast<Steinberg::IPlugView*>(editor.get()));
                scaling->setContentScaleFactor(static_cast<float>(scale));
                EXPECT_NE(editor->attachOffscreen(), nullptr);
                area = switchArea(*editor, scale);
                // Taken out of the frame, kept alive while the editor still names them.
                std::vector<VSTGUI::CView*> taken;
                if (hidden)
                    for (const char* name : {"fineSwitch", "fineCaption"}) {
                        taken.push_back(editor->views.at(name));
                        editor->getFrame()->removeView(taken.back(), false);
                    }
                VSTGUI::OffscreenFrame& frame = offscreen(*editor);
                frame.drawAll();
                Picture picture{frame.getWidth(), frame.getHeight(), {}};
                for (int y = 0; y < picture.height; ++y)
                    for (int x = 0; x < picture.width; ++x)
                        picture.pixels.push_back(frame.getPixel(x, y));
                editor->removed();
                for (VSTGUI::CView* view : taken)
                    view->forget();
                return picture;
            };
            const Picture with = draw(false);
            const Picture without = draw(true);
            const auto [inside, outside] = differences(with, without, area);
            EXPECT_EQ(outside, 0) << scale << " " << fine;
            EXPECT_GT(inside, 100 * scale * scale) << scale << " " << fine;
        }
    }
}

#ifndef _WIN32
// The same against the window as it was before the switch, drawn by the same code on Linux
// (tools/snapshot at the parameters' defaults) and kept as test data.
TEST_F(EditorTest, AtRestTheWindowIsTheEarlierOneOutsideTheSwitch) {
    for (int scale : {1, 2}) {
        const std::string path = std::string(EDITOR_TEST_DATA) + "/editor-before-fine-" +
                                 std::to_string(scale) + "x.png";
        std::ifstream file(path, std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                              std::istreambuf_iterator<char>());
        ASSERT_FALSE(bytes.empty()) << path;
        std::unique_ptr<Gdiplus::Bitmap> reference(
            kelvane::vst::decodeImage(bytes.data(), bytes.size()));
        Picture before{
            static_cast<int>(reference->GetWidth()), static_cast<int>(reference->GetHeight()), {}};
        for (int y = 0; y < before.height; ++y)
            for (int x = 0; x < before.width; ++x) {
                Gdiplus::Color color;
                reference->GetPixel(x, y, &color);
                before.pixels.push_back(color.GetValue());
            }

        auto editor = owned(new InspectableEditor(controller));
        Steinberg::FUnknownPtr<Steinberg::IPlugViewContentScaleSupport> scaling(
            static_cast<Steinberg::IPlugView*>(editor.get()));
        scaling->setContentScaleFactor(static_cast<float>(scale));
        ASSERT_NE(editor->attachOffscreen(), nullptr);
        VSTGUI::OffscreenFrame& frame = offscreen(*editor);
        frame.drawAll();
        Picture now{frame.getWidth(), frame.getHeight(), {}};
        ASSERT_EQ(now.width, before.width);
        ASSERT_EQ(now.height, before.height);
        for (int y = 0; y < now.height; ++y)
            for (int x = 0; x < now.width; ++x)
                now.pixels.push_back(frame.getPixel(x, y));
        const VSTGUI::CRect area = switchArea(*editor, scale);
        // Where it sits: in the top right corner, above the title's rule, right of the title.
        EXPECT_GE(area.left, 240 * scale);
        EXPECT_LE(area.right, 346 * scale);
        EXPECT_GE(area.top, 0);
        EXPECT_LE(area.bottom, 27 * scale);
        const auto [inside, outside] = differences(now, before, area);
        EXPECT_EQ(outside, 0) << scale;
        EXPECT_GT(inside, 100 * scale * scale) << scale;
        editor->removed();
    }
}
#endif

} // namespace
} // namespace editortest
