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
