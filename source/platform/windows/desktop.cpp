#include "platform/desktop.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace kelvane::platform {

char pathSeparator() {
    return '\\';
}

namespace {

// File names are UTF-8 in the program and wide in the system's calls: the ANSI calls would
// turn every character outside the code page into a question mark.
std::wstring wideOf(const std::string& utf8) {
    if (utf8.empty())
        return {};
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                           static_cast<int>(utf8.size()), nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                        wide.data(), length);
    return wide;
}

std::string utf8Of(const std::wstring& wide) {
    if (wide.empty())
        return {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return {};
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length,
                        nullptr, nullptr);
    return utf8;
}

} // namespace

std::string temporaryDirectory() {
    // The answer without the terminator, or the size the buffer needs when it is too small.
    std::wstring buffer(MAX_PATH + 1, L'\0');
    DWORD length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length >= buffer.size()) {
        buffer.assign(length + 1, L'\0');
        length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    }
    if (length == 0 || length >= buffer.size())
        return {};
    buffer.resize(length);
    return utf8Of(buffer);
}

std::uint16_t userLanguage() {
    return GetUserDefaultLangID();
}

bool makeDirectory(const std::string& path) {
    const std::wstring wide = wideOf(path);
    return !wide.empty() && CreateDirectoryW(wide.c_str(), nullptr) != 0;
}

bool writeNewFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    const std::wstring wide = wideOf(path);
    if (wide.empty())
        return false;
    // CREATE_NEW fails on any existing name, a symbolic link included, whether or not its
    // target exists.
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
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
        DeleteFileW(wide.c_str());
    return complete;
}

void openDocument(const std::string& path) {
    const std::wstring wide = wideOf(path);
    if (!wide.empty())
        ShellExecuteW(nullptr, nullptr, wide.c_str(), nullptr, nullptr, SW_SHOW);
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
