#include "viewtesting.h"

#include "editor/resources/stores.h"
#include "editor/views/kvtext.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace viewtest {
namespace {

using kelvane::vst::KVText;
using VSTGUI::CPoint;
using VSTGUI::CRect;

class KVTextTest : public testing::Test {
protected:
    VSTGUI::SharedPointer<KVText> text(const std::string& content, const CPoint& anchor) {
        auto view = VSTGUI::makeOwned<KVText>(anchor, cache.get());
        view->setProperty("text", json("\"" + content + "\""));
        return view;
    }

    // The centres of the runs of columns of row band [top, bottom) that differ from the
    // background.
    static std::vector<double> inkRuns(Canvas& canvas, int width, int top, int bottom) {
        std::vector<double> centres;
        int start = -1;
        for (int x = 0; x <= width; ++x) {
            bool ink = false;
            for (int y = top; x < width && y < bottom && !ink; ++y) {
                ink = canvas.pixel(x, y).GetValue() != Canvas::background;
            }
            if (ink && start < 0) {
                start = x;
            } else if (!ink && start >= 0) {
                centres.push_back((start + x - 1) / 2.0);
                start = -1;
            }
        }
        return centres;
    }

    // The editor's own resources: the default font is the embedded one on every platform.
    std::unique_ptr<kelvane::vst::ResourceCache> cache =
        std::make_unique<kelvane::vst::ResourceCache>(tivrandel::editorResources());
};

TEST_F(KVTextTest, AlignmentsPlaceTheMeasuredBoxAroundTheAnchor) {
    auto view = text("Tivrandel", CPoint(50, 20));
    view->setProperty("horizontalAlignment", json("\"near\""));
    view->setProperty("verticalAlignment", json("\"near\""));
    const CRect nearBox = view->getViewSize();
    const double w = nearBox.getWidth();
    const double h = nearBox.getHeight();
    ASSERT_GT(w, 20);
    ASSERT_GT(h, 5);
    EXPECT_EQ(nearBox.getTopLeft(), CPoint(50, 20));

    view->setProperty("horizontalAlignment", json("\"center\""));
    view->setProperty("verticalAlignment", json("\"center\""));
    EXPECT_EQ(view->getViewSize(), CRect(50 - w / 2, 20 - h / 2, 50 + w / 2, 20 + h / 2))
        << describe(view->getViewSize());
    view->setProperty("horizontalAlignment", json("\"far\""));
    view->setProperty("verticalAlignment", json("\"far\""));
    EXPECT_EQ(view->getViewSize(), CRect(50 - w, 20 - h, 50, 20)) << describe(view->getViewSize());
    view->setProperty("position", json("[0, 0]"));
    EXPECT_EQ(view->getViewSize(), CRect(-w, -h, 0, 0));

    // A larger font measures larger; an empty text measures nothing.
    view->setProperty("fontSize", json("18"));
    EXPECT_GT(view->getViewSize().getWidth(), 1.5 * w);
    view->setProperty("text", json("\"\""));
    EXPECT_EQ(view->getViewSize().getWidth(), 0);
}

TEST_F(KVTextTest, PitchPlacesEveryCharacterByItselfAlignedAsARow) {
    Canvas canvas(200, 40);
    auto view = text("HHH", CPoint(100, 20));
    view->setProperty("textColor", json("[255, 255, 255, 255]"));
    view->setProperty("pitch", json("10"));
    view->draw(canvas.drawContext());
    const std::vector<double> runs = inkRuns(canvas, 200, 0, 40);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_NEAR(runs[1] - runs[0], 10, 1);
    EXPECT_NEAR(runs[2] - runs[1], 10, 1);
    // The middle one on the anchor (Wine's GDI+ shifts centred text by its left padding).
    EXPECT_NEAR(runs[1], 100, 3);

    // The width estimated for n bytes is that of "a" plus n - 1 advances of "b" after "a",
    // whatever the characters are.
    const auto width = [&](const std::string& content) {
        auto row = text(content, CPoint(100, 20));
        row->setProperty("pitch", json("10"));
        return row->getViewSize().getWidth();
    };
    const double one = width("W");
    const double two = width("ii");
    EXPECT_NEAR(width("WWWWW") - two, 3 * (two - one), 1e-3);
    EXPECT_EQ(width("iiiii"), width("WWWWW"));
    EXPECT_GT(two, one);
}

TEST_F(KVTextTest, DrawsInTheColourOfTheLastChangeAndKeepsBoundsOnBadText) {
    Canvas canvas(100, 40);
    auto view = text("HHHH", CPoint(50, 20));
    view->setProperty("fontSize", json("20"));
    view->setProperty("textColor", json("[255, 255, 0, 0]"));
    view->draw(canvas.drawContext());
    std::vector<double> runs = inkRuns(canvas, 100, 19, 21);
    ASSERT_FALSE(runs.empty());
    view->setProperty("textColor", json("[255, 0, 255, 0]"));
    view->draw(canvas.drawContext());
    bool green = false;
    for (int x = 0; x < 100; ++x) {
        const Gdiplus::Color pixel = canvas.pixel(x, 20);
        EXPECT_LT(pixel.GetR(), 128) << x;
        green = green || pixel.GetG() > 200;
    }
    EXPECT_TRUE(green);

    const CRect before = view->getViewSize();
    // The JSON string is valid UTF-8; invalid bytes only come from the raw layout text.
    picojson::value invalid(std::string("\xC3("));
    EXPECT_THROW(view->setProperty("text", invalid), std::range_error);
    EXPECT_EQ(view->text.get(), "\xC3(");
    EXPECT_EQ(view->getViewSize(), before);
}

TEST_F(KVTextTest, UnknownFontNamesFallBackToTheGenericFamily) {
    auto view = text("Tivrandel", CPoint(0, 0));
    const double width = view->getViewSize().getWidth();
    ASSERT_GT(width, 0);
    view->setProperty("fontName", json("\"No Such Family Anywhere\""));
    EXPECT_GT(view->getViewSize().getWidth(), 0);
    view->setProperty("fontSize", json("-1"));
    EXPECT_EQ(view->getViewSize().getWidth(), 0);
}

TEST_F(KVTextTest, KeepsItsSizeAtAnyResolutionOfTheSurface) {
    auto view = text("OFF Level 0.8 ms", CPoint(60, 20));
    view->setProperty("fontSize", json("11"));
    const CRect bounds = view->getViewSize();
    Canvas at96(120, 40, 96);
    Canvas at144(120, 40, 144);
    view->draw(at96.drawContext());
    view->draw(at144.drawContext());
    int inked = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 120; ++x) {
            ASSERT_EQ(at96.pixel(x, y).GetValue(), at144.pixel(x, y).GetValue()) << x << ", " << y;
            inked += at96.pixel(x, y).GetValue() != Canvas::background ? 1 : 0;
        }
    }
    EXPECT_GT(inked, 50);
    // 11 points are 14.67 pixels at 96 dpi: the box is about that high plus line gap.
    EXPECT_GT(bounds.getHeight(), 14.67);
    EXPECT_LT(bounds.getHeight(), 14.67 * 1.4);
}

TEST_F(KVTextTest, ShowsAStandInTextInItsPlaceAndStyleUntilItsOwnReturns) {
    auto view = text("CAPTION", CPoint(60, 20));
    view->setProperty("textColor", json("[255, 255, 0, 0]"));
    const CRect own = view->getViewSize();
    Canvas before(120, 40);
    view->draw(before.drawContext());

    view->showText("-50.0 L");
    EXPECT_FALSE(view->showsOwnText());
    EXPECT_EQ(view->text.get(), "CAPTION");
    EXPECT_NE(view->getViewSize(), own);
    EXPECT_DOUBLE_EQ(view->getViewSize().getCenter().x, 60); // centred where the caption is
    Canvas standIn(120, 40);
    view->draw(standIn.drawContext());
    const std::vector<double> runs = inkRuns(standIn, 120, 0, 40);
    EXPECT_NE(runs, inkRuns(before, 120, 0, 40));
    bool red = false;
    for (int x = 0; x < 120; ++x)
        red = red || standIn.pixel(x, 20).GetR() > 200;
    EXPECT_TRUE(red);

    // The layout may change the text meanwhile; the stand-in stays until the own text returns.
    view->setProperty("text", json("\"OTHER\""));
    EXPECT_EQ(inkRuns(standIn, 120, 0, 40), runs);
    view->setProperty("text", json("\"CAPTION\""));
    view->showOwnText();
    EXPECT_TRUE(view->showsOwnText());
    EXPECT_EQ(view->getViewSize(), own);
    Canvas after(120, 40);
    view->draw(after.drawContext());
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x)
            ASSERT_EQ(after.pixel(x, y).GetValue(), before.pixel(x, y).GetValue())
                << x << ", " << y;
}

} // namespace
} // namespace viewtest
