#pragma once

#include "pluginterfaces/vst/ivstparameterchanges.h"

#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace testhost {

// A host's automation queue for one parameter. Points can be made unreadable to exercise a
// plug-in's handling of a failing getPoint.
class ParamValueQueue : public Steinberg::Vst::IParamValueQueue {
public:
    explicit ParamValueQueue(Steinberg::Vst::ParamID parameterId) : id(parameterId) {
        FUNKNOWN_CTOR
    }
    virtual ~ParamValueQueue() { FUNKNOWN_DTOR }

    void add(Steinberg::int32 offset, Steinberg::Vst::ParamValue value);
    void failPoint(Steinberg::int32 index) { failing.insert(index); }

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
    std::vector<std::pair<Steinberg::int32, Steinberg::Vst::ParamValue>> points;
    std::set<Steinberg::int32> failing;
};

// The block's input parameter changes: one queue per added parameter, in the order added
// (several queues for one id are allowed, as a careless host might send them).
class ParameterChanges : public Steinberg::Vst::IParameterChanges {
public:
    ParameterChanges() { FUNKNOWN_CTOR }
    virtual ~ParameterChanges(){FUNKNOWN_DTOR}

    // A new queue for id, even if one exists already.
    ParamValueQueue& queue(Steinberg::Vst::ParamID id);
    // Adds a point to the last queue for id, creating it if needed.
    ParameterChanges& add(Steinberg::Vst::ParamID id, Steinberg::int32 offset,
                          Steinberg::Vst::ParamValue value);
    void clear() { queues.clear(); }

    Steinberg::int32 PLUGIN_API getParameterCount() override;
    Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32 index) override;
    Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const Steinberg::Vst::ParamID& id,
                                                                  Steinberg::int32& index) override;

    DECLARE_FUNKNOWN_METHODS

private:
    std::vector<std::unique_ptr<ParamValueQueue>> queues;
};

} // namespace testhost
