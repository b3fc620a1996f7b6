// Loads and unloads the bundle as a scanning host does, a few times, in a process that does not
// link cairo itself. The module must go with each unload, and pixman, whose constructor
// allocates what it never frees, must stay, so that it is set up once and not once per load.
//   tivrandel_unload_probe MODULE

#include <dlfcn.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: tivrandel_unload_probe MODULE\n", stderr);
        return 2;
    }
    for (int cycle = 0; cycle < 3; ++cycle) {
        void* module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr) {
            std::fprintf(stderr, "cannot load %s: %s\n", argv[1], dlerror());
            return 1;
        }
        auto entry = reinterpret_cast<bool (*)(void*)>(dlsym(module, "ModuleEntry"));
        auto exit = reinterpret_cast<bool (*)()>(dlsym(module, "ModuleExit"));
        if (entry == nullptr || exit == nullptr || !entry(module) || !exit()) {
            std::fputs("ModuleEntry or ModuleExit failed\n", stderr);
            return 1;
        }
        dlclose(module);
        if (dlopen(argv[1], RTLD_NOW | RTLD_NOLOAD) != nullptr) {
            std::fputs("the module stayed loaded after its last dlclose\n", stderr);
            return 1;
        }
        if (dlopen("libpixman-1.so.0", RTLD_NOW | RTLD_NOLOAD) == nullptr) {
            std::fputs("pixman was unloaded with the module\n", stderr);
            return 1;
        }
    }
    return 0;
}
