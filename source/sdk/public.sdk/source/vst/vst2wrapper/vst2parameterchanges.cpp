#include "public.sdk/source/vst/vst2wrapper/vst2parameterchanges.h"

namespace Steinberg {
namespace Vst {

tresult PLUGIN_API Vst2ParamValueQueue::getPoint(int32 index, int32& sampleOffset,
                                                 ParamValue& value) {
    if (index != 0 || count == 0) {
        return kResultFalse;
    }
    sampleOffset = offset;
    value = pointValue;
    return kResultOk;
}

tresult PLUGIN_API Vst2ParamValueQueue::addPoint(int32 sampleOffset, ParamValue value,
                                                 int32& index) {
    offset = sampleOffset;
    pointValue = value;
    count = 1;
    index = 0;
    return kResultOk;
}

tresult PLUGIN_API Vst2ParamValueQueue::queryInterface(const TUID queriedIid, void** obj) {
    QUERY_INTERFACE(queriedIid, obj, FUnknown::iid, IParamValueQueue)
    QUERY_INTERFACE(queriedIid, obj, IParamValueQueue::iid, IParamValueQueue)
    *obj = nullptr;
    return kNoInterface;
}

Vst2ParameterChanges::Vst2ParameterChanges(int32 maxParameters)
    : queues(new Vst2ParamValueQueue[maxParameters > 0 ? static_cast<size_t>(maxParameters) : 0u]),
      size(maxParameters > 0 ? maxParameters : 0) {}

bool Vst2ParameterChanges::addChange(ParamID id, ParamValue value) {
    int32 index = 0;
    IParamValueQueue* queue = addParameterData(id, index);
    if (!queue) {
        return false;
    }
    int32 pointIndex = 0;
    return queue->addPoint(0, value, pointIndex) == kResultOk;
}

IParamValueQueue* PLUGIN_API Vst2ParameterChanges::getParameterData(int32 index) {
    if (index < 0 || index >= used) {
        return nullptr;
    }
    return &queues[static_cast<size_t>(index)];
}

IParamValueQueue* PLUGIN_API Vst2ParameterChanges::addParameterData(const ParamID& id,
                                                                    int32& index) {
    for (int32 i = 0; i < used; ++i) {
        if (queues[static_cast<size_t>(i)].getParameterId() == id) {
            index = i;
            return &queues[static_cast<size_t>(i)];
        }
    }
    if (used >= size) {
        return nullptr;
    }
    index = used;
    Vst2ParamValueQueue& queue = queues[static_cast<size_t>(used++)];
    queue.reset(id);
    return &queue;
}

tresult PLUGIN_API Vst2ParameterChanges::queryInterface(const TUID queriedIid, void** obj) {
    QUERY_INTERFACE(queriedIid, obj, FUnknown::iid, IParameterChanges)
    QUERY_INTERFACE(queriedIid, obj, IParameterChanges::iid, IParameterChanges)
    *obj = nullptr;
    return kNoInterface;
}

} // namespace Vst
} // namespace Steinberg
