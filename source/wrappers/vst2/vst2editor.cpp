#include "wrappers/vst2/vst2wrapper.h"

#include "public.sdk/source/common/hostboundary.h"

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
    if (!editor && pair) {
        editor = owned(pair->createEditor());
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
    // On Linux the frame is also the editor's run loop, which effEditIdle drives.
    frame = owned(new kelvane::wrappers::EditorFrame(this));
    view->setFrame(frame);
    if (view->attached(parent, hostWindowType) != kResultOk) {
        view->setFrame(nullptr);
        frame->clear();
        frame = nullptr;
        return false;
    }
    editorOpen = true;
    // The editor fills the host's window from its corner: the menu's coordinates are its.
    contextMenus.setWindow(reinterpret_cast<std::uintptr_t>(parent));
    return true;
}

void Vst2Wrapper::closeEditor() {
    // A menu open over the editor closes with it, calling nothing.
    contextMenus.setWindow(0);
    if (editor && editorOpen) {
        editor->removed();
        editor->setFrame(nullptr);
    }
    if (frame) {
        frame->clear();
        frame = nullptr;
    }
    editorOpen = false;
    editor = nullptr;
}

void Vst2Wrapper::idleEditor() {
#if SMTG_OS_LINUX
    if (editorOpen && frame) {
        frame->idle();
    }
#endif
}

IContextMenu* Vst2Wrapper::createContextMenu(IPlugView* /*view*/, const ParamID* /*id*/) noexcept {
    return guarded<IContextMenu*>(nullptr, [&] { return contextMenus.create(); });
}

bool Vst2Wrapper::resizeEditor(int32 /*width*/, int32 /*height*/) noexcept {
    return true;
}

} // namespace Vst
} // namespace Steinberg
