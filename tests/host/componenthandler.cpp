#include "host/componenthandler.h"

namespace testhost {

using namespace Steinberg;

// Tests keep the handler on the stack; the initial reference is never released.
IMPLEMENT_FUNKNOWN_METHODS(ComponentHandler, Vst::IComponentHandler, Vst::IComponentHandler::iid)

tresult PLUGIN_API ComponentHandler::beginEdit(Vst::ParamID id) {
    calls.push_back(begin(id));
    return answer;
}

tresult PLUGIN_API ComponentHandler::performEdit(Vst::ParamID id, Vst::ParamValue valueNormalized) {
    calls.push_back(perform(id, valueNormalized));
    return answer;
}

tresult PLUGIN_API ComponentHandler::endEdit(Vst::ParamID id) {
    calls.push_back(end(id));
    return answer;
}

tresult PLUGIN_API ComponentHandler::restartComponent(int32 flags) {
    calls.push_back(restart(flags));
    return answer;
}

} // namespace testhost
