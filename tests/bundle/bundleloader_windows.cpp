#include "bundleloader.h"

#include <windows.h>

#include <stdexcept>

namespace bundletest {

namespace {

// The tests are built on Linux and run under Wine, whose drive Z: is the Linux root: a path
// from the build becomes Z: and the same path with backslashes.
std::wstring windowsPath(const std::string& path) {
    std::string converted = path;
    if (!converted.empty() && converted.front() == '/')
        converted.insert(0, "Z:");
    for (char& c : converted) {
        if (c == '/')
            c = '\\';
    }
    const int size = MultiByteToWideChar(CP_UTF8, 0, converted.c_str(), -1, nullptr, 0);
    if (size <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, converted.c_str(), -1, wide.data(), size);
    wide.resize(static_cast<std::size_t>(size - 1));
    return wide;
}

} // namespace

Bundle::Bundle(const std::string& path) {
    handle = LoadLibraryW(windowsPath(path).c_str());
    if (handle == nullptr)
        loadError = "LoadLibraryW failed with error " + std::to_string(GetLastError());
}

Bundle::~Bundle() {
    if (handle != nullptr)
        FreeLibrary(static_cast<HMODULE>(handle));
}

void* Bundle::symbol(const char* name) const {
    if (handle == nullptr)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
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

AEffect* Bundle::vstPluginMain(audioMasterCallback audioMaster) const {
    return entry<AEffect* (*)(audioMasterCallback)>("VSTPluginMain")(audioMaster);
}

AEffect* Bundle::main(audioMasterCallback audioMaster) const {
    return entry<AEffect* (*)(audioMasterCallback)>("main")(audioMaster);
}

bool Bundle::start() const {
    return initDll();
}

bool Bundle::stop() const {
    return exitDll();
}

} // namespace bundletest
