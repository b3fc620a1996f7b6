#include "platform/module.h"
#include "vstgui/instance.h"

#include <windows.h>

#include <string>

// Where the VST3 SDK reads the module's instance handle.
HINSTANCE ghInst = nullptr;

namespace kelvane::platform {

namespace {

std::string recordedDirectory;

std::string utf8Of(const wchar_t* text, int length) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return {};
    std::string converted(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, converted.data(), size, nullptr, nullptr);
    return converted;
}

void recordModule(HINSTANCE instance) {
    ghInst = instance;
    VSTGUI::hInstance = instance;
    setModuleHandle(instance);

    wchar_t name[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(instance, name, MAX_PATH);
    // Zero is failure; MAX_PATH means the name was truncated and names no real directory.
    if (length == 0 || length >= MAX_PATH)
        return;
    const std::wstring path(name, length);
    const std::wstring::size_type separator = path.rfind(L'\\');
    if (separator == std::wstring::npos)
        return;
    recordedDirectory = utf8Of(path.c_str(), static_cast<int>(separator + 1));
}

void* handle = nullptr;

} // namespace

const std::string& moduleDirectory() {
    return recordedDirectory;
}

void* moduleHandle() {
    return handle;
}

void setModuleHandle(void* moduleHandle) {
    handle = moduleHandle;
}

} // namespace kelvane::platform

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        try {
            kelvane::platform::recordModule(instance);
        } catch (...) {
            // The directory stays empty; loading goes on.
        }
    }
    return TRUE;
}
