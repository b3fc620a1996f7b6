#pragma once

// What the module's exported entry points do, apart from exporting them, so that the sequence
// can be exercised with substitutes for the factory and the VST2 wrapper.

#include "pluginterfaces/base/ipluginbase.h"
#include "public.sdk/source/vst/vst2wrapper/vst2interface.h"

namespace tivrandel::entry {

// Module start-up (InitDll, ModuleEntry): takes one reference of the shared GDI+ start-up.
// Each call adds one; there is no module counter.
bool startModule();
// Module shut-down (ExitDll, ModuleExit): gives one reference back; the last one shuts GDI+ down.
bool stopModule();

// The pieces the VST2 entry builds the effect from.
struct Vst2Builders {
    Steinberg::IPluginFactory* (*makeFactory)();
    AEffect* (*wrap)(Steinberg::IPluginFactory* factory, const Steinberg::TUID vst3ComponentID,
                     VstInt32 vst2ID, audioMasterCallback audioMaster, void (*onClose)());
};

// The product's: a fresh factory as GetPluginFactory makes it, wrapped by Vst2Wrapper.
Vst2Builders productBuilders();

// VSTPluginMain: null unless the host answers the version query; otherwise the start-up
// reference, a factory and the wrapper's effect, whose closing gives the reference back. When
// no effect comes of it, the reference is given back at once and the factory released.
AEffect* vst2Main(audioMasterCallback audioMaster, const Vst2Builders& builders);

} // namespace tivrandel::entry
