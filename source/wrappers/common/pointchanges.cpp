#include "wrappers/common/pointchanges.h"

#include <cstddef>

namespace kelvane::wrappers {

using namespace Steinberg;
using namespace Steinberg::Vst;

tresult PLUGIN_API PointQueue::getPoint(int32 index, int32& sampleOffset, ParamValue& value) {
    if (index < 0 || index >= count) {
        return kResultFalse;
    }
    sampleOffset = offsets[index];
    value = values[index];
    return kResultOk;
}

tresult PLUGIN_API PointQueue::addPoint(int32 sampleOffset, ParamValue value, int32& index) {
    if (capacity <= 0) {
        return kResultFalse;
    }
    add(sampleOffset, value);
    index = count - 1;
    return kResultOk;
}

tresult PLUGIN_API PointQueue::queryInterface(const TUID queriedIid, void** obj) {
    QUERY_INTERFACE(queriedIid, obj, FUnknown::iid, IParamValueQueue)
    QUERY_INTERFACE(queriedIid, obj, IParamValueQueue::iid, IParamValueQueue)
    *obj = nullptr;
    return kNoInterface;
}

void StepWriter::open(PointQueue& target) noexcept {
    queue = &target;
    values = target.values;
    offsets = target.offsets;
    count = target.count;
    capacity = target.capacity;
    last = count > 0 ? offsets[count - 1] : 0;
}

void StepWriter::close() noexcept {
    if (queue) {
        queue->count = count;
        queue = nullptr;
    }
}

namespace {

int32 atLeast(int32 value, int32 minimum) {
    return value > minimum ? value : minimum;
}

} // namespace

PointChanges::PointChanges(int32 maxParameters, int32 maxPoints)
    : parameters(atLeast(maxParameters, 0)), points(atLeast(maxPoints, 1)),
      queues(new PointQueue[static_cast<size_t>(parameters)]),
      values(new ParamValue[static_cast<size_t>(parameters) * static_cast<size_t>(points)]),
      offsets(new int32[static_cast<size_t>(parameters) * static_cast<size_t>(points)]) {
    for (int32 i = 0; i < parameters; ++i) {
        const size_t first = static_cast<size_t>(i) * static_cast<size_t>(points);
        queues[static_cast<size_t>(i)].bind(&values[first], &offsets[first], points);
    }
}

PointQueue* PointChanges::find(ParamID id) noexcept {
    for (int32 i = 0; i < used; ++i) {
        if (queues[static_cast<size_t>(i)].getParameterId() == id) {
            return &queues[static_cast<size_t>(i)];
        }
    }
    return nullptr;
}

bool PointChanges::addPoint(ParamID id, int32 offset, ParamValue value) noexcept {
    int32 index = 0;
    IParamValueQueue* queue = addParameterData(id, index);
    return queue && queue->addPoint(offset, value, index) == kResultOk;
}

IParamValueQueue* PLUGIN_API PointChanges::getParameterData(int32 index) {
    if (index < 0 || index >= used) {
        return nullptr;
    }
    return &queues[static_cast<size_t>(index)];
}

IParamValueQueue* PLUGIN_API PointChanges::addParameterData(const ParamID& id, int32& index) {
    for (int32 i = 0; i < used; ++i) {
        if (queues[static_cast<size_t>(i)].getParameterId() == id) {
            index = i;
            return &queues[static_cast<size_t>(i)];
        }
    }
    if (used >= parameters) {
        return nullptr;
    }
    index = used;
    PointQueue& queue = queues[static_cast<size_t>(used++)];
    queue.reset(id);
    return &queue;
}

tresult PLUGIN_API PointChanges::queryInterface(const TUID queriedIid, void** obj) {
    QUERY_INTERFACE(queriedIid, obj, FUnknown::iid, IParameterChanges)
    QUERY_INTERFACE(queriedIid, obj, IParameterChanges::iid, IParameterChanges)
    *obj = nullptr;
    return kNoInterface;
}

} // namespace kelvane::wrappers
