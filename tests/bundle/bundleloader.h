#pragma once

// The built plug-in module as a host sees it: loaded with dlopen (LoadLibraryW on Windows),
// reached only through its exported entry points.

#include "pluginterfaces/base/ipluginbase.h"
#include "public.sdk/source/vst/vst2wrapper/vst2interface.h"

#include <cstdlib>
#include <string>

namespace bundletest {

// The module the tests load: the build's own, or the one that TIVRANDEL_MODULE names (an
// installed copy, which the release tests check with the same programs).
inline std::string moduleUnderTest() {
    const char* path = std::getenv("TIVRANDEL_MODULE");
    return path != nullptr && *path != '\0' ? std::string(path)
                                            : std::string(TIVRANDEL_BUNDLE_FILE);
}

class Bundle {
public:
    explicit Bundle(const std::string& path = moduleUnderTest());
    ~Bundle();
    Bundle(const Bundle&) = delete;
    Bundle& operator=(const Bundle&) = delete;

    bool loaded() const { return handle != nullptr; }
    const std::string& error() const { return loadError; }
    void* handleForHost() const { return handle; }

    // Null when the module does not export the name.
    void* symbol(const char* name) const;

    Steinberg::IPluginFactory* getPluginFactory() const;
    bool initDll() const;
    bool exitDll() const;
    bool moduleEntry() const;
    bool moduleExit() const;
    AEffect* vstPluginMain(audioMasterCallback audioMaster) const;
    AEffect* main(audioMasterCallback audioMaster) const;

    // The module start-up and shut-down a host of this platform calls: ModuleEntry and
    // ModuleExit on Linux, InitDll and ExitDll on Windows.
    bool start() const;
    bool stop() const;

private:
    template <typename Function>
    Function entry(const char* name) const;

    void* handle = nullptr;
    std::string loadError;
};

} // namespace bundletest
