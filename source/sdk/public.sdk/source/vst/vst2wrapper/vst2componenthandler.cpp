#include "public.sdk/source/vst/vst2wrapper/vst2componenthandler.h"

#include "public.sdk/source/vst/vst2wrapper/vst2wrapper.h"

namespace Steinberg {
namespace Vst {

// The wrapper's handler entries catch everything themselves.
IMPLEMENT_FUNKNOWN_METHODS(Vst2ComponentHandler, IComponentHandler, IComponentHandler::iid)

Vst2ComponentHandler::Vst2ComponentHandler(Vst2Wrapper* owner)
    : wrapper(owner){FUNKNOWN_CTOR}

      Vst2ComponentHandler::~Vst2ComponentHandler(){FUNKNOWN_DTOR}

      tresult PLUGIN_API Vst2ComponentHandler::beginEdit(ParamID id) {
    return wrapper ? wrapper->beginEdit(id) : kResultFalse;
}

tresult PLUGIN_API Vst2ComponentHandler::performEdit(ParamID id, ParamValue valueNormalized) {
    return wrapper ? wrapper->performEdit(id, valueNormalized) : kResultFalse;
}

tresult PLUGIN_API Vst2ComponentHandler::endEdit(ParamID id) {
    return wrapper ? wrapper->endEdit(id) : kResultFalse;
}

tresult PLUGIN_API Vst2ComponentHandler::restartComponent(int32 flags) {
    return wrapper ? wrapper->restartComponent(flags) : kResultFalse;
}

} // namespace Vst
} // namespace Steinberg
