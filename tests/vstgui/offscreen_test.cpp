#include "vstgui/gdiplusglobals.h"
#include "vstgui/lib/cbitmap.h"
#include "vstgui/lib/cframe.h"
#include "vstgui/lib/controls/cknob.h"
#include "vstgui/lib/gdiplusdrawcontext.h"
#include "vstgui/lib/offscreenframe.h"

#include "gdiplus/gdiplus.h"

#include <gtest/gtest.h>

#include <memory>

namespace VSTGUI {
namespace {

constexpr std::uint32_t grey = 0xFF7F7F7F;
constexpr std::uint32_t red = 0xFFFF0000;
constexpr std::uint32_t blue = 0xFF0000FF;
constexpr std::uint32_t green = 0xFF00FF00;

// Fills its size with GDI+ directly, as the editor's own views do.
class PaintView : public CView {
public:
    using CView::CView;
    void draw(CDrawContext* context) override {
        ++draws;
        auto* gdiplus = dynamic_cast<GdiplusDrawContext*>(context);
        ASSERT_NE(gdiplus, nullptr);
        ASSERT_NE(gdiplus->getGraphics(), nullptr);
        const CRect& size = getViewSize();
        Gdiplus::SolidBrush brush{Gdiplus::Color(color)};
        gdiplus->getGraphics()->FillRectangle(
            &brush, static_cast<INT>(size.left), static_cast<INT>(size.top),
            static_cast<INT>(size.getWidth()), static_cast<INT>(size.getHeight()));
        CView::draw(context);
    }
    Gdiplus::ARGB color = red;
    int draws = 0;
};

struct OffscreenTest : ::testing::Test {
    OffscreenTest() {
        frame->setBackgroundColor(CColor(127, 127, 127));
        frame->addView(painted);
        frame->addView(other);
        offscreen = OffscreenFrame::attach(frame.get());
    }

    struct GdiplusRunning {
        GdiplusRunning() { GDIPlusGlobals::enter(); }
        ~GdiplusRunning() { GDIPlusGlobals::exit(); }
    } gdiplus;
    SharedPointer<CFrame> frame = makeOwned<CFrame>(CRect(0, 0, 40, 30), nullptr);
    PaintView* painted = new PaintView(CRect(10, 5, 20, 15));
    PaintView* other = new PaintView(CRect(30, 20, 35, 25));
    OffscreenFrame* offscreen = nullptr;
};

TEST_F(OffscreenTest, DrawsBackgroundAndViewsIntoAFrameSizedBitmap) {
    ASSERT_NE(offscreen, nullptr);
    EXPECT_EQ(OffscreenFrame::attach(frame.get()), nullptr); // one platform frame only
    ASSERT_EQ(offscreen->getWidth(), 40);
    ASSERT_EQ(offscreen->getHeight(), 30);
    EXPECT_EQ(offscreen->getPixel(0, 0), 0u); // transparent before the first paint
    offscreen->drawAll();
    EXPECT_EQ(offscreen->getPixel(0, 0), grey);
    EXPECT_EQ(offscreen->getPixel(39, 29), grey);
    EXPECT_EQ(offscreen->getPixel(10, 5), red);
    EXPECT_EQ(offscreen->getPixel(19, 14), red);
    EXPECT_EQ(offscreen->getPixel(20, 10), grey);
    EXPECT_EQ(offscreen->getPixel(15, 15), grey);
    EXPECT_EQ(offscreen->getPixel(40, 0), 0u); // outside
    EXPECT_FALSE(painted->isDirty());
}

TEST_F(OffscreenTest, IdleRepaintsOnlyTheDirtyViewOnFreshBackground) {
    frame->idle(); // what adding the views left to paint
    const int otherDraws = other->draws;
    offscreen->clearPaintedRects();

    painted->color = blue;
    painted->setDirty();
    frame->idle();
    EXPECT_EQ(offscreen->getPaintedRects(), std::vector<CRect>{CRect(10, 5, 20, 15)});
    EXPECT_EQ(offscreen->getPixel(15, 10), blue);
    EXPECT_EQ(other->draws, otherDraws);

    // Moved away: the old place shows background again.
    painted->setViewSize(CRect(0, 0, 5, 5));
    frame->idle();
    EXPECT_EQ(offscreen->getPixel(15, 10), grey);
    EXPECT_EQ(offscreen->getPixel(2, 2), blue);
    offscreen->clearPaintedRects();
    frame->idle();
    EXPECT_TRUE(offscreen->getPaintedRects().empty());
}

TEST_F(OffscreenTest, APartialPaintRepaintsTouchedViewsWholeOnFreshBackground) {
    // Translucent: painting it twice over itself, without the background between, would show.
    painted->color = 0x80FF0000;
    offscreen->drawAll();
    const std::uint32_t once = offscreen->getPixel(18, 13);
    EXPECT_NE(once, grey);
    offscreen->invalidRect(CRect(10, 5, 12, 7)); // as a window asks for a corner of it
    EXPECT_EQ(offscreen->getPixel(18, 13), once);
    EXPECT_EQ(offscreen->getPixel(11, 6), once);
}

TEST_F(OffscreenTest, BackgroundBitmapsDrawThroughTheGdiplusContext) {
    // The pixel format is a macro in Windows' headers and a constant of the namespace in ours.
    using namespace Gdiplus;
    auto image = std::make_shared<Bitmap>(4, 4, PixelFormat32bppPARGB);
    {
        Graphics graphics(image.get());
        graphics.Clear(Color(green));
    }
    auto bitmap = makeOwned<CBitmap>(image);
    EXPECT_EQ(bitmap->getSize(), CPoint(4, 4));
    auto* view = new CView(CRect(2, 20, 6, 24));
    view->setBackground(bitmap.get());
    frame->addView(view);
    offscreen->drawAll();
    EXPECT_EQ(offscreen->getPixel(2, 20), green);
    EXPECT_EQ(offscreen->getPixel(5, 23), green);
    EXPECT_EQ(offscreen->getPixel(6, 23), grey);
}

TEST_F(OffscreenTest, SimulatedMouseReachesTheViewUnderItAndSetsTheMouseLocation) {
    auto* knob = new CKnob(CRect(0, 0, 10, 10), nullptr, 1, nullptr, nullptr);
    frame->addView(knob);
    CPoint where;
    EXPECT_FALSE(frame->getCurrentMouseLocation(where));

    // No editor: the frame's knob mode is circular. From straight up to 3 o'clock.
    EXPECT_EQ(offscreen->mouseDown(CPoint(5, 0), kLButton), kMouseEventHandled);
    offscreen->mouseMoved(CPoint(10, 5), kLButton);
    EXPECT_EQ(offscreen->mouseUp(CPoint(10, 5), kLButton), kMouseEventHandled);
    EXPECT_NEAR(knob->getValue(), 0.5f + 1.f / 3.f, 1e-6);
    ASSERT_TRUE(frame->getCurrentMouseLocation(where));
    EXPECT_EQ(where, CPoint(10, 5));

    EXPECT_TRUE(offscreen->mouseWheel(CPoint(5, 5), -1.f));
    EXPECT_NEAR(knob->getValue(), 0.5f + 1.f / 3.f - 0.1f, 1e-6);
    EXPECT_EQ(offscreen->mouseDown(CPoint(25, 25), kLButton), kMouseEventNotHandled);

    offscreen->setMouseLocation(CPoint(7, 8));
    ASSERT_TRUE(frame->getCurrentMouseLocation(where));
    EXPECT_EQ(where, CPoint(7, 8));
    offscreen->clearMouseLocation();
    EXPECT_FALSE(frame->getCurrentMouseLocation(where));
}

} // namespace
} // namespace VSTGUI
