#include "recorders.h"

#include "vstgui/lib/cbitmap.h"
#include "vstgui/lib/cdrawcontext.h"
#include "vstgui/lib/cframe.h"
#include "vstgui/lib/cview.h"

#include <gtest/gtest.h>
#include <picojson.h>

#include <stdexcept>
#include <string>

namespace VSTGUI {
namespace {

picojson::value json(const std::string& text) {
    picojson::value value;
    const std::string error = picojson::parse(value, text);
    EXPECT_TRUE(error.empty()) << error;
    return value;
}

// A view in a frame whose window records what it paints.
struct SizeTest : ::testing::Test {
    SizeTest() {
        frame->addView(view);
        auto platform = std::make_unique<test::RecordingPlatformFrame>();
        window = platform.get();
        window->frame = frame.get();
        frame->attachPlatformFrame(std::move(platform));
        frame->idle();
        window->invalidated.clear();
    }

    std::vector<CRect> repainted() {
        window->invalidated.clear();
        frame->idle();
        return window->invalidated;
    }

    SharedPointer<CFrame> frame = makeOwned<CFrame>(CRect(0, 0, 200, 100), nullptr);
    CView* view = new CView(CRect(10, 10, 20, 20));
    test::RecordingPlatformFrame* window = nullptr;
};

TEST_F(SizeTest, SizeSetsTheRectangleAndRepaintsOldAndNewAreas) {
    view->setProperty("size", json("[40, 50, 60, 70, 99]"));
    EXPECT_EQ(view->getViewSize(), CRect(40, 50, 60, 70));
    const auto areas = repainted();
    ASSERT_EQ(areas.size(), 2u);
    EXPECT_EQ(areas[0], CRect(10, 10, 20, 20));
    EXPECT_EQ(areas[1], CRect(40, 50, 60, 70));

    // The same size again changes nothing and repaints nothing.
    view->setProperty("size", json("[40, 50, 60, 70]"));
    EXPECT_TRUE(repainted().empty());
}

TEST_F(SizeTest, BadSizesThrowAndLeaveTheViewAsItWas) {
    EXPECT_THROW(
        {
            try {
                view->setProperty("size", json("[1, 2, 3]"));
            } catch (const std::out_of_range& error) {
                EXPECT_STREQ(error.what(), "invalid vector<T> subscript");
                throw;
            }
        },
        std::out_of_range);
    EXPECT_THROW(view->setProperty("size", json("{\"left\": 1}")), std::runtime_error);
    EXPECT_THROW(view->setProperty("size", json("[1, 2, \"3\", 4]")), std::runtime_error);
    // A wrong type is reported before a short array, element by element.
    EXPECT_THROW(view->setProperty("size", json("[\"1\"]")), std::runtime_error);
    EXPECT_EQ(view->getViewSize(), CRect(10, 10, 20, 20));
    EXPECT_TRUE(repainted().empty());
}

TEST_F(SizeTest, AnyOtherNameIsALogicErrorNamingTheCompactValue) {
    const auto message = [&](const std::string& name, const std::string& value) {
        try {
            view->setProperty(name, json(value));
        } catch (const std::logic_error& error) {
            return std::string(error.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message("foo", "3"), "setProperty foo 3 not found");
    EXPECT_EQ(message("Size", "[ 1, 2 ,3,4 ]"), "setProperty Size [1,2,3,4] not found");
    EXPECT_EQ(message("text", "{\"a\": \"b\"}"), "setProperty text {\"a\":\"b\"} not found");
}

// Records the bitmaps it is asked to draw.
struct RecordingContext : CDrawContext {
    void drawBitmap(CBitmap* bitmap, const CRect& dest, const CPoint& offset, float) override {
        drawn.push_back(bitmap);
        rects.push_back(dest);
        offsets.push_back(offset);
    }
    std::vector<CBitmap*> drawn;
    std::vector<CRect> rects;
    std::vector<CPoint> offsets;
};

TEST(View, DrawsTheDisabledBackgroundWhileTheMouseIsDisabledAndKeepsBitmapsAlive) {
    auto normal = makeOwned<CBitmap>(nullptr);
    auto disabled = makeOwned<CBitmap>(nullptr);
    auto view = makeOwned<CView>(CRect(1, 2, 3, 4));
    RecordingContext context;
    view->draw(&context); // no bitmap: nothing drawn
    EXPECT_TRUE(context.drawn.empty());

    view->setBackground(normal.get());
    view->setDisabledBackground(disabled.get());
    EXPECT_EQ(normal->getNbReference(), 2);
    view->draw(&context);
    view->setMouseEnabled(false);
    EXPECT_TRUE(view->isDirty());
    view->draw(&context);
    EXPECT_FALSE(view->isDirty());
    EXPECT_EQ(context.drawn, (std::vector<CBitmap*>{normal.get(), disabled.get()}));
    EXPECT_EQ(context.rects[0], CRect(1, 2, 3, 4));

    view->setBackground(nullptr);
    EXPECT_EQ(normal->getNbReference(), 1);
    view = SharedPointer<CView>();
    EXPECT_EQ(disabled->getNbReference(), 1);
}

} // namespace
} // namespace VSTGUI
