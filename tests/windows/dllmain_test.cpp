#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::wstring widen(const std::string& text) {
    std::wstring wide;
    for (char c : text)
        wide += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return wide;
}

std::string utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string converted(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), converted.data(),
                        size, nullptr, nullptr);
    return converted;
}

template <typename Function>
Function probe(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Loads the probe from path and checks what its DllMain recorded against what Windows says.
void expectRecordedAt(const std::wstring& path) {
    HMODULE module = LoadLibraryW(path.c_str());
    ASSERT_NE(module, nullptr) << "error " << GetLastError();
    wchar_t name[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(module, name, MAX_PATH);
    const std::wstring file(name, length);
    const std::wstring directory = file.substr(0, file.rfind(L'\\') + 1);

    using Text = const char* (*)();
    using Handle = void* (*)();
    EXPECT_EQ(std::string(probe<Text>(module, "probeModuleDirectory")()), utf8(directory));
    EXPECT_EQ(probe<Handle>(module, "probeModuleHandle")(), module);
    EXPECT_EQ(probe<Handle>(module, "probeSdkInstance")(), module);
    EXPECT_EQ(probe<Handle>(module, "probeVstguiInstance")(), module);
    FreeLibrary(module);
}

// The build's path, on Wine's drive Z: (the Linux root).
const std::wstring probePath = L"Z:" + widen(MODULE_PROBE_PATH);

TEST(DllMain, RecordsInstanceHandleAndDirectoryWithItsBackslash) {
    expectRecordedAt(probePath);
}

TEST(DllMain, DirectoryOfANonAsciiFolderIsUtf8) {
    wchar_t temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring folder = std::wstring(temp) + L"tivrandel \u00FCber \u20AC";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring copy = folder + L"\\probe.dll";
    ASSERT_TRUE(CopyFileW(probePath.c_str(), copy.c_str(), FALSE)) << "error " << GetLastError();
    expectRecordedAt(copy);
    DeleteFileW(copy.c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST(DllMain, NameLongerThanMaxPathLeavesTheDirectoryEmpty) {
    // A cut-off name would name some other folder: better none than a wrong one.
    wchar_t temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    std::wstring folder = L"\\\\?\\" + std::wstring(temp) + L"tivrandel-long";
    std::vector<std::wstring> made;
    for (;;) {
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) ||
                    GetLastError() == ERROR_ALREADY_EXISTS)
            << "error " << GetLastError();
        made.push_back(folder);
        if (folder.size() > MAX_PATH)
            break;
        folder += L"\\" + std::wstring(60, L'd');
    }
    const std::wstring copy = made.back() + L"\\probe.dll";
    ASSERT_TRUE(CopyFileW(probePath.c_str(), copy.c_str(), FALSE)) << "error " << GetLastError();
    HMODULE module = LoadLibraryW(copy.c_str());
    ASSERT_NE(module, nullptr) << "error " << GetLastError();
    using Text = const char* (*)();
    EXPECT_EQ(std::string(probe<Text>(module, "probeModuleDirectory")()), "");
    EXPECT_EQ(probe<void* (*)()>(module, "probeSdkInstance")(), module);
    FreeLibrary(module);
    DeleteFileW(copy.c_str());
    for (auto it = made.rbegin(); it != made.rend(); ++it)
        RemoveDirectoryW(it->c_str());
}

} // namespace
