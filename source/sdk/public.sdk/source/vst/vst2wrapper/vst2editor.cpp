#include "public.sdk/source/vst/vst2wrapper/vst2wrapper.h"

#include "public.sdk/source/vst/vst2wrapper/vst2plugframe.h"

#include <algorithm>
#include <climits>

// The editor opcodes, on the host's user-interface thread.

namespace Steinberg {
namespace Vst {

namespace {

#ifdef _WIN32
const FIDString hostWindowType = kPlatformTypeHWND;
#else
const FIDString hostWindowType = kPlatformTypeX11EmbedWindowID;
#endif

short coordinate(int32 value) {
    return static_cast<short>(std::clamp<int32>(value, SHRT_MIN, SHRT_MAX));
}

} // namespace

IPlugView* Vst2Wrapper::editorView() {
    if (!editor && controller) {
        editor = owned(controller->createView(ViewType::kEditor));
    }
    return editor.get();
}

VstIntPtr Vst2Wrapper::editorRect(ERect** rect) {
    if (!rect) {
        return 0;
    }
    *rect = nullptr;
    IPlugView* view = editorView();
    ViewRect size;
    if (!view || view->getSize(&size) != kResultOk) {
        return 0;
    }
    editorSize.left = coordinate(size.left);
    editorSize.top = coordinate(size.top);
    editorSize.right = coordinate(size.right);
    editorSize.bottom = coordinate(size.bottom);
    // The host reads the rectangle until it asks again or closes the effect.
    *rect = &editorSize;
    return 1;
}

bool Vst2Wrapper::openEditor(void* parent) {
    if (editorOpen) {
        return false;
    }
    // No window, nothing to show in.
    if (!parent) {
        return false;
    }
    IPlugView* view = editorView();
    if (!view) {
        return false;
    }
    if (!plugFrame) {
        plugFrame = owned(new Vst2PlugFrame());
    }
    view->setFrame(plugFrame);
    if (view->attached(parent, hostWindowType) != kResultOk) {
        view->setFrame(nullptr);
        return false;
    }
    editorOpen = true;
    return true;
}

void Vst2Wrapper::closeEditor() {
    if (editor && editorOpen) {
        editor->removed();
        editor->setFrame(nullptr);
    }
    editorOpen = false;
    editor = nullptr;
}

void Vst2Wrapper::idleEditor() {
    if (editorOpen && plugFrame) {
        plugFrame->idle();
    }
}

} // namespace Vst
} // namespace Steinberg
