// The CLAP module's one export, clap_entry: a factory of the one plug-in, Tivrandel, made of the
// module's VST3 processor and controller.

#include "wrappers/clap/clapplugin.h"

#include "module/classids.h"
#include "module/entrypoints.h"
#include "module/factory.h"
#include "module/version.h"

#include "public.sdk/source/common/hostboundary.h"

#include "clap/entry.h"
#include "clap/plugin-factory.h"

#include <atomic>
#include <cstring>

namespace {

using Steinberg::guarded;

// Never changes: hosts find the plug-in in their sessions by it.
constexpr const char* pluginId = "com.kelvane.tivrandel";

const char* features[] = {CLAP_PLUGIN_FEATURE_AUDIO_EFFECT, CLAP_PLUGIN_FEATURE_STEREO,
                          CLAP_PLUGIN_FEATURE_UTILITY, CLAP_PLUGIN_FEATURE_MIXING, nullptr};

const clap_plugin_descriptor_t descriptor = {
    CLAP_VERSION_INIT,
    pluginId,
    "Tivrandel",
    "Kelvane",
    "https://kelvane.example",
    "",
    "",
    TIVRANDEL_VERSION,
    "Places a stereo source by the time difference between the channels",
    features};

// init and deinit come in pairs; the module start-up is taken once, by the first init.
std::atomic<int> initCount{0};

uint32_t pluginCount(const clap_plugin_factory_t*) {
    return 1;
}

const clap_plugin_descriptor_t* pluginDescriptor(const clap_plugin_factory_t*, uint32_t index) {
    return index == 0 ? &descriptor : nullptr;
}

const clap_plugin_t* createPlugin(const clap_plugin_factory_t*, const clap_host_t* host,
                                  const char* id) {
    return guarded<const clap_plugin_t*>(nullptr, [&]() -> const clap_plugin_t* {
        if (!host || !id || std::strcmp(id, pluginId) != 0 ||
            !clap_version_is_compatible(host->clap_version)) {
            return nullptr;
        }
        const Steinberg::IPtr<Steinberg::IPluginFactory> factory(tivrandel::createFactory(), false);
        if (!factory) {
            return nullptr;
        }
        Steinberg::TUID cid;
        tivrandel::processorClassId().toTUID(cid);
        return kelvane::wrappers::clap::createPlugin(&descriptor, host, factory, cid);
    });
}

const clap_plugin_factory_t pluginFactory = {&pluginCount, &pluginDescriptor, &createPlugin};

bool entryInit(const char*) {
    return guarded(false, [] {
        if (initCount.fetch_add(1) == 0) {
            tivrandel::entry::startModule();
        }
        return true;
    });
}

void entryDeinit() {
    guarded(0, [] {
        if (initCount.fetch_sub(1) == 1) {
            tivrandel::entry::stopModule();
        }
        return 0;
    });
}

const void* entryFactory(const char* id) {
    return id && std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0 ? &pluginFactory : nullptr;
}

} // namespace

// Exported by its declaration in clap/entry.h.
extern "C" {
const clap_plugin_entry_t clap_entry = {CLAP_VERSION_INIT, &entryInit, &entryDeinit, &entryFactory};
}
