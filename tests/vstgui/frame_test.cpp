#include "recorders.h"

#include "vstgui/lib/cframe.h"
#include "vstgui/lib/cvstguitimer.h"
#include "vstgui/lib/platform/iplatformfactory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace VSTGUI {
namespace {

using test::CountingView;
using test::RecordingPlatformFrame;

// A view that logs the mouse coming and going, and follows drags.
class HoverView : public CView {
public:
    HoverView(const CRect& size, std::vector<std::string>& events, const char* viewName)
        : CView(size), log(events), name(viewName) {}
    CMouseEventResult onMouseEntered(CPoint&, const CButtonState&) override {
        log.push_back(name + " entered");
        return kMouseEventHandled;
    }
    CMouseEventResult onMouseExited(CPoint&, const CButtonState&) override {
        log.push_back(name + " exited");
        return kMouseEventHandled;
    }
    CMouseEventResult onMouseDown(CPoint&, const CButtonState&) override {
        return kMouseEventHandled;
    }
    CMouseEventResult onMouseUp(CPoint&, const CButtonState&) override {
        log.push_back(name + " up");
        return kMouseEventHandled;
    }

private:
    std::vector<std::string>& log;
    std::string name;
};

struct FrameTest : ::testing::Test {
    FrameTest() {
        auto platform = std::make_unique<RecordingPlatformFrame>();
        window = platform.get();
        window->frame = frame.get();
        frame->attachPlatformFrame(std::move(platform));
    }

    // Runs an idle pass and answers the areas it had painted.
    std::vector<CRect> idle() {
        window->invalidated.clear();
        frame->idle();
        return window->invalidated;
    }

    SharedPointer<CFrame> frame = makeOwned<CFrame>(CRect(0, 0, 200, 100), nullptr);
    RecordingPlatformFrame* window = nullptr;
};

TEST_F(FrameTest, OwnsItsViewsByReferenceCount) {
    auto* kept = new CountingView(CRect(0, 0, 10, 10));
    kept->remember(); // a second owner besides the frame
    auto* dropped = new CountingView(CRect(0, 0, 10, 10));
    ASSERT_TRUE(frame->addView(kept));
    ASSERT_TRUE(frame->addView(dropped));
    EXPECT_EQ(kept->getNbReference(), 2);
    EXPECT_EQ(kept->getFrame(), frame.get());

    // Refused: a view that already has a parent, and none at all.
    EXPECT_FALSE(frame->addView(kept));
    EXPECT_FALSE(frame->addView(nullptr));

    auto* taken = new CountingView(CRect(0, 0, 10, 10));
    frame->addView(taken);
    ASSERT_TRUE(frame->removeView(taken, false));
    EXPECT_EQ(taken->getNbReference(), 1);
    EXPECT_FALSE(taken->isAttached());
    taken->forget();

    frame->removeAll();
    EXPECT_EQ(frame->getNbViews(), 0u);
    EXPECT_EQ(kept->getNbReference(), 1);
    EXPECT_EQ(kept->getFrame(), nullptr);
    kept->forget();
}

TEST_F(FrameTest, GetViewAtAnswersTheTopmostChildHoldingThePoint) {
    auto* below = new CView(CRect(0, 0, 100, 100));
    auto* above = new CView(CRect(50, 50, 80, 80));
    frame->addView(below);
    frame->addView(above);
    EXPECT_EQ(frame->getViewAt(CPoint(60, 60)), above);
    EXPECT_EQ(frame->getViewAt(CPoint(80, 60)), below); // right edge is outside
    EXPECT_EQ(frame->getViewAt(CPoint(10, 10)), below);
    EXPECT_EQ(frame->getViewAt(CPoint(150, 10)), nullptr);
    EXPECT_EQ(frame->getView(0), below);
    EXPECT_EQ(frame->getView(2), nullptr);
}

TEST_F(FrameTest, IdlePaintsOnlyWhatIsDirtyOnWholePixels) {
    auto* left = new CountingView(CRect(10, 10, 30, 30));
    auto* overlapping = new CountingView(CRect(25, 25, 50.5, 40));
    auto* far = new CountingView(CRect(150, 10, 170, 30));
    frame->addView(left);
    frame->addView(overlapping);
    frame->addView(far);
    idle();
    EXPECT_TRUE(idle().empty()); // nothing left to paint

    far->setDirty();
    EXPECT_EQ(idle(), std::vector<CRect>{CRect(150, 10, 170, 30)});
    EXPECT_TRUE(idle().empty());

    // An area is painted as it is, on whole pixels: on a surface that clips, the views draw
    // clipped to it. This one cannot: every view the area touches is drawn whole, and the
    // views those touch.
    const int leftDraws = left->draws;
    const int overlappingDraws = overlapping->draws;
    const int farDraws = far->draws;
    frame->invalidRect(CRect(12.5, 12, 14, 13.2));
    EXPECT_EQ(idle(), std::vector<CRect>{CRect(12, 12, 14, 14)});
    EXPECT_EQ(left->draws, leftDraws + 1);
    EXPECT_EQ(overlapping->draws, overlappingDraws + 1);
    EXPECT_EQ(far->draws, farDraws);

    // Two dirty areas that do not touch are painted apart.
    left->invalid();
    far->invalid();
    auto areas = idle();
    ASSERT_EQ(areas.size(), 2u);
    EXPECT_NE(std::find(areas.begin(), areas.end(), CRect(150, 10, 170, 30)), areas.end());

    // A size change repaints the old and the new place.
    far->setViewSize(CRect(150, 60, 170, 80));
    EXPECT_EQ(idle().size(), 2u);
}

TEST_F(FrameTest, AtAZoomTheWindowWorksInDevicePixels) {
    auto* view = new CountingView(CRect(10, 10, 30, 30));
    frame->addView(view);
    idle();
    EXPECT_FALSE(frame->setZoom(0.5));
    EXPECT_FALSE(frame->setZoom(4.5));
    ASSERT_TRUE(frame->setZoom(1.5));
    EXPECT_EQ(frame->getZoom(), 1.5);
    ASSERT_FALSE(window->sizes.empty());
    EXPECT_EQ(window->sizes.back(), CRect(0, 0, 300, 150));
    EXPECT_EQ(frame->getViewSize(), CRect(0, 0, 200, 100));
    EXPECT_EQ(idle(), std::vector<CRect>{CRect(0, 0, 300, 150)}); // all of it, once
    EXPECT_TRUE(idle().empty());

    view->invalid();
    EXPECT_EQ(idle(), std::vector<CRect>{CRect(15, 15, 45, 45)});
    // Whole device pixels: 1.65 to 3 becomes 1 to 3.
    frame->invalidRect(CRect(1.1, 1.1, 2, 2));
    EXPECT_EQ(idle(), std::vector<CRect>{CRect(1, 1, 3, 3)});

    window->mouse = CPoint(30, 45);
    CPoint where;
    ASSERT_TRUE(frame->getCurrentMouseLocation(where));
    EXPECT_EQ(where, CPoint(20, 30));
    // The frame's own size changes reach the window scaled.
    frame->setSize(100, 50);
    EXPECT_EQ(window->sizes.back(), CRect(0, 0, 150, 75));
}

TEST_F(FrameTest, InvalidMarksEverythingDirtyAndIdleHandsOutTheWholeFrame) {
    auto* view = new CountingView(CRect(10, 10, 30, 30));
    frame->addView(view);
    idle();
    frame->invalid();
    EXPECT_TRUE(view->isDirty());
    EXPECT_EQ(idle(), std::vector<CRect>{CRect(0, 0, 200, 100)});
}

TEST_F(FrameTest, AsksTheWindowForTheMouseAndTheEditorForTheKnobMode) {
    CPoint where;
    EXPECT_FALSE(frame->getCurrentMouseLocation(where));
    window->mouse = CPoint(12, 34);
    ASSERT_TRUE(frame->getCurrentMouseLocation(where));
    EXPECT_EQ(where, CPoint(12, 34));

    EXPECT_EQ(frame->getKnobMode(), kCircularMode); // no editor
    test::Log log;
    test::RecordingEditor editor(log);
    editor.knobMode = kRelativCircularMode;
    auto withEditor = makeOwned<CFrame>(CRect(0, 0, 10, 10), &editor);
    EXPECT_EQ(withEditor->getKnobMode(), kRelativCircularMode);
    withEditor->beginEdit(3);
    withEditor->endEdit(3);
    EXPECT_EQ(log, (test::Log{"editor begin 3", "editor end 3"}));
    // Nor does a frame without a window know the mouse, or paint.
    EXPECT_FALSE(withEditor->getCurrentMouseLocation(where));
    withEditor->idle();
}

// A timer that fires when the test says.
class FakeTimer : public IPlatformTimer {
public:
    explicit FakeTimer(IPlatformTimerCallback* target) : callback(target) {}
    bool start(std::uint32_t period) override {
        started = period;
        return true;
    }
    bool stop() override { return true; }
    IPlatformTimerCallback* callback;
    std::uint32_t started = 0;
};

// Makes recording windows and fake timers, or nothing while not available.
class FakeFactory : public IPlatformFactory {
public:
    std::unique_ptr<IPlatformFrame> createFrame(IPlatformFrameCallback*, const CRect&, void* parent,
                                                PlatformType,
                                                IPlatformFrameConfig*) const override {
        if (parent == nullptr || !available)
            return nullptr;
        return std::make_unique<RecordingPlatformFrame>();
    }
    std::unique_ptr<IPlatformTimer> createTimer(IPlatformTimerCallback* callback) const override {
        if (!available)
            return nullptr;
        auto timer = std::make_unique<FakeTimer>(callback);
        *lastTimer = timer.get();
        return timer;
    }
    bool available = true;
    FakeTimer** lastTimer;
};

struct Target : CBaseObject {
    CMessageResult notify(CBaseObject*, IdStringPtr message) override {
        messages.push_back(message);
        return kMessageNotified;
    }
    std::vector<IdStringPtr> messages;
};

TEST(PlatformFactory, FramesOpenAndTimersRunOnlyWhereTheWindowSystemMakesThem) {
    FakeTimer* fake = nullptr;
    auto factory = std::make_unique<FakeFactory>();
    factory->lastTimer = &fake;
    auto* windowSystem = factory.get();
    setPlatformFactory(std::move(factory));
    struct Uninstall {
        ~Uninstall() { setPlatformFactory(nullptr); }
    } uninstall;

    windowSystem->available = false;
    auto frame = makeOwned<CFrame>(CRect(0, 0, 10, 10), nullptr);
    int parent = 0;
    EXPECT_FALSE(frame->open(&parent));
    auto target = makeOwned<Target>();
    auto timer = makeOwned<CVSTGUITimer>(target.get(), 50);
    EXPECT_FALSE(timer->start());

    windowSystem->available = true;
    EXPECT_FALSE(frame->open(nullptr));
    EXPECT_TRUE(frame->open(&parent));
    EXPECT_NE(frame->getPlatformFrame(), nullptr);
    EXPECT_FALSE(frame->open(&parent)); // open already

    ASSERT_TRUE(timer->start());
    ASSERT_NE(fake, nullptr);
    EXPECT_EQ(fake->started, 50u);
    fake->callback->fire();
    ASSERT_EQ(target->messages.size(), 1u);
    EXPECT_EQ(target->messages[0], CVSTGUITimer::kMsgTimer);
    EXPECT_TRUE(timer->stop());
    EXPECT_FALSE(timer->isRunning());

    int calls = 0;
    auto callbackTimer = makeOwned<CVSTGUITimer>([&](CVSTGUITimer*) { ++calls; }, 20);
    EXPECT_TRUE(callbackTimer->isRunning()); // starts at once by default
    fake->callback->fire();
    EXPECT_EQ(calls, 1);
}

TEST_F(FrameTest, TheViewUnderTheMouseHearsItComeAndGoButNotDuringADrag) {
    std::vector<std::string> log;
    auto* low = new HoverView(CRect(0, 0, 100, 100), log, "low");
    auto* high = new HoverView(CRect(50, 0, 150, 100), log, "high");
    frame->addView(low);
    frame->addView(high);
    CPoint where(10, 10);
    frame->platformOnMouseMoved(where, 0);
    where = CPoint(20, 10);
    frame->platformOnMouseMoved(where, 0); // still the same view: nothing new
    where = CPoint(60, 10);
    frame->platformOnMouseMoved(where, 0); // the topmost of the two
    EXPECT_EQ(frame->getMouseOverView(), high);
    EXPECT_EQ(log, (std::vector<std::string>{"low entered", "low exited", "high entered"}));

    // A drag out of the view keeps it under the mouse until the release.
    log.clear();
    frame->platformOnMouseDown(where, kLButton);
    where = CPoint(10, 10);
    frame->platformOnMouseMoved(where, kLButton);
    frame->platformOnMouseExited();
    EXPECT_TRUE(log.empty());
    where = CPoint(180, 90);
    frame->platformOnMouseUp(where, kLButton);
    EXPECT_EQ(log, (std::vector<std::string>{"high up", "high exited"}));
    EXPECT_EQ(frame->getMouseOverView(), nullptr);

    // Leaving the window, and removing the view under the mouse, end the hover.
    log.clear();
    where = CPoint(10, 10);
    frame->platformOnMouseMoved(where, 0);
    frame->platformOnMouseExited();
    frame->platformOnMouseMoved(where, 0);
    low->remember();
    frame->removeView(low);
    EXPECT_EQ(log,
              (std::vector<std::string>{"low entered", "low exited", "low entered", "low exited"}));
    EXPECT_EQ(frame->getMouseOverView(), nullptr);
    EXPECT_EQ(low->getNbReference(), 1);
    low->forget();
}

} // namespace
} // namespace VSTGUI
