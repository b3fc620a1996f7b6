#include "module/entrypoints.h"

#include "module/classids.h"
#include "module/factory.h"
#include "vstgui/gdiplusglobals.h"

#include "pluginterfaces/base/smartpointer.h"
#include "wrappers/vst2/vst2wrapper.h"

namespace tivrandel::entry {

bool startModule() {
    VSTGUI::GDIPlusGlobals::enter();
    return true;
}

bool stopModule() {
    VSTGUI::GDIPlusGlobals::exit();
    return true;
}

namespace {

class ModuleReference {
public:
    ModuleReference() = default;
    ~ModuleReference() {
        if (owned)
            stopModule();
    }
    ModuleReference(const ModuleReference&) = delete;
    ModuleReference& operator=(const ModuleReference&) = delete;

    void handOver() { owned = false; }

private:
    bool owned = true;
};

} // namespace

Vst2Builders productBuilders() {
    return Vst2Builders{&createFactory, &Steinberg::Vst::Vst2Wrapper::create};
}

AEffect* vst2Main(audioMasterCallback audioMaster, const Vst2Builders& builders) {
    // Without a callback there is no host to ask, and the wrapper could not talk to one.
    if (audioMaster == nullptr)
        return nullptr;
    if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    if (!startModule())
        return nullptr;
    // Until the effect exists, the start-up reference is ours to give back, also when
    // something throws on the way.
    ModuleReference reference;

    const Steinberg::FUID processorId = processorClassId();
    const VstInt32 vst2Id = vst2UniqueId();
    const Steinberg::IPtr<Steinberg::IPluginFactory> factory(builders.makeFactory(), false);
    if (!factory)
        return nullptr;
    Steinberg::TUID cid;
    processorId.toTUID(cid);
    // The wrapper takes a reference of its own to the factory if it keeps it.
    AEffect* effect = builders.wrap(factory, cid, vst2Id, audioMaster, [] { stopModule(); });
    if (effect != nullptr)
        reference.handOver();
    return effect;
}

} // namespace tivrandel::entry
