#include <gtest/gtest.h>

#include <dlfcn.h>

#include <string>

namespace {

TEST(ModuleDirectory, IsWhereTheModuleWasLoadedFromWithItsSeparator) {
    const std::string path = MODULE_PROBE_PATH;
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    using Probe = const char* (*)();
    auto probe = reinterpret_cast<Probe>(dlsym(module, "probeModuleDirectory"));
    ASSERT_NE(probe, nullptr) << dlerror();

    EXPECT_EQ(std::string(probe()), path.substr(0, path.rfind('/') + 1));
    dlclose(module);
}

} // namespace
