#include "parameterqueues.h"

namespace render {

using namespace Steinberg;

// Both live inside the render's host for the whole render; the processor only borrows them
// during process, so their initial reference is never given up.
IMPLEMENT_FUNKNOWN_METHODS(ParamQueue, Vst::IParamValueQueue, Vst::IParamValueQueue::iid)
IMPLEMENT_FUNKNOWN_METHODS(ParameterChanges, Vst::IParameterChanges, Vst::IParameterChanges::iid)

int32 PLUGIN_API ParamQueue::getPointCount() {
    return static_cast<int32>(points.size());
}

tresult PLUGIN_API ParamQueue::getPoint(int32 index, int32& sampleOffset, Vst::ParamValue& value) {
    if (index < 0 || index >= getPointCount())
        return kInvalidArgument;
    sampleOffset = points[static_cast<size_t>(index)].first;
    value = points[static_cast<size_t>(index)].second;
    return kResultOk;
}

tresult PLUGIN_API ParamQueue::addPoint(int32, Vst::ParamValue, int32& index) {
    // Input changes are the host's to write.
    index = -1;
    return kResultFalse;
}

ParamQueue& ParameterChanges::queue(Vst::ParamID id) {
    for (auto& existing : queues) {
        if (existing->getParameterId() == id)
            return *existing;
    }
    queues.push_back(std::make_unique<ParamQueue>(id));
    return *queues.back();
}

int32 PLUGIN_API ParameterChanges::getParameterCount() {
    return static_cast<int32>(queues.size());
}

Vst::IParamValueQueue* PLUGIN_API ParameterChanges::getParameterData(int32 index) {
    if (index < 0 || index >= getParameterCount())
        return nullptr;
    return queues[static_cast<size_t>(index)].get();
}

Vst::IParamValueQueue* PLUGIN_API ParameterChanges::addParameterData(const Vst::ParamID&,
                                                                     int32& index) {
    index = -1;
    return nullptr;
}

} // namespace render
