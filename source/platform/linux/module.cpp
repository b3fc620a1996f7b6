#include "platform/module.h"

#include <dlfcn.h>

namespace kelvane::platform {

namespace {

void* handle = nullptr;

std::string directoryOfThisModule() {
    // Any address inside the module names the file the loader mapped it from.
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&directoryOfThisModule), &info) == 0 ||
        info.dli_fname == nullptr)
        return {};
    const std::string path = info.dli_fname;
    const std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return path.substr(0, slash + 1);
}

// Recorded while the module is being loaded, before any host call can ask for it.
const std::string& recordedAtLoad = moduleDirectory();

// pixman (under cairo) allocates its tables in a library constructor and never frees them.
// Hosts load and unload plug-ins while they scan, and pixman came and went with this module,
// losing 12 KB each time. Kept for the rest of the process, with cairo (which keeps a little
// static data of its own), it is set up once; this module itself still unloads.
const bool cairoKept =
    dlopen("libpixman-1.so.0", RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE) != nullptr &&
    dlopen("libcairo.so.2", RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE) != nullptr;

} // namespace

const std::string& moduleDirectory() {
    static const std::string directory = directoryOfThisModule();
    return directory;
}

void* moduleHandle() {
    return handle;
}

void setModuleHandle(void* moduleHandle) {
    handle = moduleHandle;
}

} // namespace kelvane::platform
