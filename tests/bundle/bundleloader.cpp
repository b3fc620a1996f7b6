#include "bundleloader.h"

#include <dlfcn.h>

#include <stdexcept>

namespace bundletest {

Bundle::Bundle(const std::string& path) {
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* message = dlerror();
        loadError = message != nullptr ? message : "dlopen failed";
    }
}

Bundle::~Bundle() {
    if (handle != nullptr)
        dlclose(handle);
}

void* Bundle::symbol(const char* name) const {
    return handle != nullptr ? dlsym(handle, name) : nullptr;
}

template <typename Function>
Function Bundle::entry(const char* name) const {
    void* address = symbol(name);
    if (address == nullptr)
        throw std::runtime_error(std::string("the module does not export ") + name);
    return reinterpret_cast<Function>(address);
}

Steinberg::IPluginFactory* Bundle::getPluginFactory() const {
    return entry<GetFactoryProc>("GetPluginFactory")();
}

bool Bundle::initDll() const {
    return entry<bool (*)()>("InitDll")();
}

bool Bundle::exitDll() const {
    return entry<bool (*)()>("ExitDll")();
}

bool Bundle::moduleEntry() const {
    return entry<bool (*)(void*)>("ModuleEntry")(handle);
}

bool Bundle::moduleExit() const {
    return entry<bool (*)()>("ModuleExit")();
}

bool Bundle::start() const {
    return moduleEntry();
}

bool Bundle::stop() const {
    return moduleExit();
}

AEffect* Bundle::vstPluginMain(audioMasterCallback audioMaster) const {
    return entry<AEffect* (*)(audioMasterCallback)>("VSTPluginMain")(audioMaster);
}

AEffect* Bundle::main(audioMasterCallback audioMaster) const {
    return entry<AEffect* (*)(audioMasterCallback)>("main")(audioMaster);
}

} // namespace bundletest
