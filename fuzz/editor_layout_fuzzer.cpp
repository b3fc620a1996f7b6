// Applies arbitrary layout documents to the real editor's views and paints the result. A
// layout may place and style the views however it likes, but applying it never crashes, never
// lets an exception out, and painting whatever it produced is safe.
#include "controller/controller.h"
#include "editor/editor.h"

#include "public.sdk/source/vst/hosting/hostclasses.h"
#include "vstgui/gdiplusglobals.h"
#include "vstgui/lib/cframe.h"
#include "vstgui/lib/offscreenframe.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

class FuzzedEditor : public tivrandel::Editor {
public:
    using Editor::Editor;
    using EditorBase::applyLayout;
};

// One open editor for the whole run: documents apply on top of each other, as reloads do.
struct OpenEditor {
    OpenEditor() {
        VSTGUI::GDIPlusGlobals::enter();
        controller->initialize(&host);
        offscreen = editor->attachOffscreen();
    }

    Steinberg::Vst::HostApplication host;
    Steinberg::IPtr<tivrandel::Controller> controller = Steinberg::owned(new tivrandel::Controller);
    Steinberg::IPtr<FuzzedEditor> editor = Steinberg::owned(new FuzzedEditor(controller));
    VSTGUI::OffscreenFrame* offscreen = nullptr;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static OpenEditor open;
    open.editor->applyLayout(std::string(reinterpret_cast<const char*>(data), size));
    if (open.offscreen != nullptr)
        open.offscreen->drawAll();
    return 0;
}
