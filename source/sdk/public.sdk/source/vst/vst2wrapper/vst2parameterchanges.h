#pragma once

#include "pluginterfaces/vst/ivstparameterchanges.h"

#include <memory>

namespace Steinberg {
namespace Vst {

// A parameter's changes within one block as the wrapper delivers them: at most one point.
// Lives inside its Vst2ParameterChanges; reference counting is a no-op.
class Vst2ParamValueQueue : public IParamValueQueue {
public:
    Vst2ParamValueQueue() = default;
    virtual ~Vst2ParamValueQueue() = default;

    void reset(ParamID parameterId) {
        id = parameterId;
        count = 0;
    }

    ParamID PLUGIN_API getParameterId() SMTG_OVERRIDE { return id; }
    int32 PLUGIN_API getPointCount() SMTG_OVERRIDE { return count; }
    tresult PLUGIN_API getPoint(int32 index, int32& sampleOffset, ParamValue& value) SMTG_OVERRIDE;
    // A second point replaces the first one: the queue keeps only the latest value.
    tresult PLUGIN_API addPoint(int32 sampleOffset, ParamValue value, int32& index) SMTG_OVERRIDE;

    tresult PLUGIN_API queryInterface(const TUID queriedIid, void** obj) SMTG_OVERRIDE;
    uint32 PLUGIN_API addRef() SMTG_OVERRIDE { return 1; }
    uint32 PLUGIN_API release() SMTG_OVERRIDE { return 1; }

private:
    ParamID id = 0;
    int32 count = 0;
    int32 offset = 0;
    ParamValue pointValue = 0.0;
};

// The parameter changes of one block, with room for a fixed number of parameters made at
// construction: nothing here allocates after that, so it can be filled on the audio thread.
// Owned by value by the wrapper; reference counting is a no-op.
class Vst2ParameterChanges : public IParameterChanges {
public:
    explicit Vst2ParameterChanges(int32 maxParameters);
    virtual ~Vst2ParameterChanges() = default;

    Vst2ParameterChanges(const Vst2ParameterChanges&) = delete;
    Vst2ParameterChanges& operator=(const Vst2ParameterChanges&) = delete;

    void clear() { used = 0; }
    int32 capacity() const { return size; }
    // One point at offset 0 for id; false when the changes are full.
    bool addChange(ParamID id, ParamValue value);

    int32 PLUGIN_API getParameterCount() SMTG_OVERRIDE { return used; }
    IParamValueQueue* PLUGIN_API getParameterData(int32 index) SMTG_OVERRIDE;
    // The queue of id, made if there is room; null when the changes are full.
    IParamValueQueue* PLUGIN_API addParameterData(const ParamID& id, int32& index) SMTG_OVERRIDE;

    tresult PLUGIN_API queryInterface(const TUID queriedIid, void** obj) SMTG_OVERRIDE;
    uint32 PLUGIN_API addRef() SMTG_OVERRIDE { return 1; }
    uint32 PLUGIN_API release() SMTG_OVERRIDE { return 1; }

private:
    std::unique_ptr<Vst2ParamValueQueue[]> queues;
    int32 size;
    int32 used = 0;
};

} // namespace Vst
} // namespace Steinberg
