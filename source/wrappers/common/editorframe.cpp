#include "wrappers/common/editorframe.h"

namespace kelvane::wrappers {

using namespace Steinberg;

tresult PLUGIN_API EditorFrame::resizeView(IPlugView* view, ViewRect* newSize) {
    if (!view || !newSize || newSize->getWidth() <= 0 || newSize->getHeight() <= 0) {
        return kInvalidArgument;
    }
    if (!target || !target->resizeEditor(newSize->getWidth(), newSize->getHeight())) {
        return kResultFalse;
    }
    // The size was the editor's own idea: it takes it on as soon as the host agrees.
    return view->onSize(newSize) == kResultOk ? kResultTrue : kResultFalse;
}

} // namespace kelvane::wrappers
