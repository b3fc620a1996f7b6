#include "editor/editor.h"

#include "editor/resources/stores.h"
#include "editor/views/kvline.h"
#include "editor/views/kvrect.h"
#include "editor/views/kvswitch.h"
#include "editor/views/kvtext.h"
#include "editor/views/myknob.h"
#include "framework/narrowing.h"

#include <sstream>

namespace tivrandel {

namespace {

using kelvane::vst::KVLine;
using kelvane::vst::KVRect;
using kelvane::vst::KVSwitch;
using kelvane::vst::KVText;
using kelvane::vst::MyKnob;
using Steinberg::Vst::ParamID;

// What the editor shows of each knob: its name and the base of its three labels' names.
struct KnobNames {
    ParamID id;
    const char* knob;
    const char* caption;
    const char* labels;
};

// In the order the knobs' labels, captions and knobs are stacked.
const KnobNames knobs[] = {
    {3, "swapKnob", "swapCaption", "swapMark"},
    {1, "timeKnob", "timeCaption", "timeMark"},
    {2, "levelKnob", "levelCaption", "levelMark"},
};

// The fine delay's switch, and its label laid over it.
const char* const fineSwitchName = "fineSwitch";
const char* const fineCaptionName = "fineCaption";

} // namespace

std::string Editor::knobName(ParamID id) {
    for (const KnobNames& names : knobs)
        if (names.id == id)
            return names.knob;
    return {};
}

std::string Editor::controlName(ParamID id) {
    return id == Parameters::FineDelay ? std::string(fineSwitchName) : knobName(id);
}

void Editor::buildViews() {
    const VSTGUI::CPoint origin(0, 0);
    auto add = [this](const std::string& name, VSTGUI::CView* view) {
        views[name] = view;
        frame->addView(view);
    };
    add("background", new KVRect());
    for (const KnobNames& names : knobs) {
        for (int index = 0; index < 3; ++index) {
            std::ostringstream name;
            name << names.labels << index;
            add(name.str(), new KVText(origin, resourceCache.get()));
        }
    }
    add("titleRule", new KVLine(origin));
    add("title", new KVText(origin, resourceCache.get()));
    for (const KnobNames& names : knobs)
        add(names.caption, new KVText(origin, resourceCache.get()));
    for (const KnobNames& names : knobs) {
        const std::int32_t steps = Parameters::describe(names.id).stepCount;
        auto* knob = new MyKnob(origin, this, static_cast<std::int32_t>(names.id),
                                resourceCache.get(), steps);
        // A control-click resets the knob to its parameter's default, as the menu item does.
        knob->setDefaultValue(static_cast<float>(Parameters::defaultValue(names.id)));
        add(names.knob, knob);
    }
    auto* fineSwitch = new KVSwitch(this, static_cast<std::int32_t>(Parameters::FineDelay));
    fineSwitch->setDefaultValue(
        static_cast<float>(Parameters::defaultValue(Parameters::FineDelay)));
    add(fineSwitchName, fineSwitch);
    auto* fineCaption = new KVText(origin, resourceCache.get());
    // The switch under it takes the mouse.
    fineCaption->setMouseEnabled(false);
    add(fineCaptionName, fineCaption);
}

void Editor::onParameterChanged(ParamID id, Steinberg::Vst::ParamValue value) {
    kelvane::vst::guarded<bool>(false, [&] {
        const auto found = views.find(controlName(id));
        if (found != views.end())
            if (auto* control = dynamic_cast<VSTGUI::CControl*>(found->second))
                control->setValue(kelvane::vst::narrowToFloat(value));
        return true;
    });
}

std::string Editor::layoutText() {
    return editorResources().readString("layout.json");
}

std::string Editor::layoutReloadPath() {
    return {};
}

std::string Editor::layoutLogPath() {
    return {};
}

const kelvane::vst::ResourceStore& Editor::resourceStore() {
    return editorResources();
}

const kelvane::vst::ResourceStore& Editor::manualStore() {
    return manualResources();
}

} // namespace tivrandel
