// The built bundle's binary as a host loads it: its descriptors, and the entries' answers to
// what they must refuse.

#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <string>

#ifndef TIVRANDEL_LV2_BINARY
#error "the build passes the bundle's binary"
#endif

namespace {

class Lv2Entry : public ::testing::Test {
protected:
    void SetUp() override {
        library = dlopen(TIVRANDEL_LV2_BINARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        plugins = reinterpret_cast<LV2_Descriptor_Function>(dlsym(library, "lv2_descriptor"));
        uis = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"));
        ASSERT_NE(plugins, nullptr);
        ASSERT_NE(uis, nullptr);
    }
    void TearDown() override {
        if (library) {
            dlclose(library);
        }
    }

    void* library = nullptr;
    LV2_Descriptor_Function plugins = nullptr;
    LV2UI_DescriptorFunction uis = nullptr;
};

TEST_F(Lv2Entry, OffersOnePluginAndOneUiByTheirUris) {
    const LV2_Descriptor* plugin = plugins(0);
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(std::string(plugin->URI), "https://kelvane.example/plugins/tivrandel");
    EXPECT_EQ(plugins(1), nullptr);
    const LV2UI_Descriptor* ui = uis(0);
    ASSERT_NE(ui, nullptr);
    EXPECT_EQ(std::string(ui->URI), "https://kelvane.example/plugins/tivrandel#ui");
    EXPECT_EQ(uis(1), nullptr);
    ASSERT_NE(ui->extension_data, nullptr);
    EXPECT_NE(ui->extension_data(LV2_UI__idleInterface), nullptr);
    EXPECT_EQ(ui->extension_data(LV2_UI__showInterface), nullptr);
    EXPECT_EQ(plugin->extension_data("urn:nothing"), nullptr);
}

TEST_F(Lv2Entry, InstantiateRefusesABadRateAndTheUiRefusesToRunWithoutItsFeatures) {
    const LV2_Descriptor* plugin = plugins(0);
    EXPECT_EQ(plugin->instantiate(plugin, 0.0, "/nowhere/", nullptr), nullptr);
    EXPECT_EQ(plugin->instantiate(plugin, -1.0, "/nowhere/", nullptr), nullptr);
    LV2_Handle handle = plugin->instantiate(plugin, 48000.0, "/nowhere/", nullptr);
    ASSERT_NE(handle, nullptr);
    float in[16] = {}, out[16] = {};
    plugin->connect_port(handle, 0, in);
    plugin->connect_port(handle, 1, in);
    plugin->connect_port(handle, 2, out);
    plugin->connect_port(handle, 3, out);
    plugin->activate(handle);
    plugin->run(handle, 16);
    plugin->deactivate(handle);
    plugin->cleanup(handle);

    const LV2UI_Descriptor* ui = uis(0);
    LV2UI_Widget widget = nullptr;
    // No ui:parent and no idle interface.
    EXPECT_EQ(ui->instantiate(ui, "https://kelvane.example/plugins/tivrandel", "/nowhere/", nullptr,
                              nullptr, &widget, nullptr),
              nullptr);
    int parentWindow = 1;
    const LV2_Feature parent{LV2_UI__parent, &parentWindow};
    const LV2_Feature* onlyParent[] = {&parent, nullptr};
    EXPECT_EQ(ui->instantiate(ui, "https://kelvane.example/plugins/tivrandel", "/nowhere/", nullptr,
                              nullptr, &widget, onlyParent),
              nullptr);
    // Another plug-in's URI.
    const LV2_Feature idle{LV2_UI__idleInterface, nullptr};
    const LV2_Feature* both[] = {&parent, &idle, nullptr};
    EXPECT_EQ(ui->instantiate(ui, "urn:other", "/nowhere/", nullptr, nullptr, &widget, both),
              nullptr);
}

} // namespace
