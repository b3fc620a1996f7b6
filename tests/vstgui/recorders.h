#pragma once

#include "vstgui/lib/cdrawcontext.h"
#include "vstgui/lib/controls/ccontrol.h"
#include "vstgui/lib/controls/icontrollistener.h"
#include "vstgui/lib/cview.h"
#include "vstgui/lib/platform/iplatformframe.h"
#include "vstgui/lib/vstguieditorinterface.h"

#include <optional>
#include <string>
#include <vector>

namespace VSTGUI::test {

// One log that the listener and the editor both write to, so that their order shows.
using Log = std::vector<std::string>;

class RecordingListener : public IControlListener {
public:
    explicit RecordingListener(Log& events) : log(events) {}

    void valueChanged(CControl* control) override {
        log.push_back("value " + std::to_string(control->getValue()));
    }
    std::int32_t controlModifierClicked(CControl*, CButtonState buttons) override {
        log.push_back("modifier " + std::to_string(buttons()));
        return modifierAnswer;
    }
    void controlBeginEdit(CControl* control) override {
        log.push_back("listener begin " + std::to_string(control->getTag()));
    }
    void controlEndEdit(CControl* control) override {
        log.push_back("listener end " + std::to_string(control->getTag()));
    }

    std::int32_t modifierAnswer = 0;

private:
    Log& log;
};

class RecordingEditor : public VSTGUIEditorInterface {
public:
    explicit RecordingEditor(Log& events) : log(events) {}

    std::int32_t getKnobMode() const override { return knobMode; }
    void beginEdit(std::int32_t index) override {
        log.push_back("editor begin " + std::to_string(index));
    }
    void endEdit(std::int32_t index) override {
        log.push_back("editor end " + std::to_string(index));
    }

    std::int32_t knobMode = kLinearMode;

private:
    Log& log;
};

// Records what the frame asks of its window, and paints it at once on a surface that draws
// nothing, as a window would (which clears the views' dirty flags).
class RecordingPlatformFrame : public IPlatformFrame {
public:
    bool getCurrentMousePosition(CPoint& where) const override {
        if (!mouse)
            return false;
        where = *mouse;
        return true;
    }
    bool invalidRect(const CRect& rect) override {
        invalidated.push_back(rect);
        if (frame != nullptr) {
            CDrawContext surface;
            frame->platformDrawRect(&surface, rect);
        }
        return true;
    }
    bool setSize(const CRect& newSize) override {
        sizes.push_back(newSize);
        return true;
    }

    IPlatformFrameCallback* frame = nullptr;
    std::optional<CPoint> mouse;
    std::vector<CRect> invalidated;
    std::vector<CRect> sizes;
};

// A view that counts its draws.
class CountingView : public CView {
public:
    explicit CountingView(const CRect& size) : CView(size) {}
    void draw(CDrawContext* context) override {
        ++draws;
        CView::draw(context);
    }
    int draws = 0;
};

} // namespace VSTGUI::test
