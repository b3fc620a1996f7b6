#pragma once

#include "vstgui/lib/controls/icontrollistener.h"
#include "vstgui/lib/cview.h"

#include <cstdint>

namespace VSTGUI {

// A view with a value in [min, max] (0 to 1 unless set), a tag that names it to its listener,
// and edit gestures. A gesture is bracketed by beginEdit() and endEdit(): the outermost pair
// tells the listener (controlBeginEdit, controlEndEdit) and the frame's editor (beginEdit(tag),
// endEdit(tag)), the listener's bracket enclosing the editor's.
class CControl : public CView {
public:
    CControl(const CRect& initialSize, IControlListener* listener = nullptr, std::int32_t tag = 0,
             CBitmap* background = nullptr);
    ~CControl() override;

    // Sets the value, bound to [min, max]; a change marks the control dirty.
    virtual void setValue(float newValue);
    float getValue() const { return controlValue; }
    // The value mapped from [0, 1] to [min, max], through setValue().
    virtual void setValueNormalized(float normalized);
    float getValueNormalized() const;

    virtual void setMin(float newMin) { minValue = newMin; }
    float getMin() const { return minValue; }
    virtual void setMax(float newMax) { maxValue = newMax; }
    float getMax() const { return maxValue; }
    float getRange() const { return maxValue - minValue; }
    // The value that a click with kDefaultValueModifier sets.
    virtual void setDefaultValue(float newDefault) { defaultValue = newDefault; }
    float getDefaultValue() const { return defaultValue; }
    // The normalized step of one wheel notch.
    virtual void setWheelInc(float increment) { wheelInc = increment; }
    float getWheelInc() const { return wheelInc; }

    // Changing the tag tells the listener before and after.
    virtual void setTag(std::int32_t newTag);
    std::int32_t getTag() const { return controlTag; }
    virtual void setListener(IControlListener* newListener) { controlListener = newListener; }
    IControlListener* getListener() const { return controlListener; }

    virtual void beginEdit();
    virtual void endEdit();
    bool isEditing() const { return editing > 0; }
    // Tells the listener that the user changed the value.
    virtual void valueChanged();

    // Brings the value back into [min, max].
    virtual void bounceValue();
    // At a left click with only kDefaultValueModifier, or a left double click: sets the default
    // value (telling the listener when it changed) and answers true.
    virtual bool checkDefaultValue(CButtonState button);

private:
    IControlListener* controlListener;
    std::int32_t controlTag;
    std::int32_t editing = 0;
    float controlValue = 0.f;
    float minValue = 0.f;
    float maxValue = 1.f;
    float defaultValue = 0.5f;
    float wheelInc = 0.1f;
};

} // namespace VSTGUI
