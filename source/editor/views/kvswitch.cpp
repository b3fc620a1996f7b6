#include "editor/views/kvswitch.h"

#include <algorithm>
#include <string>

namespace kelvane::vst {

namespace {

const VSTGUI::CRect defaultRect(0, 0, 40, 16);
const double defaultCornerRadius = 3;
const std::uint32_t defaultTop = 0xFF3C3C3C;
const std::uint32_t defaultBottom = 0xFF282828;
const std::uint32_t defaultOutline = 0xFF505050;
const VSTGUI::CPoint defaultLampCenter(8, 8);
const double defaultLampRadius = 3;
const std::uint32_t defaultLampOff = 0xFF202020;
const std::uint32_t defaultLampOn = 0xFF59DBDF;
const std::uint32_t defaultLampRim = 0x80000000;
const double defaultGlowRadius = 6;
const std::uint32_t defaultGlow = 0x8059DBDF;
// Room for the anti-aliased edges around what is drawn.
const double margin = 1;

void addCircle(Gdiplus::GraphicsPath& path, const VSTGUI::CPoint& centre, double radius) {
    path.AddEllipse(static_cast<float>(centre.x - radius), static_cast<float>(centre.y - radius),
                    static_cast<float>(2 * radius), static_cast<float>(2 * radius));
}

// The rectangle with its corners rounded to radius (none for a radius of 0 or less, at most
// half the shorter side).
void addRoundedRect(Gdiplus::GraphicsPath& path, double left, double top, double right,
                    double bottom, double radius) {
    const double width = right - left;
    const double height = bottom - top;
    const double r = std::min({radius, width / 2, height / 2});
    if (!(r > 0)) {
        path.AddRectangle(Gdiplus::RectF(static_cast<float>(left), static_cast<float>(top),
                                         static_cast<float>(width), static_cast<float>(height)));
        return;
    }
    const auto d = static_cast<float>(2 * r);
    const auto l = static_cast<float>(left);
    const auto t = static_cast<float>(top);
    const auto rr = static_cast<float>(right - 2 * r);
    const auto bb = static_cast<float>(bottom - 2 * r);
    path.AddArc(l, t, d, d, 180, 90);
    path.AddArc(rr, t, d, d, 270, 90);
    path.AddArc(rr, bb, d, d, 0, 90);
    path.AddArc(l, bb, d, d, 90, 90);
    path.CloseFigure();
}

} // namespace

KVSwitch::KVSwitch(VSTGUI::IControlListener* listener, std::int32_t tag)
    : CControl(defaultRect, listener, tag), ValueShowing(static_cast<VSTGUI::CControl&>(*this)),
      rect(defaultRect), cornerRadius(defaultCornerRadius), topColor(Gdiplus::Color(defaultTop)),
      bottomColor(Gdiplus::Color(defaultBottom)), outlineColor(Gdiplus::Color(defaultOutline)),
      lampCenter(defaultLampCenter), lampRadius(defaultLampRadius),
      lampOffColor(Gdiplus::Color(defaultLampOff)), lampOnColor(Gdiplus::Color(defaultLampOn)),
      lampRimColor(Gdiplus::Color(defaultLampRim)), glowRadius(defaultGlowRadius),
      glowColor(Gdiplus::Color(defaultGlow)) {
    setDefaultValue(0);
    const auto bounds = [this] { updateBounds(); };
    // Each property starts from its default through set, so the bounds follow the defaults.
    const auto add = [&](const char* key, auto& property, const auto& listenerOfIt) {
        property.addListener(listenerOfIt);
        const auto initial = property.get();
        property.set(initial);
        properties[key] = &property;
    };
    add("rect", rect, bounds);
    add("cornerRadius", cornerRadius, bounds);
    add("topColor", topColor, bounds);
    add("bottomColor", bottomColor, bounds);
    add("outlineColor", outlineColor, bounds);
    add("lampCenter", lampCenter, bounds);
    add("lampRadius", lampRadius, bounds);
    add("lampOffColor", lampOffColor, bounds);
    add("lampOnColor", lampOnColor, bounds);
    add("lampRimColor", lampRimColor, bounds);
    add("glowRadius", glowRadius, bounds);
    add("glowColor", glowColor, bounds);
    // Another label takes over at once.
    add("valueLabel", valueLabel, [this] { showAgain(); });
}

KVSwitch::~KVSwitch() = default;

void KVSwitch::updateBounds() {
    const VSTGUI::CRect& plate = rect.get();
    const VSTGUI::CPoint& lamp = lampCenter.get();
    const double reach = std::max(lampRadius.get() + 0.5, glowRadius.get());
    VSTGUI::CRect covered(lamp.x - reach, lamp.y - reach, lamp.x + reach, lamp.y + reach);
    covered.unite(plate);
    covered.extend(margin, margin);
    invalid();
    setViewSize(covered, true);
    setMouseableArea(plate);
}

void KVSwitch::setValue(float newValue) {
    const float before = getValue();
    CControl::setValue(newValue >= 0.5f ? 1.f : 0.f);
    if (getValue() != before && showsValue()) {
        showAgain();
    }
}

void KVSwitch::beginEdit() {
    const bool before = showsValue();
    CControl::beginEdit();
    showIfChanged(before);
}

void KVSwitch::endEdit() {
    const bool before = showsValue();
    CControl::endEdit();
    showIfChanged(before);
}

VSTGUI::CMouseEventResult KVSwitch::onMouseDown(VSTGUI::CPoint&,
                                                const VSTGUI::CButtonState& buttons) {
    if (!buttons.isLeftButton()) {
        return VSTGUI::kMouseEventNotHandled;
    }
    beginEdit();
    if (checkDefaultValue(buttons)) {
        endEdit();
        return VSTGUI::kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    return VSTGUI::kMouseEventHandled;
}

VSTGUI::CMouseEventResult KVSwitch::onMouseMoved(VSTGUI::CPoint&, const VSTGUI::CButtonState&) {
    // The release decides: over the switch it flips, elsewhere nothing happens.
    return isEditing() ? VSTGUI::kMouseEventHandled : VSTGUI::kMouseEventNotHandled;
}

VSTGUI::CMouseEventResult KVSwitch::onMouseUp(VSTGUI::CPoint& where, const VSTGUI::CButtonState&) {
    if (!isEditing()) {
        return VSTGUI::kMouseEventHandled;
    }
    if (getMouseableArea().pointInside(where)) {
        setValue(isOn() ? 0.f : 1.f);
        valueChanged();
    }
    endEdit();
    return VSTGUI::kMouseEventHandled;
}

VSTGUI::CMouseEventResult KVSwitch::onMouseCancel() {
    if (isEditing()) {
        endEdit();
    }
    return VSTGUI::kMouseEventHandled;
}

VSTGUI::CMouseEventResult KVSwitch::onMouseEntered(VSTGUI::CPoint&, const VSTGUI::CButtonState&) {
    setHovered(true);
    return VSTGUI::kMouseEventHandled;
}

VSTGUI::CMouseEventResult KVSwitch::onMouseExited(VSTGUI::CPoint&, const VSTGUI::CButtonState&) {
    setHovered(false);
    return VSTGUI::kMouseEventHandled;
}

void KVSwitch::setProperty(const std::string& name, const picojson::value& value) {
    if (!loadProperty(properties, name, value)) {
        CControl::setProperty(name, value);
    }
}

void KVSwitch::draw(VSTGUI::CDrawContext* context) {
    CControl::draw(context);
    if (paintWithGdiplus(context, *this, true)) {
        setDirty(false);
    }
}

void KVSwitch::drawGdiplus(Gdiplus::Graphics* graphics) {
    graphics->SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    graphics->SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    graphics->SetCompositingMode(Gdiplus::CompositingModeSourceOver);
    drawPlate(*graphics);
    drawLamp(*graphics);
}

void KVSwitch::drawPlate(Gdiplus::Graphics& graphics) const {
    const VSTGUI::CRect& r = rect.get();
    if (!(r.right > r.left && r.bottom > r.top)) {
        return;
    }
    Gdiplus::GraphicsPath plate(Gdiplus::FillModeAlternate);
    addRoundedRect(plate, r.left, r.top, r.right, r.bottom, cornerRadius.get());
    Gdiplus::LinearGradientBrush fill(
        Gdiplus::PointF(static_cast<float>(r.left), static_cast<float>(r.top)),
        Gdiplus::PointF(static_cast<float>(r.left), static_cast<float>(r.bottom)), topColor.get(),
        bottomColor.get());
    fill.SetWrapMode(Gdiplus::WrapModeTile);
    graphics.FillPath(&fill, &plate);
    // The outline's pixels are the plate's outermost ones.
    Gdiplus::GraphicsPath edge(Gdiplus::FillModeAlternate);
    addRoundedRect(edge, r.left + 0.5, r.top + 0.5, r.right - 0.5, r.bottom - 0.5,
                   cornerRadius.get() - 0.5);
    Gdiplus::Pen pen(outlineColor.get(), 1);
    graphics.DrawPath(&pen, &edge);
}

void KVSwitch::drawLamp(Gdiplus::Graphics& graphics) const {
    const VSTGUI::CPoint& centre = lampCenter.get();
    if (isOn() && glowRadius.get() > 0) {
        Gdiplus::GraphicsPath glow(Gdiplus::FillModeAlternate);
        addCircle(glow, centre, glowRadius.get());
        Gdiplus::PathGradientBrush brush(&glow);
        const Gdiplus::Color inner = glowColor.get();
        brush.SetCenterColor(inner);
        Gdiplus::Color rim(0, inner.GetR(), inner.GetG(), inner.GetB());
        int rimCount = 1;
        brush.SetSurroundColors(&rim, &rimCount);
        graphics.FillPath(&brush, &glow);
    }
    if (!(lampRadius.get() > 0)) {
        return;
    }
    Gdiplus::GraphicsPath disc(Gdiplus::FillModeAlternate);
    addCircle(disc, centre, lampRadius.get());
    Gdiplus::SolidBrush fill(isOn() ? lampOnColor.get() : lampOffColor.get());
    graphics.FillPath(&fill, &disc);
    Gdiplus::Pen rim(lampRimColor.get(), 1);
    graphics.DrawPath(&rim, &disc);
}

} // namespace kelvane::vst
