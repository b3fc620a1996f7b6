#include "host/parameterchanges.h"

namespace testhost {

using namespace Steinberg;

// The queues live as long as their ParameterChanges; reference counting is not used to free them.
IMPLEMENT_FUNKNOWN_METHODS(ParamValueQueue, Vst::IParamValueQueue, Vst::IParamValueQueue::iid)
IMPLEMENT_FUNKNOWN_METHODS(ParameterChanges, Vst::IParameterChanges, Vst::IParameterChanges::iid)

void ParamValueQueue::add(int32 offset, Vst::ParamValue value) {
    points.emplace_back(offset, value);
}

int32 PLUGIN_API ParamValueQueue::getPointCount() {
    return static_cast<int32>(points.size());
}

tresult PLUGIN_API ParamValueQueue::getPoint(int32 index, int32& sampleOffset,
                                             Vst::ParamValue& value) {
    if (index < 0 || index >= getPointCount() || failing.count(index) != 0) {
        return kResultFalse;
    }
    sampleOffset = points[static_cast<size_t>(index)].first;
    value = points[static_cast<size_t>(index)].second;
    return kResultOk;
}

tresult PLUGIN_API ParamValueQueue::addPoint(int32 sampleOffset, Vst::ParamValue value,
                                             int32& index) {
    index = getPointCount();
    add(sampleOffset, value);
    return kResultOk;
}

ParamValueQueue& ParameterChanges::queue(Vst::ParamID id) {
    queues.push_back(std::make_unique<ParamValueQueue>(id));
    return *queues.back();
}

ParameterChanges& ParameterChanges::add(Vst::ParamID id, int32 offset, Vst::ParamValue value) {
    ParamValueQueue* last = nullptr;
    for (auto& q : queues) {
        if (q->getParameterId() == id) {
            last = q.get();
        }
    }
    (last ? *last : queue(id)).add(offset, value);
    return *this;
}

int32 PLUGIN_API ParameterChanges::getParameterCount() {
    return static_cast<int32>(queues.size());
}

Vst::IParamValueQueue* PLUGIN_API ParameterChanges::getParameterData(int32 index) {
    if (index < 0 || index >= getParameterCount()) {
        return nullptr;
    }
    return queues[static_cast<size_t>(index)].get();
}

Vst::IParamValueQueue* PLUGIN_API ParameterChanges::addParameterData(const Vst::ParamID& id,
                                                                     int32& index) {
    index = getParameterCount();
    return &queue(id);
}

} // namespace testhost
