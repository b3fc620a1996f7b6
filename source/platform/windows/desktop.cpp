#include "platform/desktop.h"

#include <windows.h>

#include <direct.h>
#include <shellapi.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace kelvane::platform {

char pathSeparator() {
    return '\\';
}

std::string temporaryDirectory() {
    std::array<char, 261> buffer{};
    const DWORD length = GetTempPathA(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0 || length >= buffer.size())
        return {};
    return std::string(buffer.data(), length);
}

std::uint16_t userLanguage() {
    return GetUserDefaultLangID();
}

bool makeDirectory(const std::string& path) {
    return _mkdir(path.c_str()) == 0;
}

bool writeNewFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    // CREATE_NEW fails on any existing name, a symbolic link included, whether or not its
    // target exists.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::size_t done = 0;
    while (done < size) {
        const DWORD step = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, data + done, step, &written, nullptr) || written == 0)
            break;
        done += written;
    }
    const bool complete = CloseHandle(file) != 0 && done == size;
    if (!complete)
        DeleteFileA(path.c_str());
    return complete;
}

void openDocument(const std::string& path) {
    ShellExecuteA(nullptr, nullptr, path.c_str(), nullptr, nullptr, SW_SHOW);
}

std::string hostExecutablePath() {
    std::array<char, 8192> buffer{};
    const DWORD length =
        GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    return std::string(buffer.data(), length < buffer.size() ? length : 0);
}

double windowScaleFactor(void* window) {
    // GetDpiForWindow came with Windows 10 1607: looked up, not imported. A window of a process
    // that is not DPI-aware answers 96.
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const FARPROC address = user32 != nullptr ? GetProcAddress(user32, "GetDpiForWindow") : nullptr;
    if (address == nullptr || window == nullptr)
        return 1;
    GetDpiForWindowFunction getDpiForWindow = nullptr;
    std::memcpy(&getDpiForWindow, &address, sizeof(getDpiForWindow));
    const UINT dpi = getDpiForWindow(static_cast<HWND>(window));
    return dpi > 0 ? static_cast<double>(dpi) / 96.0 : 1;
}

} // namespace kelvane::platform
