#pragma once

#include "vstgui/lib/vstguifwd.h"

#include <cstdint>

namespace VSTGUI {

// What a frame asks of the editor that shows it: the knob mode and the start and end of each
// control gesture (by the control's tag). The editor keeps its frame in `frame`.
class VSTGUIEditorInterface {
public:
    virtual void doIdleStuff() {}
    // A CKnobMode, or -1 for the frame's default (circular).
    virtual std::int32_t getKnobMode() const { return -1; }
    virtual void beginEdit(std::int32_t /*index*/) {}
    virtual void endEdit(std::int32_t /*index*/) {}
    virtual CFrame* getFrame() const { return frame; }

protected:
    VSTGUIEditorInterface() = default;
    virtual ~VSTGUIEditorInterface() = default;

    CFrame* frame = nullptr;
};

} // namespace VSTGUI
