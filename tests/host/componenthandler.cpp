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

::testing::AssertionResult isRisingGesture(const std::vector<ComponentHandler::Call>& calls,
                                           Vst::ParamID id, double from, double& last) {
    using Call = ComponentHandler::Call;
    const std::size_t n = calls.size();
    if (n < 5 || !(calls[0] == ComponentHandler::begin(id)) ||
        !(calls[1] == ComponentHandler::begin(id)) ||
        !(calls[n - 2] == ComponentHandler::end(id)) ||
        !(calls[n - 1] == ComponentHandler::end(id)))
        return ::testing::AssertionFailure()
               << n << " calls, not two beginEdit, edits and two endEdit of " << id;
    last = from;
    for (std::size_t i = 2; i + 2 < n; ++i) {
        if (calls[i].kind != Call::PerformEdit || calls[i].id != id)
            return ::testing::AssertionFailure() << "call " << i << " is no performEdit of " << id;
        if (!(calls[i].value > last))
            return ::testing::AssertionFailure()
                   << "performEdit " << calls[i].value << " does not rise above " << last;
        last = calls[i].value;
    }
    return ::testing::AssertionSuccess();
}

} // namespace testhost
