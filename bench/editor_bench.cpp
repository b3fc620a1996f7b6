// How long the editor takes to paint: every view of a freshly opened editor, and one knob
// after its value changed (what the idle timer repaints while a knob turns).

#include "editor/editor.h"
#include "module/classids.h"
#include "module/factory.h"

#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"
#include "vstgui/gdiplusglobals.h"
#include "vstgui/lib/cframe.h"
#include "vstgui/lib/offscreenframe.h"

#include <benchmark/benchmark.h>

namespace {

using Steinberg::IPtr;

// A controller and its editor, opened without a window and painting offscreen.
class OpenEditor {
public:
    OpenEditor() {
        VSTGUI::GDIPlusGlobals::enter();
        IPtr<Steinberg::IPluginFactory> factory = Steinberg::owned(tivrandel::createFactory());
        Steinberg::Vst::IEditController* raw = nullptr;
        factory->createInstance(tivrandel::controllerClassId().toTUID(),
                                Steinberg::Vst::IEditController::iid,
                                reinterpret_cast<void**>(&raw));
        controller = Steinberg::owned(raw);
        controller->initialize(&host);
        view = Steinberg::owned(controller->createView(Steinberg::Vst::ViewType::kEditor));
        editor = dynamic_cast<tivrandel::Editor*>(view.get());
        offscreen = editor->attachOffscreen();
        offscreen->drawAll(); // images decoded, pointer glows rendered
    }

    ~OpenEditor() {
        view->removed();
        view = nullptr;
        controller->terminate();
        controller = nullptr;
        VSTGUI::GDIPlusGlobals::exit();
    }

    Steinberg::Vst::HostApplication host;
    IPtr<Steinberg::Vst::IEditController> controller;
    IPtr<Steinberg::IPlugView> view;
    tivrandel::Editor* editor = nullptr;
    VSTGUI::OffscreenFrame* offscreen = nullptr;
};

void fullRedraw(benchmark::State& state) {
    OpenEditor open;
    for (auto _ : state)
        open.offscreen->drawAll();
    state.SetLabel("20 views, 346 x 160");
}
BENCHMARK(fullRedraw)->Unit(benchmark::kMillisecond);

void knobRedraw(benchmark::State& state) {
    OpenEditor open;
    double value = 0.0;
    for (auto _ : state) {
        value = value < 0.9 ? value + 0.01 : 0.0;
        open.editor->onParameterChanged(1, value);
        open.editor->getFrame()->idle();
    }
    state.SetLabel("time pan knob, as the idle timer repaints it");
}
BENCHMARK(knobRedraw)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
