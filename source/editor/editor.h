#pragma once

#include "editor/editorbase.h"
#include "parameters/parameters.h"

namespace tivrandel {

// The plug-in window: a background panel, a title with its rule, three labels around each
// knob, a caption per knob, the three knobs bound to time pan, level pan and channel swap, and
// the fine delay's switch with its label. Where everything sits and how it looks comes from the
// layout document in the resources.
class Editor : public kelvane::vst::EditorBase<Parameters> {
public:
    explicit Editor(Steinberg::Vst::EditController* owner) : EditorBase(owner) {}

    void onParameterChanged(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue value) override;
    void buildViews() override;
    std::string layoutText() override;
    std::string layoutReloadPath() override;
    std::string layoutLogPath() override;
    const kelvane::vst::ResourceStore& resourceStore() override;
    const kelvane::vst::ResourceStore& manualStore() override;

    // The name under which the knob of parameter id is kept; empty for ids without a knob.
    static std::string knobName(Steinberg::Vst::ParamID id);
    // The name of the control of parameter id, knob or switch; empty for ids without one.
    static std::string controlName(Steinberg::Vst::ParamID id);
};

} // namespace tivrandel
