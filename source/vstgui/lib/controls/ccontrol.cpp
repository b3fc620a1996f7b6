#include "vstgui/lib/controls/ccontrol.h"

#include "vstgui/lib/cframe.h"

#include <algorithm>

namespace VSTGUI {

CControl::CControl(const CRect& initialSize, IControlListener* listener, std::int32_t tag,
                   CBitmap* background)
    : CView(initialSize), controlListener(listener), controlTag(tag) {
    if (background != nullptr)
        setBackground(background);
    setDirty(false);
}

CControl::~CControl() = default;

void CControl::setValue(float newValue) {
    newValue = std::clamp(newValue, std::min(minValue, maxValue), std::max(minValue, maxValue));
    if (newValue == controlValue)
        return;
    controlValue = newValue;
    setDirty();
}

void CControl::setValueNormalized(float normalized) {
    normalized = std::clamp(normalized, 0.f, 1.f);
    setValue(minValue + normalized * getRange());
}

float CControl::getValueNormalized() const {
    const float range = getRange();
    if (range == 0.f)
        return 0.f;
    return (controlValue - minValue) / range;
}

void CControl::setTag(std::int32_t newTag) {
    if (controlListener != nullptr)
        controlListener->controlTagWillChange(this);
    controlTag = newTag;
    if (controlListener != nullptr)
        controlListener->controlTagDidChange(this);
}

void CControl::beginEdit() {
    if (editing++ > 0)
        return;
    if (controlListener != nullptr)
        controlListener->controlBeginEdit(this);
    if (auto* frame = getFrame())
        frame->beginEdit(controlTag);
}

void CControl::endEdit() {
    if (editing == 0 || --editing > 0)
        return;
    if (auto* frame = getFrame())
        frame->endEdit(controlTag);
    if (controlListener != nullptr)
        controlListener->controlEndEdit(this);
}

void CControl::valueChanged() {
    if (controlListener != nullptr)
        controlListener->valueChanged(this);
}

void CControl::bounceValue() {
    const float bounded =
        std::clamp(controlValue, std::min(minValue, maxValue), std::max(minValue, maxValue));
    if (bounded != controlValue) {
        controlValue = bounded;
        setDirty();
    }
}

bool CControl::checkDefaultValue(CButtonState button) {
    if (!button.isLeftButton() ||
        (button.getModifierState() != kDefaultValueModifier && !button.isDoubleClick()))
        return false;
    const float before = controlValue;
    setValue(defaultValue);
    if (controlValue != before) {
        valueChanged();
        invalid();
    }
    return true;
}

} // namespace VSTGUI
