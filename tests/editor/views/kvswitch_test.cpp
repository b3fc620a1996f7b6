#include "viewtesting.h"

#include "editor/views/kvswitch.h"

#include "vstgui/lib/cframe.h"
#include "vstgui/lib/controls/icontrollistener.h"

#include <string>
#include <vector>

namespace viewtest {
namespace {

using kelvane::vst::KVSwitch;
using VSTGUI::CPoint;
using VSTGUI::CRect;

// What the switch tells its listener, in order.
class Listener : public VSTGUI::IControlListener {
public:
    void valueChanged(VSTGUI::CControl* control) override {
        events.push_back("value " + std::to_string(static_cast<int>(control->getValue())));
    }
    void controlBeginEdit(VSTGUI::CControl*) override { events.push_back("begin"); }
    void controlEndEdit(VSTGUI::CControl*) override { events.push_back("end"); }

    std::vector<std::string> events;
};

// A switch on the plate (10, 10, 50, 26), its lamp at (18, 18), in a frame that hands it the
// mouse.
class KVSwitchTest : public testing::Test {
protected:
    void SetUp() override {
        frame = VSTGUI::makeOwned<VSTGUI::CFrame>(CRect(0, 0, 60, 40), nullptr);
        view = new KVSwitch(&listener, 4);
        frame->addView(view);
        view->setProperty("rect", json("[10, 10, 50, 26]"));
        view->setProperty("lampCenter", json("[18, 18]"));
    }
    void TearDown() override { frame = nullptr; }

    void press(CPoint where, const VSTGUI::CButtonState& buttons = VSTGUI::kLButton) {
        frame->onMouseDown(where, buttons);
    }
    void release(CPoint where) { frame->onMouseUp(where, VSTGUI::kLButton); }
    void click(CPoint where) {
        press(where);
        release(where);
    }

    Listener listener;
    VSTGUI::SharedPointer<VSTGUI::CFrame> frame;
    KVSwitch* view = nullptr;
};

TEST_F(KVSwitchTest, BoundsCoverPlateAndGlowWhileTheMouseTakesThePlate) {
    // The default glow (radius 6) stays inside the plate: the plate and a pixel around it.
    EXPECT_EQ(view->getViewSize(), CRect(9, 9, 51, 27)) << describe(view->getViewSize());
    EXPECT_EQ(view->getMouseableArea(), CRect(10, 10, 50, 26));
    view->setProperty("glowRadius", json("12"));
    EXPECT_EQ(view->getViewSize(), CRect(5, 5, 51, 31)) << describe(view->getViewSize());
    EXPECT_EQ(view->getMouseableArea(), CRect(10, 10, 50, 26));
    EXPECT_EQ(view->getTag(), 4);
    EXPECT_EQ(view->getDefaultValue(), 0.f);
    EXPECT_EQ(logicError([&] { view->setProperty("lampColor", json("[255, 0, 0, 0]")); }),
              "setProperty lampColor [255,0,0,0] not found");
}

TEST_F(KVSwitchTest, ValuesSnapToOffAndOn) {
    for (const auto& [set, held] : std::vector<std::pair<float, float>>{
             {0.49f, 0.f}, {0.5f, 1.f}, {0.7f, 1.f}, {0.2f, 0.f}, {3.f, 1.f}, {-1.f, 0.f}}) {
        view->setValue(set);
        EXPECT_EQ(view->getValue(), held) << set;
        EXPECT_EQ(view->isOn(), held == 1.f) << set;
    }
    EXPECT_TRUE(listener.events.empty()); // a value set from outside is no edit
}

TEST_F(KVSwitchTest, AClickFlipsItInOneGestureAndAReleaseElsewhereDoesNot) {
    click(CPoint(30, 18));
    EXPECT_EQ(view->getValue(), 1.f);
    click(CPoint(49, 25)); // anywhere on the plate
    EXPECT_EQ(view->getValue(), 0.f);
    EXPECT_EQ(listener.events,
              (std::vector<std::string>{"begin", "value 1", "end", "begin", "value 0", "end"}));

    // Pressed, dragged off and released there: the gesture ends with nothing changed.
    listener.events.clear();
    press(CPoint(30, 18));
    CPoint away(30, 35);
    frame->onMouseMoved(away, VSTGUI::kLButton);
    release(away);
    EXPECT_EQ(view->getValue(), 0.f);
    EXPECT_EQ(listener.events, (std::vector<std::string>{"begin", "end"}));
    // Outside the plate the switch takes no click.
    listener.events.clear();
    click(CPoint(5, 5));
    click(CPoint(52, 18));
    EXPECT_TRUE(listener.events.empty());
    // A gesture that the frame takes away ends unchanged.
    press(CPoint(30, 18));
    frame->removeView(view, false);
    EXPECT_EQ(listener.events, (std::vector<std::string>{"begin", "end"}));
    EXPECT_FALSE(view->isEditing());
    view->forget();
    view = nullptr;
}

TEST_F(KVSwitchTest, ADoubleClickOrAControlClickSetsTheDefault) {
    // The first click of a double click flips it; the second press sets the default.
    click(CPoint(30, 18));
    EXPECT_EQ(view->getValue(), 1.f);
    listener.events.clear();
    press(CPoint(30, 18), VSTGUI::kLButton | VSTGUI::kDoubleClick);
    release(CPoint(30, 18));
    EXPECT_EQ(view->getValue(), 0.f);
    EXPECT_EQ(listener.events, (std::vector<std::string>{"begin", "value 0", "end"}));

    view->setValue(1);
    listener.events.clear();
    press(CPoint(30, 18), VSTGUI::kLButton | VSTGUI::kControl);
    release(CPoint(30, 18));
    EXPECT_EQ(view->getValue(), 0.f);
    EXPECT_EQ(listener.events, (std::vector<std::string>{"begin", "value 0", "end"}));
    // Other buttons are not its own.
    listener.events.clear();
    press(CPoint(30, 18), VSTGUI::kRButton);
    release(CPoint(30, 18));
    EXPECT_TRUE(listener.events.empty());
}

TEST_F(KVSwitchTest, TellsItsDisplayWhileTheMouseIsOverItOrPressesIt) {
    std::vector<std::string> shown;
    view->setValueDisplay([&] {
        shown.push_back(view->showsValue() ? std::to_string(static_cast<int>(view->getValue()))
                                           : "rest");
    });
    view->setValue(1); // at rest: nothing to show
    EXPECT_TRUE(shown.empty());
    CPoint over(30, 18);
    frame->onMouseMoved(over, 0);
    view->setValue(0); // the host's automation, while hovered
    click(over);
    frame->platformOnMouseExited();
    EXPECT_EQ(shown, (std::vector<std::string>{"1", "0", "1", "rest"}));
    // A new label shows at once.
    shown.clear();
    view->setProperty("valueLabel", json("\"other\""));
    EXPECT_EQ(shown, (std::vector<std::string>{"rest"}));
    EXPECT_EQ(view->valueLabel.get(), "other");
}

TEST_F(KVSwitchTest, TheLampLightsAndGlowsOnlyWhileOn) {
    view->setProperty("lampOffColor", json("[255, 40, 40, 40]"));
    view->setProperty("lampOnColor", json("[255, 0, 255, 0]"));
    view->setProperty("glowColor", json("[255, 0, 255, 0]"));
    view->setProperty("lampRadius", json("3"));
    view->setProperty("glowRadius", json("6"));
    const auto drawnAt = [&](float value) {
        view->setValue(value);
        auto canvas = std::make_unique<Canvas>(60, 40);
        view->draw(canvas->drawContext());
        return canvas;
    };
    auto off = drawnAt(0);
    auto on = drawnAt(1);
    EXPECT_EQ(off->at(18, 18).GetValue(), 0xFF282828u);
    EXPECT_EQ(on->at(18, 18).GetValue(), 0xFF00FF00u);
    // Beside the lamp the glow shows only while on; far from it both are the plate.
    EXPECT_GT(on->at(22.5, 18).GetG(), off->at(22.5, 18).GetG() + 25);
    EXPECT_EQ(on->at(40, 18).GetValue(), off->at(40, 18).GetValue());
    // The plate covers its rectangle, and nothing is drawn outside the view's size, which is
    // what a repaint covers (GDI+ on Windows may spread the outline half a pixel beyond).
    EXPECT_EQ(view->getViewSize(), CRect(9, 9, 51, 27));
    EXPECT_NE(off->at(40, 18).GetValue(), Canvas::background);
    for (const auto& [x, y] :
         std::vector<std::pair<int, int>>{{8, 18}, {51, 18}, {30, 8}, {30, 27}})
        EXPECT_EQ(on->pixel(x, y).GetValue(), Canvas::background) << x << ", " << y;
}

} // namespace
} // namespace viewtest
