#pragma once

// The input parameter changes a host hands the processor with a block: one queue of points per
// automated parameter. Storage is reserved up front and reused from block to block.

#include "pluginterfaces/vst/ivstparameterchanges.h"

#include <memory>
#include <utility>
#include <vector>

namespace render {

class ParamQueue : public Steinberg::Vst::IParamValueQueue {
public:
    explicit ParamQueue(Steinberg::Vst::ParamID parameterId) : id(parameterId) { FUNKNOWN_CTOR }
    virtual ~ParamQueue() { FUNKNOWN_DTOR }

    void assign(std::vector<std::pair<Steinberg::int32, double>> newPoints) {
        points = std::move(newPoints);
    }

    Steinberg::Vst::ParamID PLUGIN_API getParameterId() override { return id; }
    Steinberg::int32 PLUGIN_API getPointCount() override;
    Steinberg::tresult PLUGIN_API getPoint(Steinberg::int32 index, Steinberg::int32& sampleOffset,
                                           Steinberg::Vst::ParamValue& value) override;
    Steinberg::tresult PLUGIN_API addPoint(Steinberg::int32 sampleOffset,
                                           Steinberg::Vst::ParamValue value,
                                           Steinberg::int32& index) override;

    DECLARE_FUNKNOWN_METHODS

private:
    Steinberg::Vst::ParamID id;
    std::vector<std::pair<Steinberg::int32, double>> points;
};

class ParameterChanges : public Steinberg::Vst::IParameterChanges {
public:
    ParameterChanges() { FUNKNOWN_CTOR }
    virtual ~ParameterChanges(){FUNKNOWN_DTOR}

    // The queue for id, created on first use; every queue stays in the block until clear().
    ParamQueue& queue(Steinberg::Vst::ParamID id);
    void clear() { queues.clear(); }

    Steinberg::int32 PLUGIN_API getParameterCount() override;
    Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32 index) override;
    Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const Steinberg::Vst::ParamID& id,
                                                                  Steinberg::int32& index) override;

    DECLARE_FUNKNOWN_METHODS

private:
    std::vector<std::unique_ptr<ParamQueue>> queues;
};

} // namespace render
