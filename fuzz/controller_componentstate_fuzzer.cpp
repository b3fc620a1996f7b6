// Feeds arbitrary bytes to the controller's setComponentState, as a host hands over the
// processor's state. An attached editor is told each of the values exactly once when the
// load succeeds and nothing when it fails; stored values stay in [0, 1].
#include "controller/controller.h"

#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using Steinberg::kResultOk;
using Steinberg::Vst::ParamID;
using Steinberg::Vst::ParamValue;

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

class CountingEditor : public tivrandel::Editor {
public:
    using Editor::Editor;
    void onParameterChanged(ParamID id, ParamValue /*value*/) override { ids.push_back(id); }
    std::vector<ParamID> ids;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Its reference count always answers 1: it must outlive every controller.
    static Steinberg::Vst::HostApplication host;
    auto controller = Steinberg::owned(new tivrandel::Controller);
    controller->initialize(&host);
    auto editor = Steinberg::owned(new CountingEditor(controller));
    controller->editorAttached(editor);

    Steinberg::MemoryStream input(const_cast<std::uint8_t*>(data), Steinberg::TSize(size));
    const bool loaded = controller->setComponentState(&input) == kResultOk;
    std::vector<ParamID> all;
    for (ParamID id = 0; id < ParamID(tivrandel::Parameters::count); ++id) {
        all.push_back(id);
    }
    check(editor->ids == (loaded ? all : std::vector<ParamID>{}));
    for (ParamID id = 0; id < ParamID(tivrandel::Parameters::count); ++id) {
        const double value = controller->getParamNormalized(id);
        check(value >= 0.0 && value <= 1.0);
        check(loaded || value == tivrandel::Parameters::defaultValue(id));
    }
    controller->editorRemoved(editor);
    controller->terminate();
    return 0;
}
