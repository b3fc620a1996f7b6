// The LV2 bundle's binary: the plug-in's descriptor and its UI's, each entry a host-facing
// boundary through which nothing thrown reaches the host.

#include "framework/guard.h"
#include "module/classids.h"
#include "module/entrypoints.h"
#include "module/factory.h"
#include "wrappers/lv2/lv2plugin.h"
#include "wrappers/lv2/lv2ui.h"
#include "wrappers/lv2/product.h"

#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>

#include <cstring>

using kelvane::vst::guarded;

namespace {

kelvane::lv2::PluginClass pluginClass() {
    return {&tivrandel::createFactory, tivrandel::processorClassId(), tivrandel::lv2::portLayout()};
}

kelvane::lv2::Plugin* plugin(LV2_Handle handle) {
    return static_cast<kelvane::lv2::Plugin*>(handle);
}

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*,
                       const LV2_Feature* const* features) {
    return guarded<LV2_Handle>(nullptr, [&] {
        return kelvane::lv2::Plugin::create(pluginClass(), rate, features).release();
    });
}

void connectPort(LV2_Handle handle, uint32_t port, void* data) {
    plugin(handle)->connectPort(port, data);
}

void activate(LV2_Handle handle) {
    guarded(0, [&] {
        plugin(handle)->activate();
        return 0;
    });
}

void run(LV2_Handle handle, uint32_t samples) {
    plugin(handle)->run(samples);
}

void deactivate(LV2_Handle handle) {
    guarded(0, [&] {
        plugin(handle)->deactivate();
        return 0;
    });
}

void cleanup(LV2_Handle handle) {
    guarded(0, [&] {
        delete plugin(handle);
        return 0;
    });
}

const void* extensionData(const char*) {
    return nullptr;
}

const LV2_Descriptor descriptor = {tivrandel::lv2::pluginUri,
                                   instantiate,
                                   connectPort,
                                   activate,
                                   run,
                                   deactivate,
                                   cleanup,
                                   extensionData};

// --- UI ---

kelvane::lv2::Ui* ui(LV2UI_Handle handle) {
    return static_cast<kelvane::lv2::Ui*>(handle);
}

LV2UI_Handle instantiateUi(const LV2UI_Descriptor*, const char* uri, const char*,
                           LV2UI_Write_Function write, LV2UI_Controller controller,
                           LV2UI_Widget* widget, const LV2_Feature* const* features) {
    return guarded<LV2UI_Handle>(nullptr, [&]() -> LV2UI_Handle {
        if (!uri || std::strcmp(uri, tivrandel::lv2::pluginUri) != 0) {
            return nullptr;
        }
        const kelvane::lv2::UiClass uiClass{pluginClass(), &tivrandel::entry::startModule,
                                            &tivrandel::entry::stopModule};
        return kelvane::lv2::Ui::create(uiClass, write, controller, widget, features).release();
    });
}

void cleanupUi(LV2UI_Handle handle) {
    guarded(0, [&] {
        delete ui(handle);
        return 0;
    });
}

void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format,
               const void* buffer) {
    guarded(0, [&] {
        ui(handle)->portEvent(port, size, format, buffer);
        return 0;
    });
}

int idle(LV2UI_Handle handle) {
    // A UI that failed its idle is closed by the host.
    return guarded(1, [&] { return ui(handle)->idle(); });
}

const LV2UI_Idle_Interface idleInterface = {idle};

uint32_t getOptions(LV2_Handle handle, LV2_Options_Option* options) {
    return guarded<uint32_t>(LV2_OPTIONS_ERR_UNKNOWN,
                             [&] { return ui(handle)->getOptions(options); });
}

uint32_t setOptions(LV2_Handle handle, const LV2_Options_Option* options) {
    return guarded<uint32_t>(LV2_OPTIONS_ERR_UNKNOWN,
                             [&] { return ui(handle)->setOptions(options); });
}

const LV2_Options_Interface optionsInterface = {getOptions, setOptions};

const void* uiExtensionData(const char* uri) {
    if (uri && std::strcmp(uri, LV2_UI__idleInterface) == 0) {
        return &idleInterface;
    }
    if (uri && std::strcmp(uri, LV2_OPTIONS__interface) == 0) {
        return &optionsInterface;
    }
    return nullptr;
}

const LV2UI_Descriptor uiDescriptor = {tivrandel::lv2::uiUri, instantiateUi, cleanupUi, portEvent,
                                       uiExtensionData};

} // namespace

extern "C" {

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return index == 0 ? &descriptor : nullptr;
}

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
    return index == 0 ? &uiDescriptor : nullptr;
}

} // extern "C"
