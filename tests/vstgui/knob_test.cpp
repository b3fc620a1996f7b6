#include "recorders.h"

#include "vstgui/lib/cframe.h"
#include "vstgui/lib/controls/cknob.h"

#include <gtest/gtest.h>

#include <string>

namespace VSTGUI {
namespace {

using test::Log;

// A 100 by 100 knob with tag 7 in a frame whose editor asks for linear mode; the mouse goes
// through the frame as a window delivers it.
struct KnobTest : ::testing::Test {
    KnobTest() {
        frame->addView(knob);
        knob->setValue(0.5f);
    }

    CMouseEventResult down(CPoint where, std::int32_t buttons = kLButton) {
        return frame->onMouseDown(where, buttons);
    }
    void move(CPoint where, std::int32_t buttons = kLButton) {
        frame->onMouseMoved(where, buttons);
    }
    void up(CPoint where) { frame->onMouseUp(where, kLButton); }

    Log log;
    test::RecordingListener listener{log};
    test::RecordingEditor editor{log};
    SharedPointer<CFrame> frame = makeOwned<CFrame>(CRect(0, 0, 300, 300), &editor);
    CKnob* knob = new CKnob(CRect(0, 0, 100, 100), &listener, 7, nullptr, nullptr);
};

TEST_F(KnobTest, ADragBracketsItsValuesInOneEditGestureSeenByListenerAndEditor) {
    EXPECT_EQ(down(CPoint(50, 50)), kMouseEventHandled);
    move(CPoint(50, 50)); // no movement, no value
    move(CPoint(70, 50));
    move(CPoint(70, 30));
    up(CPoint(70, 30));
    EXPECT_EQ(log, (Log{"listener begin 7", "editor begin 7", "value " + std::to_string(0.6f),
                        "value " + std::to_string(0.7f), "editor end 7", "listener end 7"}));
    // Nested brackets notify once.
    log.clear();
    knob->beginEdit();
    knob->beginEdit();
    knob->endEdit();
    knob->endEdit();
    knob->endEdit();
    EXPECT_EQ(log, (Log{"listener begin 7", "editor begin 7", "editor end 7", "listener end 7"}));
}

TEST_F(KnobTest, AGestureCutShortByRemovingTheKnobStillEndsBackAtItsStart) {
    knob->remember();
    down(CPoint(50, 50));
    move(CPoint(70, 50));
    log.clear();
    frame->removeAll();
    EXPECT_FALSE(knob->isEditing());
    EXPECT_FLOAT_EQ(knob->getValue(), 0.5f);
    EXPECT_EQ(log, (Log{"value " + std::to_string(0.5f), "editor end 7", "listener end 7"}));
    knob->forget();
}

TEST_F(KnobTest, LinearDragSweepsTheRangeIn200PixelsBoundedToTheRange) {
    down(CPoint(50, 50));
    move(CPoint(100, 50));
    EXPECT_FLOAT_EQ(knob->getValue(), 0.75f);
    move(CPoint(100, 0)); // up counts like right
    EXPECT_FLOAT_EQ(knob->getValue(), 1.f);
    move(CPoint(-300, 50));
    EXPECT_FLOAT_EQ(knob->getValue(), 0.f);
    up(CPoint(-300, 50));
    EXPECT_FLOAT_EQ(knob->getValueNormalized(), 0.f);
}

TEST_F(KnobTest, ShiftDividesTheRateByTheZoomFactorAndChangingItMidDragCarriesOn) {
    down(CPoint(50, 50), kLButton | kShift);
    move(CPoint(80, 50), kLButton | kShift);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.5f + 30.f / 300.f);
    // Released: the value goes on from where it is (the step that brought the news still at
    // the fine rate), then at the normal rate.
    move(CPoint(81, 50), kLButton);
    const double released = 0.5 + 31. / 300.;
    EXPECT_NEAR(knob->getValue(), released, 1e-6);
    move(CPoint(101, 50), kLButton);
    EXPECT_NEAR(knob->getValue(), released + 20. / 200., 1e-6);
    knob->setZoomFactor(10.f);
    move(CPoint(102, 50), kLButton | kShift);
    move(CPoint(152, 50), kLButton | kShift);
    EXPECT_NEAR(knob->getValue(), released + 21. / 200. + 50. / 2000., 1e-6);
    up(CPoint(152, 50));
}

TEST_F(KnobTest, CircularModesFollowTheAngleAroundTheCentre) {
    // Default sweep: from 7:30 clockwise over the top to 4:30.
    editor.knobMode = kCircularMode;
    down(CPoint(50, 0));
    EXPECT_FLOAT_EQ(knob->getValue(), 0.5f); // a click alone changes nothing
    move(CPoint(100, 50));                   // 3 o'clock
    EXPECT_NEAR(knob->getValue(), 0.5f + 1.f / 3.f, 1e-6);
    move(CPoint(50, 0)); // straight up: the middle
    EXPECT_NEAR(knob->getValue(), 0.5f, 1e-6);
    move(CPoint(0, 50));
    EXPECT_NEAR(knob->getValue(), 1.f / 6.f, 1e-6);
    move(CPoint(10, 100)); // into the dead zone below
    EXPECT_FLOAT_EQ(knob->getValue(), 0.f);
    up(CPoint(10, 100));

    // A half circle counter-clockwise from 3 o'clock: straight up is the middle again.
    knob->setStartAngle(0.f);
    knob->setRangeAngle(3.14159265f);
    knob->setValue(0.f);
    down(CPoint(60, 10));
    move(CPoint(50, 10));
    EXPECT_NEAR(knob->getValue(), 0.5f, 1e-6);
    up(CPoint(50, 10));

    // Relative: the value moves by the change of angle, not to it.
    editor.knobMode = kRelativCircularMode;
    knob->setValue(0.5f);
    down(CPoint(90, 50));           // 3 o'clock, the minimum of the half circle
    move(CPoint(85.3553, 14.6447)); // a quarter of the sweep on
    EXPECT_NEAR(knob->getValue(), 0.75f, 1e-4);
    up(CPoint(85.3553, 14.6447));

    // Alt turns a circular mode into linear.
    knob->setValue(0.5f);
    down(CPoint(50, 50), kLButton | kAlt);
    move(CPoint(70, 50), kLButton | kAlt);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.6f);
    up(CPoint(70, 50));
}

TEST_F(KnobTest, WheelStepsByTheIncrementAndATenthWithShift) {
    const CPoint over(50, 50);
    EXPECT_TRUE(frame->onWheel(over, kMouseWheelAxisY, 1.f, 0));
    EXPECT_FLOAT_EQ(knob->getValue(), 0.6f);
    frame->onWheel(over, kMouseWheelAxisY, -2.f, kShift);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.58f);
    knob->setWheelInc(0.25f);
    frame->onWheel(over, kMouseWheelAxisY, 3.f, 0);
    EXPECT_FLOAT_EQ(knob->getValue(), 1.f);
    // Each change is a gesture of its own; a turn that changes nothing is none.
    log.clear();
    frame->onWheel(over, kMouseWheelAxisY, 1.f, 0);
    frame->onWheel(over, kMouseWheelAxisY, -1.f, 0);
    EXPECT_EQ(log, (Log{"listener begin 7", "editor begin 7", "value " + std::to_string(0.75f),
                        "editor end 7", "listener end 7"}));
    EXPECT_FALSE(frame->onWheel(CPoint(150, 150), kMouseWheelAxisY, 1.f, 0));
}

TEST_F(KnobTest, ClicksOutsideTheMouseableAreaOrWithTheMouseDisabledAreNotHandled) {
    knob->setMouseableArea(CRect(25, 25, 75, 75));
    EXPECT_EQ(down(CPoint(10, 10)), kMouseEventNotHandled);
    EXPECT_EQ(down(CPoint(50, 50)), kMouseEventHandled);
    up(CPoint(50, 50));
    knob->setMouseEnabled(false);
    EXPECT_EQ(down(CPoint(50, 50)), kMouseEventNotHandled);
    EXPECT_EQ(log, (Log{"listener begin 7", "editor begin 7", "editor end 7", "listener end 7"}));
}

TEST_F(KnobTest, ModifierClicksGoToTheListenerFirstWhichMayTakeThem) {
    listener.modifierAnswer = 1;
    EXPECT_EQ(down(CPoint(50, 50), kRButton), kMouseEventHandled);
    EXPECT_EQ(log, (Log{"modifier 8"}));

    // Declined: the knob sees the click, and ignores a right click.
    listener.modifierAnswer = 0;
    log.clear();
    EXPECT_EQ(down(CPoint(50, 50), kRButton), kMouseEventNotHandled);
    EXPECT_EQ(log, (Log{"modifier 8"}));

    // A plain left click never asks.
    log.clear();
    down(CPoint(50, 50));
    up(CPoint(50, 50));
    EXPECT_EQ(log, (Log{"listener begin 7", "editor begin 7", "editor end 7", "listener end 7"}));

    // Control-click sets the default value in a gesture of its own.
    log.clear();
    knob->setValue(0.f);
    EXPECT_EQ(down(CPoint(50, 50), kLButton | kControl),
              kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.5f);
    EXPECT_EQ(log, (Log{"modifier " + std::to_string(kLButton | kControl), "listener begin 7",
                        "editor begin 7", "value " + std::to_string(0.5f), "editor end 7",
                        "listener end 7"}));
}

TEST(Control, ValuesAreBoundToTheRangeAndTagChangesAreAnnounced) {
    struct TagListener : IControlListener {
        void valueChanged(CControl*) override {}
        void controlTagWillChange(CControl* control) override { tags.push_back(control->getTag()); }
        void controlTagDidChange(CControl* control) override { tags.push_back(control->getTag()); }
        std::vector<std::int32_t> tags;
    } listener;
    auto control = makeOwned<CControl>(CRect(0, 0, 10, 10), &listener, 1);
    control->setValue(2.f);
    EXPECT_FLOAT_EQ(control->getValue(), 1.f);
    control->setValue(-1.f);
    EXPECT_FLOAT_EQ(control->getValue(), 0.f);
    control->setMin(-1.f);
    control->setValueNormalized(0.75f);
    EXPECT_FLOAT_EQ(control->getValue(), 0.5f);
    EXPECT_FLOAT_EQ(control->getValueNormalized(), 0.75f);
    control->setTag(4);
    EXPECT_EQ(listener.tags, (std::vector<std::int32_t>{1, 4}));
    // An end without a begin is ignored, and tells nobody.
    control->endEdit();
    EXPECT_FALSE(control->isEditing());
}

TEST_F(KnobTest, ADoubleClickResetsToTheDefaultAsOneGesture) {
    knob->setDefaultValue(0.25f);
    EXPECT_EQ(down(CPoint(50, 50), kLButton | kDoubleClick),
              kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    move(CPoint(50, 10)); // no drag follows
    up(CPoint(50, 10));
    EXPECT_EQ(log, (Log{"listener begin 7", "editor begin 7", "value " + std::to_string(0.25f),
                        "editor end 7", "listener end 7"}));
    // At the default already: a gesture without a value; a right double click is no reset.
    log.clear();
    down(CPoint(50, 50), kLButton | kDoubleClick);
    EXPECT_EQ(log, (Log{"listener begin 7", "editor begin 7", "editor end 7", "listener end 7"}));
    knob->setValue(0.5f);
    log.clear();
    down(CPoint(50, 50), kRButton | kDoubleClick);
    EXPECT_EQ(knob->getValue(), 0.5f);
}

} // namespace
} // namespace VSTGUI
