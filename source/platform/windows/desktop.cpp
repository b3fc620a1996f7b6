#include "platform/desktop.h"

#include <windows.h>

#include <direct.h>
#include <shellapi.h>

#include <array>

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

void openDocument(const std::string& path) {
    ShellExecuteA(nullptr, nullptr, path.c_str(), nullptr, nullptr, SW_SHOW);
}

std::string hostExecutablePath() {
    std::array<char, 8192> buffer{};
    const DWORD length =
        GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    return std::string(buffer.data(), length < buffer.size() ? length : 0);
}

} // namespace kelvane::platform
