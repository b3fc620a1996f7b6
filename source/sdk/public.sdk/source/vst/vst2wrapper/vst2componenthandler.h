#pragma once

#include "pluginterfaces/vst/ivsteditcontroller.h"

namespace Steinberg {
namespace Vst {

class Vst2Wrapper;

// The component handler that the wrapper gives its controller: the controller's edits and
// restart requests go to the wrapper, which turns them into VST 2 host calls. It is reference
// counted on its own because the controller holds it; once the wrapper closes it is detached
// and answers kResultFalse to whatever still reaches it.
class Vst2ComponentHandler : public IComponentHandler {
public:
    explicit Vst2ComponentHandler(Vst2Wrapper* owner);
    virtual ~Vst2ComponentHandler();

    void detach() { wrapper = nullptr; }

    tresult PLUGIN_API beginEdit(ParamID id) SMTG_OVERRIDE;
    tresult PLUGIN_API performEdit(ParamID id, ParamValue valueNormalized) SMTG_OVERRIDE;
    tresult PLUGIN_API endEdit(ParamID id) SMTG_OVERRIDE;
    tresult PLUGIN_API restartComponent(int32 flags) SMTG_OVERRIDE;

    DECLARE_FUNKNOWN_METHODS

private:
    Vst2Wrapper* wrapper;
};

} // namespace Vst
} // namespace Steinberg
