#include "viewtesting.h"

#include "editor/views/kvline.h"
#include "editor/views/kvrect.h"

#include "vstgui/lib/cdrawcontext.h"

#include <stdexcept>

namespace viewtest {
namespace {

using kelvane::vst::KVLine;
using kelvane::vst::KVRect;
using VSTGUI::CPoint;
using VSTGUI::CRect;

// Counts what reaches drawGdiplus, and the world transform it came with.
class ProbedRect : public KVRect {
public:
    void drawGdiplus(Gdiplus::Graphics* graphics) override {
        ++calls;
        Gdiplus::Matrix matrix;
        graphics->GetTransform(&matrix);
        matrix.GetElements(elements);
        KVRect::drawGdiplus(graphics);
    }
    int calls = 0;
    float elements[6] = {};
};

TEST(KVRect, BoundsAreTheRectangleGrownByFour) {
    auto view = VSTGUI::makeOwned<KVRect>();
    EXPECT_EQ(view->getViewSize(), CRect(-4, -4, 12, 12)) << describe(view->getViewSize());
    view->setProperty("rect", json("[10, 20, 110, 60]"));
    EXPECT_EQ(view->getViewSize(), CRect(6, 16, 114, 64)) << describe(view->getViewSize());
    // A size set from outside lasts until the next property change.
    view->setProperty("size", json("[0, 0, 100, 50]"));
    EXPECT_EQ(view->getViewSize(), CRect(0, 0, 100, 50));
    view->setProperty("topColor", json("[255, 1, 2, 3]"));
    EXPECT_EQ(view->getViewSize(), CRect(6, 16, 114, 64));
}

TEST(KVRect, SetPropertyFallsBackToTheViewAndKeepsTheViewOnErrors) {
    auto view = VSTGUI::makeOwned<KVRect>();
    view->setProperty("size", json("[0, 0, 100, 50]"));
    view->setDirty(false);
    view->setProperty("size", json("[0, 0, 100, 50]"));
    EXPECT_FALSE(view->isDirty());
    EXPECT_EQ(logicError([&] { view->setProperty("foo", json("3")); }),
              "setProperty foo 3 not found");
    EXPECT_THROW(view->setProperty("rect", json("[1, 2, 3]")), std::out_of_range);
    EXPECT_THROW(view->setProperty("bottomColor", json("\"red\"")), std::runtime_error);
    EXPECT_EQ(view->getViewSize(), CRect(0, 0, 100, 50));
    EXPECT_EQ(view->bottomColor.get().GetValue(), 0xFF282828u);
}

TEST(KVRect, PaintsOnlyThroughAGdiplusContextAndFromTheIdentity) {
    auto view = VSTGUI::makeOwned<ProbedRect>();
    VSTGUI::CDrawContext plain(CRect(0, 0, 40, 40));
    view->draw(&plain);
    VSTGUI::GdiplusDrawContext noGraphics(nullptr);
    view->draw(&noGraphics);
    EXPECT_EQ(view->calls, 0);

    Canvas canvas(40, 40);
    view->setProperty("rect", json("[10, 10, 30, 30]"));
    view->setProperty("topColor", json("[255, 255, 0, 0]"));
    view->setProperty("bottomColor", json("[255, 0, 255, 0]"));
    canvas.getGraphics().TranslateTransform(7, 3);
    view->setDirty(true);
    view->draw(canvas.drawContext());
    EXPECT_EQ(view->calls, 1);
    EXPECT_FALSE(view->isDirty());
    const float identity[6] = {1, 0, 0, 1, 0, 0};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(view->elements[i], identity[i]) << i;
    }
    // The context's own transform is back.
    Gdiplus::Matrix after;
    canvas.getGraphics().GetTransform(&after);
    float elements[6];
    after.GetElements(elements);
    EXPECT_EQ(elements[4], 7);

    const Gdiplus::Color top = canvas.pixel(20, 11);
    const Gdiplus::Color bottom = canvas.pixel(20, 28);
    EXPECT_GT(top.GetR(), 200);
    EXPECT_LT(top.GetG(), 50);
    EXPECT_GT(bottom.GetG(), 200);
    EXPECT_LT(bottom.GetR(), 50);
    EXPECT_EQ(canvas.pixel(20, 31).GetValue(), Canvas::background);
    EXPECT_EQ(canvas.pixel(9, 20).GetValue(), Canvas::background);
}

TEST(KVLine, BoundsAlwaysHoldTheOrigin) {
    auto view = VSTGUI::makeOwned<KVLine>(CPoint(50, 70));
    EXPECT_EQ(view->getViewSize(), CRect(-8, -8, 8, 8)) << describe(view->getViewSize());
    view->setProperty("path", json(R"([{"kind": "lines", "points": [[100, 100], [200, 150]]}])"));
    EXPECT_EQ(view->getViewSize(), CRect(-8, -8, 208, 158)) << describe(view->getViewSize());
    view->setProperty("path", json(R"([{"kind": "lines", "points": []},
        {"kind": "beziers", "points": [[-10, 5], [0, -20], [30, 5], [40, 2]]}])"));
    EXPECT_EQ(view->getViewSize(), CRect(-18, -28, 48, 13)) << describe(view->getViewSize());
}

TEST(KVLine, StrokesPolylinesAndBezierChainsAsOneFigure) {
    auto view = VSTGUI::makeOwned<KVLine>(CPoint(0, 0));
    view->setProperty("lineColor", json("[255, 255, 255, 255]"));
    view->setProperty("lineWidth", json("3"));
    // Down the left, then a Bézier chain from where the polyline ended across the bottom.
    view->setProperty("path", json(R"([{"kind": "lines", "points": [[10, 5], [10, 40]]},
        {"kind": "beziers", "points": [[40, 40], [50, 40], [60, 40], [70, 40]]}])"));
    Canvas canvas(80, 50);
    view->draw(canvas.drawContext());
    EXPECT_GT(canvas.pixel(10, 20).GetR(), 200);
    EXPECT_GT(canvas.pixel(60, 40).GetR(), 200);
    // No new figure between the pieces: the path runs on from (10, 40) to (40, 40).
    EXPECT_GT(canvas.pixel(25, 40).GetR(), 200);
    EXPECT_EQ(canvas.pixel(40, 20).GetValue(), Canvas::background);
}

} // namespace
} // namespace viewtest
