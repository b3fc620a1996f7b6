#include "editor/views/myknob.h"

#include "editor/properties/jsonaccess.h"
#include "editor/resources/resourcecache.h"
#include "editor/views/knobpointer.h"

#include "vstgui/lib/cbitmap.h"
#include "vstgui/lib/cdrawcontext.h"

#include <cmath>
#include <vector>

namespace kelvane::vst {

namespace {

const double pi = 3.14159265358979323846;
const float fineZoomFactor = 10;
const double halfSize = 8;
const float shadowOffset = 5;
const char* const defaultFaceImage = "knob-face.png";
// How far the mouse may move between press and release of a click, in either direction.
const double clickSlop = 4;

Gdiplus::Color argb(std::uint32_t word) {
    return Gdiplus::Color(word);
}

std::vector<TickMark> defaultTicks() {
    TickMark tick;
    tick.width = 2;
    tick.innerRadius = 34;
    tick.outerRadius = 40;
    tick.color = argb(0xFFFFFFFF);
    return std::vector<TickMark>(9, tick);
}

VSTGUI::CRect square(const VSTGUI::CPoint& centre, double half) {
    return VSTGUI::CRect(centre.x - half, centre.y - half, centre.x + half, centre.y + half);
}

void addCircle(Gdiplus::GraphicsPath& path, double x, double y, double radius) {
    path.AddEllipse(static_cast<float>(x - radius), static_cast<float>(y - radius),
                    static_cast<float>(2 * radius), static_cast<float>(2 * radius));
}

} // namespace

MyKnob::MyKnob(const VSTGUI::CPoint& knobCenter, VSTGUI::IControlListener* knobListener,
               std::int32_t knobTag, ResourceCache* resources, std::int32_t stepCount)
    : CKnob(square(knobCenter, halfSize), knobListener, knobTag, nullptr, nullptr,
            VSTGUI::CPoint(0, 0)),
      ValueShowing(static_cast<VSTGUI::CControl&>(*this)), startAngle(-120), endAngle(120),
      tickMarks(defaultTicks()), shadowRadius(40), shadowColor(argb(0xFF000000)),
      shadowEdgeColor(argb(0x00000000)), faceRadius(28), faceTint(argb(0x20FFFFFF)),
      pointerInnerRadius(15), pointerOuterRadius(24), glowRadius(3), glowGain(1), glowPasses(3),
      pointerColor(argb(0xFF59DBDF)), pointerOutlineColor(argb(0x50000000)), mouseRadius(40),
      viewRadius(40), center(knobCenter), faceImage(defaultFaceImage), cache(resources),
      steps(stepCount) {
    setZoomFactor(fineZoomFactor);
    if (steps != 0) {
        setWheelInc(1.f / static_cast<float>(steps));
    }
    const auto geometry = [this] { updateGeometry(); };
    const auto redraw = [this] { invalid(); };
    // Each property starts from its default through set, so the geometry follows the defaults.
    const auto add = [&](const char* key, auto& property, const auto& listenerOfIt) {
        property.addListener(listenerOfIt);
        const auto initial = property.get();
        property.set(initial);
        properties[key] = &property;
    };
    add("startAngle", startAngle, geometry);
    add("endAngle", endAngle, geometry);
    add("tickMarks", tickMarks, redraw);
    add("shadowRadius", shadowRadius, redraw);
    add("shadowColor", shadowColor, redraw);
    add("shadowEdgeColor", shadowEdgeColor, redraw);
    add("faceRadius", faceRadius, redraw);
    add("pointerInnerRadius", pointerInnerRadius, redraw);
    add("pointerOuterRadius", pointerOuterRadius, redraw);
    add("glowRadius", glowRadius, redraw);
    add("glowGain", glowGain, redraw);
    add("glowPasses", glowPasses, redraw);
    add("faceTint", faceTint, redraw);
    add("pointerColor", pointerColor, redraw);
    add("pointerOutlineColor", pointerOutlineColor, redraw);
    add("faceImage", faceImage, redraw);
    add("mouseRadius", mouseRadius, geometry);
    add("viewRadius", viewRadius, geometry);
    add("center", center, geometry);
    // Another label takes over at once.
    add("valueLabel", valueLabel, [this] { showAgain(); });
}

MyKnob::~MyKnob() = default;

void MyKnob::updateGeometry() {
    setStartAngle(static_cast<float>((startAngle.get() - 90) * pi / 180));
    setRangeAngle(static_cast<float>((endAngle.get() - startAngle.get()) * pi / 180));
    pointerImage.reset();
    setMouseableArea(square(center.get(), mouseRadius.get()));
    invalid();
    setViewSize(square(center.get(), viewRadius.get()), true);
}

void MyKnob::setValue(float newValue) {
    if (steps != 0) {
        const double n = steps;
        newValue = static_cast<float>(std::floor(n * static_cast<double>(newValue) + 0.5) / n);
    }
    const float before = getValue();
    CKnob::setValue(newValue);
    if (getValue() != before && showsValue()) {
        showAgain();
    }
}

void MyKnob::beginEdit() {
    const bool before = showsValue();
    CKnob::beginEdit();
    showIfChanged(before);
}

void MyKnob::endEdit() {
    const bool before = showsValue();
    CKnob::endEdit();
    showIfChanged(before);
}

VSTGUI::CMouseEventResult MyKnob::onMouseEntered(VSTGUI::CPoint&, const VSTGUI::CButtonState&) {
    setHovered(true);
    return VSTGUI::kMouseEventHandled;
}

VSTGUI::CMouseEventResult MyKnob::onMouseExited(VSTGUI::CPoint&, const VSTGUI::CButtonState&) {
    setHovered(false);
    return VSTGUI::kMouseEventHandled;
}

VSTGUI::CMouseEventResult MyKnob::onMouseDown(VSTGUI::CPoint& where,
                                              const VSTGUI::CButtonState& buttons) {
    clickAt.reset();
    const VSTGUI::CMouseEventResult result = CKnob::onMouseDown(where, buttons);
    if (result == VSTGUI::kMouseEventHandled && steps == 1) {
        clickAt = where;
        valueAtClick = getValue();
    }
    return result;
}

VSTGUI::CMouseEventResult MyKnob::onMouseMoved(VSTGUI::CPoint& where,
                                               const VSTGUI::CButtonState& buttons) {
    if (clickAt && (std::fabs(where.x - clickAt->x) > clickSlop ||
                    std::fabs(where.y - clickAt->y) > clickSlop)) {
        clickAt.reset();
    }
    return CKnob::onMouseMoved(where, buttons);
}

VSTGUI::CMouseEventResult MyKnob::onMouseUp(VSTGUI::CPoint& where,
                                            const VSTGUI::CButtonState& buttons) {
    // A click on a switch flips it, within the gesture that the press began.
    if (clickAt && isEditing() && getValue() == valueAtClick &&
        std::fabs(where.x - clickAt->x) <= clickSlop &&
        std::fabs(where.y - clickAt->y) <= clickSlop) {
        setValue(getValue() == getMax() ? getMin() : getMax());
        if (getValue() != valueAtClick) {
            valueChanged();
            invalid();
        }
    }
    clickAt.reset();
    return CKnob::onMouseUp(where, buttons);
}

VSTGUI::CMouseEventResult MyKnob::onMouseCancel() {
    clickAt.reset();
    return CKnob::onMouseCancel();
}

void MyKnob::valueToPoint(VSTGUI::CPoint& point) const {
    CKnob::valueToPoint(point);
    point.y = getHeight() - point.y;
}

float MyKnob::valueFromPoint(VSTGUI::CPoint& point) const {
    VSTGUI::CPoint mirrored(point.x, getHeight() - point.y);
    return CKnob::valueFromPoint(mirrored);
}

void MyKnob::setProperty(const std::string& name, const picojson::value& json) {
    if (!loadProperty(properties, name, json)) {
        CKnob::setProperty(name, json);
    }
}

void MyKnob::draw(VSTGUI::CDrawContext* context) {
    // The background as the base view would draw it, but with the knob's offset.
    if (VSTGUI::CBitmap* bitmap = getDrawBackground()) {
        bitmap->draw(context, getViewSize(), getOffset(), 1.f);
    }
    // The knob draws in the transform its context is in.
    drawScale = context != nullptr ? context->getScaleFactor() : 1;
    if (paintWithGdiplus(context, *this, false)) {
        setDirty(false);
    }
}

void MyKnob::drawGdiplus(Gdiplus::Graphics* graphics) {
    graphics->SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    graphics->SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    graphics->SetCompositingMode(Gdiplus::CompositingModeSourceOver);
    drawTicks(*graphics);
    drawShadow(*graphics);
    drawFace(*graphics);
    drawPointer(*graphics);
}

void MyKnob::drawTicks(Gdiplus::Graphics& graphics) const {
    const VSTGUI::CPoint& c = center.get();
    const std::vector<TickMark>& ticks = tickMarks.get();
    const double start = getStartAngle();
    const double range = getRangeAngle();
    // A single tick has no spacing to spread over the range: it marks the start.
    const double last = ticks.size() > 1 ? static_cast<double>(ticks.size() - 1) : 1.0;
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        const TickMark& tick = ticks[i];
        const double angle = static_cast<double>(i) / last * range + start;
        const double dx = std::cos(angle);
        const double dy = std::sin(angle);
        Gdiplus::Pen pen(tick.color, static_cast<float>(tick.width));
        graphics.DrawLine(&pen, static_cast<float>(c.x + dx * tick.innerRadius),
                          static_cast<float>(c.y + dy * tick.innerRadius),
                          static_cast<float>(c.x + dx * tick.outerRadius),
                          static_cast<float>(c.y + dy * tick.outerRadius));
    }
}

void MyKnob::drawShadow(Gdiplus::Graphics& graphics) const {
    const VSTGUI::CPoint& c = center.get();
    Gdiplus::GraphicsPath shadow(Gdiplus::FillModeAlternate);
    addCircle(shadow, c.x + shadowOffset, c.y + shadowOffset, shadowRadius.get());
    Gdiplus::PathGradientBrush brush(&shadow);
    brush.SetCenterColor(shadowColor.get());
    Gdiplus::Color rim = shadowEdgeColor.get();
    int rimCount = 1;
    brush.SetSurroundColors(&rim, &rimCount);
    graphics.FillPath(&brush, &shadow);
}

void MyKnob::drawFace(Gdiplus::Graphics& graphics) const {
    const VSTGUI::CPoint& c = center.get();
    const double t = faceRadius.get();
    const std::shared_ptr<Gdiplus::Bitmap> image =
        cache != nullptr ? cache->getImage(faceImage.get(), drawScale) : nullptr;
    if (image && image->GetWidth() > 0 && image->GetHeight() > 0) {
        const int x0 = truncateToInt32(c.x - t);
        const int y0 = truncateToInt32(c.y - t);
        const int d = truncateToInt32(2 * t);
        Gdiplus::TextureBrush texture(image.get(), Gdiplus::WrapModeClamp);
        const Gdiplus::Matrix placement(
            static_cast<float>(d) / static_cast<float>(image->GetWidth()), 0, 0,
            static_cast<float>(d) / static_cast<float>(image->GetHeight()), static_cast<float>(x0),
            static_cast<float>(y0));
        texture.SetTransform(&placement);
        graphics.FillEllipse(&texture, x0, y0, d, d);
    }
    Gdiplus::GraphicsPath disc(Gdiplus::FillModeAlternate);
    addCircle(disc, c.x, c.y, t);
    Gdiplus::SolidBrush tint(faceTint.get());
    graphics.FillPath(&tint, &disc);
}

void MyKnob::drawPointer(Gdiplus::Graphics& graphics) {
    const VSTGUI::CRect& bounds = getViewSize();
    if (pointerImage && pointerScale != drawScale) {
        pointerImage.reset();
    }
    if (!pointerImage) {
        PointerStyle style;
        style.innerRadius = pointerInnerRadius.get();
        style.outerRadius = pointerOuterRadius.get();
        style.fill = pointerColor.get();
        style.outline = pointerOutlineColor.get();
        style.glowRadius = glowRadius.get();
        style.glowGain = glowGain.get();
        style.glowPasses = glowPasses.get();
        pointerImage = renderPointer(truncateToInt32(bounds.getWidth()),
                                     truncateToInt32(bounds.getHeight()), style, drawScale);
        pointerScale = drawScale;
    }
    if (!pointerImage) {
        return;
    }
    const double degrees =
        (static_cast<double>(getRangeAngle()) * static_cast<double>(getValueNormalized()) +
         static_cast<double>(getStartAngle())) *
        180 / pi;
    const VSTGUI::CPoint pivot = bounds.getCenter();
    const auto px = static_cast<float>(pivot.x);
    const auto py = static_cast<float>(pivot.y);
    Gdiplus::Matrix turn;
    turn.Translate(px, py);
    turn.Rotate(static_cast<float>(degrees));
    turn.Translate(-px, -py);
    graphics.MultiplyTransform(&turn, Gdiplus::MatrixOrderPrepend);
    if (pointerScale == 1) {
        graphics.DrawImage(pointerImage.get(), static_cast<float>(bounds.left),
                           static_cast<float>(bounds.top));
    } else {
        // Its pixels are device pixels: drawn into the view's size, which the scale maps back.
        graphics.DrawImage(pointerImage.get(), static_cast<float>(bounds.left),
                           static_cast<float>(bounds.top),
                           static_cast<float>(truncateToInt32(bounds.getWidth())),
                           static_cast<float>(truncateToInt32(bounds.getHeight())));
    }
}

} // namespace kelvane::vst
