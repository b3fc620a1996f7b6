#pragma once

#include "public.sdk/source/vst/vsteditcontroller.h"

namespace tivrandel {

// Placeholder for the plug-in window until the real editor is built: a bare SDK editor view
// that draws nothing. The controller tells it every parameter value while it is attached to a
// host window; for now it ignores them.
class Editor : public Steinberg::Vst::EditorView {
public:
    explicit Editor(Steinberg::Vst::EditController* owner) : EditorView(owner) {}

    virtual void onParameterChanged(Steinberg::Vst::ParamID /*id*/,
                                    Steinberg::Vst::ParamValue /*value*/) {}
};

} // namespace tivrandel
