#include "viewtesting.h"

#include "editor/resources/stores.h"
#include "editor/views/myknob.h"

#include "vstgui/lib/cdrawcontext.h"
#include "vstgui/lib/cframe.h"
#include "vstgui/lib/vstguieditorinterface.h"

#include <cmath>
#include <string>
#include <vector>

namespace viewtest {
namespace {

using kelvane::vst::MyKnob;
using VSTGUI::CPoint;
using VSTGUI::CRect;

const double pi = 3.14159265358979323846;

// The point at radius r from (cx, cy) in the knob's convention: degrees from straight up,
// clockwise.
CPoint polar(const CPoint& centre, double degrees, double r) {
    const double a = (degrees - 90) * pi / 180;
    return CPoint(centre.x + r * std::cos(a), centre.y + r * std::sin(a));
}

class MyKnobTest : public testing::Test {
protected:
    VSTGUI::SharedPointer<MyKnob> knob(std::int32_t steps = 0) {
        return VSTGUI::makeOwned<MyKnob>(centre, nullptr, 7, cache.get(), steps);
    }

    // Draws the knob on a fresh 100 by 100 canvas.
    std::unique_ptr<Canvas> drawn(MyKnob& view) {
        auto canvas = std::make_unique<Canvas>(100, 100);
        view.draw(canvas->drawContext());
        return canvas;
    }

    static bool white(const Gdiplus::Color& color) { return color.GetR() > 100; }
    // The default pointer is cyan: green far above everything else the knob paints.
    static bool pointer(const Gdiplus::Color& color) { return color.GetG() > 150; }

    const CPoint centre = CPoint(50, 50);
    std::unique_ptr<kelvane::vst::ResourceCache> cache = emptyCache();
};

TEST_F(MyKnobTest, GeometryFollowsCentreAndRadii) {
    auto view = knob();
    EXPECT_EQ(view->getViewSize(), CRect(10, 10, 90, 90));
    EXPECT_FLOAT_EQ(view->getStartAngle(), static_cast<float>(-210 * pi / 180));
    EXPECT_FLOAT_EQ(view->getRangeAngle(), static_cast<float>(240 * pi / 180));
    EXPECT_EQ(view->getZoomFactor(), 10);
    EXPECT_EQ(view->getTag(), 7);

    view->setProperty("center", json("[100, 80]"));
    EXPECT_EQ(view->getViewSize(), CRect(60, 40, 140, 120));
    EXPECT_EQ(view->getMouseableArea(), CRect(60, 40, 140, 120));
    view->setProperty("viewRadius", json("50"));
    EXPECT_EQ(view->getViewSize(), CRect(50, 30, 150, 130));
    EXPECT_EQ(view->getMouseableArea(), CRect(60, 40, 140, 120));
    view->setProperty("mouseRadius", json("10"));
    EXPECT_EQ(view->getMouseableArea(), CRect(90, 70, 110, 90));
    view->setProperty("startAngle", json("0"));
    view->setProperty("endAngle", json("90"));
    EXPECT_FLOAT_EQ(view->getStartAngle(), static_cast<float>(-pi / 2));
    EXPECT_FLOAT_EQ(view->getRangeAngle(), static_cast<float>(pi / 2));
    // Looks alone leave the geometry.
    view->setProperty("faceRadius", json("3"));
    EXPECT_EQ(view->getViewSize(), CRect(50, 30, 150, 130));
}

TEST_F(MyKnobTest, StepsSnapTheValueAndSetTheWheelIncrement) {
    auto switchKnob = knob(1);
    switchKnob->setValue(0.49f);
    EXPECT_EQ(switchKnob->getValue(), 0.f);
    switchKnob->setValue(0.5f);
    EXPECT_EQ(switchKnob->getValue(), 1.f);
    EXPECT_EQ(switchKnob->getWheelInc(), 1.f);

    auto quarters = knob(4);
    quarters->setValue(0.3f);
    EXPECT_EQ(quarters->getValue(), 0.25f);
    EXPECT_EQ(quarters->getWheelInc(), 0.25f);

    auto continuous = knob(0);
    const float defaultIncrement = continuous->getWheelInc();
    continuous->setValue(0.3f);
    EXPECT_EQ(continuous->getValue(), 0.3f);
    EXPECT_EQ(defaultIncrement, VSTGUI::CControl(CRect()).getWheelInc());
}

TEST_F(MyKnobTest, DefaultsAndDispatch) {
    auto view = knob();
    EXPECT_EQ(view->tickMarks.get().size(), 9u);
    EXPECT_EQ(view->faceImage.get(), "knob-face.png");
    EXPECT_EQ(logicError([&] { view->setProperty("foo", json("3")); }),
              "setProperty foo 3 not found");
    view->setProperty("size", json("[0, 0, 20, 20]"));
    EXPECT_EQ(view->getViewSize(), CRect(0, 0, 20, 20));
}

TEST_F(MyKnobTest, TicksSpanTheScaleClockwiseOverTheTop) {
    auto view = knob();
    auto canvas = drawn(*view);
    EXPECT_TRUE(white(canvas->at(polar(centre, -120, 37).x, polar(centre, -120, 37).y)));
    EXPECT_TRUE(white(canvas->at(polar(centre, 0, 37).x, polar(centre, 0, 37).y)));
    EXPECT_TRUE(white(canvas->at(polar(centre, 120, 37).x, polar(centre, 120, 37).y)));
    // Between ticks, and below the knob where the scale is open.
    EXPECT_FALSE(white(canvas->at(polar(centre, -105, 37).x, polar(centre, -105, 37).y)));
    EXPECT_FALSE(white(canvas->at(polar(centre, 180, 37).x, polar(centre, 180, 37).y)));

    // A single tick marks the start; none draws no tick.
    view->setProperty("tickMarks", json(R"([{"width": 2, "innerRadius": 34, "outerRadius": 40,
        "color": [255, 255, 255, 255]}])"));
    canvas = drawn(*view);
    EXPECT_TRUE(white(canvas->at(polar(centre, -120, 37).x, polar(centre, -120, 37).y)));
    EXPECT_FALSE(white(canvas->at(polar(centre, 0, 37).x, polar(centre, 0, 37).y)));
    view->setProperty("tickMarks", json("[]"));
    canvas = drawn(*view);
    EXPECT_FALSE(white(canvas->at(polar(centre, -120, 37).x, polar(centre, -120, 37).y)));
}

TEST_F(MyKnobTest, PointerTurnsWithTheValueFromEightToFourOClock) {
    auto view = knob();
    const CPoint start = polar(centre, -120, 20);
    const CPoint end = polar(centre, 120, 20);
    auto canvas = drawn(*view);
    EXPECT_TRUE(pointer(canvas->at(start.x, start.y)));
    EXPECT_FALSE(pointer(canvas->at(end.x, end.y)));
    view->setValue(1);
    canvas = drawn(*view);
    EXPECT_FALSE(pointer(canvas->at(start.x, start.y)));
    EXPECT_TRUE(pointer(canvas->at(end.x, end.y)));
    view->setValue(0.5f);
    canvas = drawn(*view);
    const CPoint up = polar(centre, 0, 20);
    EXPECT_TRUE(pointer(canvas->at(up.x, up.y)));
    // The glow lights up what lies beside the sharp pointer.
    auto unlit = knob();
    unlit->setProperty("glowGain", json("0"));
    unlit->setValue(0.5f);
    auto unlitCanvas = drawn(*unlit);
    EXPECT_TRUE(pointer(unlitCanvas->at(up.x, up.y)));
    EXPECT_GT(canvas->at(up.x + 3.5, up.y).GetG(), unlitCanvas->at(up.x + 3.5, up.y).GetG() + 10);
}

TEST_F(MyKnobTest, PointerImageIsMadeOnceUntilTheGeometryChanges) {
    auto view = knob();
    const CPoint start = polar(centre, -120, 20);
    drawn(*view);
    view->setProperty("pointerColor", json("[255, 255, 0, 0]"));
    auto canvas = drawn(*view);
    EXPECT_TRUE(pointer(canvas->at(start.x, start.y)));
    view->setProperty("center", json("[50, 50]"));
    canvas = drawn(*view);
    EXPECT_FALSE(pointer(canvas->at(start.x, start.y)));
    EXPECT_GT(canvas->at(start.x, start.y).GetR(), 150);
}

TEST_F(MyKnobTest, DrawsInTheContextsTransformAndOnlyThroughGdiplus) {
    auto view = knob();
    view->setProperty("tickMarks", json(R"([{"width": 2, "innerRadius": 34, "outerRadius": 40,
        "color": [255, 255, 255, 255]}])"));
    view->setProperty("startAngle", json("0"));
    Canvas canvas(100, 100);
    canvas.getGraphics().TranslateTransform(10, 0);
    view->draw(canvas.drawContext());
    EXPECT_TRUE(white(canvas.at(60, 13)));
    EXPECT_FALSE(white(canvas.at(50, 13)));

    VSTGUI::CDrawContext plain(CRect(0, 0, 100, 100));
    view->setDirty(true);
    view->draw(&plain);
    EXPECT_TRUE(view->isDirty());
}

TEST_F(MyKnobTest, FaceIsTheImageScaledIntoTheDiscUnderTheTint) {
    auto bare = knob();
    auto bareCanvas = drawn(*bare);
    kelvane::vst::ResourceCache editorCache(tivrandel::editorResources());
    auto faced = VSTGUI::makeOwned<MyKnob>(centre, nullptr, 1, &editorCache, 0);
    auto facedCanvas = drawn(*faced);
    // Inside the face, away from the pointer, the image shows; outside it nothing changes.
    const CPoint inside = polar(centre, 90, 10);
    const CPoint outside = polar(centre, 90, 31);
    EXPECT_NE(facedCanvas->at(inside.x, inside.y).GetValue(),
              bareCanvas->at(inside.x, inside.y).GetValue());
    EXPECT_EQ(facedCanvas->at(outside.x, outside.y).GetValue(),
              bareCanvas->at(outside.x, outside.y).GetValue());
}

// An editor that only names the knob mode.
class ModeEditor : public VSTGUI::VSTGUIEditorInterface {
public:
    explicit ModeEditor(std::int32_t knobMode) : mode(knobMode) {}
    std::int32_t getKnobMode() const override { return mode; }

private:
    std::int32_t mode;
};

// A knob in a frame whose editor names the knob mode, turned by the mouse.
class KnobModeTest : public MyKnobTest {
protected:
    void open(std::int32_t mode, std::int32_t steps = 0) {
        editor = std::make_unique<ModeEditor>(mode);
        frame = VSTGUI::makeOwned<VSTGUI::CFrame>(CRect(0, 0, 100, 100), editor.get());
        auto made = knob(steps);
        view = made.get();
        view->remember(); // the frame's reference
        frame->addView(view);
        view->setValue(0.5f);
    }
    void TearDown() override { frame = nullptr; }

    // Presses at the point at degrees (the knob's convention) and radius 30, and answers the
    // value there.
    float pressAt(double degrees, const VSTGUI::CButtonState& buttons = VSTGUI::kLButton) {
        CPoint where = polar(centre, degrees, 30);
        frame->onMouseDown(where, buttons);
        return view->getValue();
    }
    float moveTo(double degrees, const VSTGUI::CButtonState& buttons = VSTGUI::kLButton) {
        CPoint where = polar(centre, degrees, 30);
        frame->onMouseMoved(where, buttons);
        return view->getValue();
    }
    void release() {
        CPoint where;
        frame->onMouseUp(where, VSTGUI::kLButton);
    }

    std::unique_ptr<ModeEditor> editor;
    VSTGUI::SharedPointer<VSTGUI::CFrame> frame;
    MyKnob* view = nullptr;
};

TEST_F(KnobModeTest, CircularFollowsTheDrawnScale) {
    open(VSTGUI::kCircularMode);
    // The mouse over a drawn position gives that position's value: the ends are 0 and 1.
    pressAt(0);
    EXPECT_NEAR(moveTo(-120), 0, 1e-4);
    EXPECT_NEAR(moveTo(-60), 0.25, 1e-4);
    EXPECT_NEAR(moveTo(0), 0.5, 1e-4);
    EXPECT_NEAR(moveTo(60), 0.75, 1e-4);
    EXPECT_NEAR(moveTo(120), 1, 1e-4);
    // Into the gap at the bottom and round to the other side: the value stays at the end.
    EXPECT_NEAR(moveTo(170), 1, 1e-4);
    EXPECT_NEAR(moveTo(-170), 1, 1e-4);
    release();
    // Alt in linear mode selects the circular one.
    open(VSTGUI::kLinearMode);
    pressAt(60, VSTGUI::kLButton | VSTGUI::kAlt);
    EXPECT_NEAR(moveTo(-60, VSTGUI::kLButton | VSTGUI::kAlt), 0.25, 1e-4);
    EXPECT_NEAR(moveTo(30, VSTGUI::kLButton | VSTGUI::kAlt), 0.625, 1e-4);
}

TEST_F(KnobModeTest, RelativeCircularTurnsClockwiseUp) {
    open(VSTGUI::kRelativCircularMode);
    // Grabbed anywhere, the value moves by the angle turned, clockwise up.
    pressAt(-90);
    EXPECT_NEAR(moveTo(-30), 0.75, 1e-4);
    EXPECT_NEAR(moveTo(-60), 0.625, 1e-4);
    EXPECT_NEAR(moveTo(60), 1, 1e-4); // held at the end
    release();
    pressAt(60);
    EXPECT_NEAR(moveTo(0), 0.75, 1e-4);
}

TEST_F(KnobModeTest, LinearRaisesUpAndRight) {
    open(VSTGUI::kLinearMode);
    CPoint where(50, 50);
    frame->onMouseDown(where, VSTGUI::kLButton);
    CPoint up(50, 30);
    frame->onMouseMoved(up, VSTGUI::kLButton);
    EXPECT_GT(view->getValue(), 0.5f);
    CPoint left(20, 50);
    frame->onMouseMoved(left, VSTGUI::kLButton);
    EXPECT_LT(view->getValue(), 0.5f);
}

TEST_F(KnobModeTest, AClickFlipsASwitchButADragDoesNot) {
    open(VSTGUI::kLinearMode, 1);
    view->setValue(0);
    const auto click = [&](CPoint down, CPoint up) {
        frame->onMouseDown(down, VSTGUI::kLButton);
        frame->onMouseMoved(up, VSTGUI::kLButton);
        frame->onMouseUp(up, VSTGUI::kLButton);
        return view->getValue();
    };
    EXPECT_EQ(click(CPoint(50, 50), CPoint(53, 47)), 1.f); // a little jitter is still a click
    EXPECT_EQ(click(CPoint(50, 50), CPoint(50, 50)), 0.f);
    // Away and back: a drag that changed nothing, no click.
    CPoint where(50, 50);
    CPoint away(50, 20);
    frame->onMouseDown(where, VSTGUI::kLButton);
    frame->onMouseMoved(away, VSTGUI::kLButton);
    frame->onMouseMoved(where, VSTGUI::kLButton);
    frame->onMouseUp(where, VSTGUI::kLButton);
    EXPECT_EQ(view->getValue(), 0.f);
    // Dragged over to the other position, it stays there.
    frame->onMouseDown(where, VSTGUI::kLButton);
    CPoint beyond(50, 50 - 120);
    frame->onMouseMoved(beyond, VSTGUI::kLButton);
    EXPECT_EQ(view->getValue(), 1.f);
    frame->onMouseUp(beyond, VSTGUI::kLButton);
    EXPECT_EQ(view->getValue(), 1.f);

    // A continuous knob ignores clicks.
    open(VSTGUI::kLinearMode, 0);
    EXPECT_EQ(click(CPoint(50, 50), CPoint(50, 50)), 0.5f);
}

TEST_F(KnobModeTest, TellsItsDisplayWhileTheMouseIsOverItOrTurnsIt) {
    open(VSTGUI::kLinearMode);
    std::vector<std::string> shown;
    view->setValueDisplay(
        [&] { shown.push_back(view->showsValue() ? std::to_string(view->getValue()) : "rest"); });
    view->setValue(0.25f); // at rest: nothing to show
    EXPECT_TRUE(shown.empty());
    CPoint over(50, 50);
    frame->onMouseMoved(over, 0);
    view->setValue(0.5f); // the host's automation, while hovered
    frame->onMouseDown(over, VSTGUI::kLButton);
    CPoint up(50, 30);
    frame->onMouseMoved(up, VSTGUI::kLButton);
    // Dragged out of the window: shown until the release there.
    frame->platformOnMouseExited();
    CPoint outside(50, 130);
    frame->onMouseMoved(outside, VSTGUI::kLButton);
    frame->onMouseUp(outside, VSTGUI::kLButton);
    EXPECT_EQ(shown,
              (std::vector<std::string>{std::to_string(0.25f), std::to_string(0.5f),
                                        std::to_string(0.6f), std::to_string(0.1f), "rest"}));
    // A wheel turn over it, and a new label, show at once; leaving ends the show.
    shown.clear();
    frame->onMouseMoved(over, 0);
    frame->onWheel(over, VSTGUI::kMouseWheelAxisY, 1.f, 0);
    view->setProperty("valueLabel", json("\"other\""));
    frame->platformOnMouseExited();
    EXPECT_EQ(shown, (std::vector<std::string>{std::to_string(0.1f), std::to_string(0.2f),
                                               std::to_string(0.2f), "rest"}));
    EXPECT_EQ(view->valueLabel.get(), "other");
}

} // namespace
} // namespace viewtest
