// The module's exported entry points. Each one is a host-facing boundary: nothing thrown inside
// reaches the host.

#include "framework/guard.h"
#include "module/entrypoints.h"
#include "module/factory.h"
#include "platform/module.h"

#include "pluginterfaces/base/ipluginbase.h"

using kelvane::vst::guarded;

extern "C" {

SMTG_EXPORT_SYMBOL Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory() {
    // A new factory on every call; the caller owns its one reference.
    return guarded<Steinberg::IPluginFactory*>(nullptr, [] { return tivrandel::createFactory(); });
}

SMTG_EXPORT_SYMBOL bool InitDll() {
    return guarded(false, [] { return tivrandel::entry::startModule(); });
}

SMTG_EXPORT_SYMBOL bool ExitDll() {
    return guarded(false, [] { return tivrandel::entry::stopModule(); });
}

SMTG_EXPORT_SYMBOL AEffect* VSTPluginMain(audioMasterCallback audioMaster) {
    return guarded<AEffect*>(nullptr, [audioMaster] {
        return tivrandel::entry::vst2Main(audioMaster, tivrandel::entry::productBuilders());
    });
}

// Older VST2 hosts look for the entry under the name "main". A C++ function cannot be called
// that without being the program's main, so the alias gets the name through its symbol.
SMTG_EXPORT_SYMBOL AEffect* vstMainAlias(audioMasterCallback audioMaster) __asm__("main");
AEffect* vstMainAlias(audioMasterCallback audioMaster) {
    return VSTPluginMain(audioMaster);
}

#if defined(__linux__)
// Linux hosts call these instead of InitDll and ExitDll, passing the handle they loaded us with.
SMTG_EXPORT_SYMBOL bool ModuleEntry(void* sharedLibraryHandle) {
    return guarded(false, [sharedLibraryHandle] {
        kelvane::platform::setModuleHandle(sharedLibraryHandle);
        return tivrandel::entry::startModule();
    });
}

SMTG_EXPORT_SYMBOL bool ModuleExit() {
    return guarded(false, [] { return tivrandel::entry::stopModule(); });
}
#endif

} // extern "C"
