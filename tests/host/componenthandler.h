#pragma once

#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <gtest/gtest.h>

#include <vector>

namespace testhost {

// The host's side of a controller's edits: records every call in the order it arrives.
class ComponentHandler : public Steinberg::Vst::IComponentHandler {
public:
    struct Call {
        enum Kind { BeginEdit, PerformEdit, EndEdit, RestartComponent };
        Kind kind;
        Steinberg::Vst::ParamID id;       // the edits
        Steinberg::Vst::ParamValue value; // performEdit
        Steinberg::int32 flags;           // restartComponent

        bool operator==(const Call& other) const {
            return kind == other.kind && id == other.id && value == other.value &&
                   flags == other.flags;
        }
    };

    static Call begin(Steinberg::Vst::ParamID id) { return {Call::BeginEdit, id, 0.0, 0}; }
    static Call perform(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue value) {
        return {Call::PerformEdit, id, value, 0};
    }
    static Call end(Steinberg::Vst::ParamID id) { return {Call::EndEdit, id, 0.0, 0}; }
    static Call restart(Steinberg::int32 flags) { return {Call::RestartComponent, 0, 0.0, flags}; }

    ComponentHandler() { FUNKNOWN_CTOR }
    virtual ~ComponentHandler(){FUNKNOWN_DTOR}

    Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID id) override;
    Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID id,
                                              Steinberg::Vst::ParamValue valueNormalized) override;
    Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID id) override;
    Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32 flags) override;

    std::vector<Call> calls;
    Steinberg::tresult answer = Steinberg::kResultOk;

    DECLARE_FUNKNOWN_METHODS
};

// Whether calls are one drag of the knob of id as the editor reports it: two nested beginEdit,
// at least one performEdit, each value above the one before (the first above from), and two
// nested endEdit. last receives the final value.
::testing::AssertionResult isRisingGesture(const std::vector<ComponentHandler::Call>& calls,
                                           Steinberg::Vst::ParamID id, double from, double& last);

} // namespace testhost
