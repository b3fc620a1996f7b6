// The built DLL as a Windows host sees it: its export directory, its version resource and the
// ids it gives its classes.

#include "bundleids.h"
#include "bundleloader.h"
#include "module/version.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using bundletest::Bundle;

std::wstring modulePath(const Bundle& bundle) {
    wchar_t name[MAX_PATH] = {};
    const DWORD length =
        GetModuleFileNameW(static_cast<HMODULE>(bundle.handleForHost()), name, MAX_PATH);
    return std::wstring(name, length);
}

// The names in the loaded module's export directory.
std::vector<std::string> exportedNames(const Bundle& bundle) {
    const auto* base = static_cast<const BYTE*>(bundle.handleForHost());
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    std::vector<std::string> names;
    if (directory.VirtualAddress == 0)
        return names;
    const auto* exports =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
    const auto* nameOffsets = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        names.emplace_back(reinterpret_cast<const char*>(base + nameOffsets[i]));
    std::sort(names.begin(), names.end());
    return names;
}

class WindowsModule : public ::testing::Test {
protected:
    static void SetUpTestSuite() { bundle = new Bundle; }
    static void TearDownTestSuite() {
        delete bundle;
        bundle = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(bundle->loaded()) << bundle->error(); }

    static Bundle* bundle;
};

Bundle* WindowsModule::bundle = nullptr;

TEST_F(WindowsModule, ExportsTheEntryPointsAndNothingElse) {
    const std::vector<std::string> expected{"ExitDll", "GetPluginFactory", "InitDll",
                                            "VSTPluginMain", "main"};
    EXPECT_EQ(exportedNames(*bundle), expected);
    for (const std::string& name : expected)
        EXPECT_NE(bundle->symbol(name.c_str()), nullptr) << name;
    // Linux hosts' entries have no place in the Windows module.
    EXPECT_EQ(bundle->symbol("ModuleEntry"), nullptr);
    EXPECT_EQ(bundle->symbol("ModuleExit"), nullptr);
}

// The same text as the Linux bundle gives under Linux, and as the README shows.
TEST_F(WindowsModule, ClassIdsAndVst2IdAreThePinnedOnes) {
    ASSERT_TRUE(bundle->initDll());
    EXPECT_EQ(bundletest::idsText(*bundle), bundletest::pinnedIds());
    EXPECT_EQ(bundletest::readmeIdsText(TIVRANDEL_README), bundletest::pinnedIds());
    EXPECT_TRUE(bundle->exitDll());
}

TEST_F(WindowsModule, StartUpAndShutDownAnswerTrueEveryTime) {
    // GDI+ starts for real here: the balanced pairs must leave it as it was.
    EXPECT_TRUE(bundle->initDll());
    EXPECT_TRUE(bundle->initDll());
    EXPECT_TRUE(bundle->exitDll());
    EXPECT_TRUE(bundle->exitDll());
}

// One node of a version resource: key, value and children, as VS_VERSIONINFO lays them out.
struct VersionNode {
    std::wstring key;
    std::vector<VersionNode> children;
};

std::size_t aligned(std::size_t offset) {
    return (offset + 3) & ~std::size_t{3};
}

// Reads the node at offset (from the start of the block, which is 32-bit aligned).
VersionNode readNode(const BYTE* block, std::size_t offset, std::size_t end) {
    WORD header[3];
    std::memcpy(header, block + offset, sizeof header);
    const std::size_t length = header[0];
    const std::size_t valueLength = header[1];
    const bool text = header[2] == 1;
    const std::size_t nodeEnd = std::min(offset + length, end);

    VersionNode node;
    std::size_t at = offset + sizeof header;
    for (wchar_t c; at + 2 <= nodeEnd; at += 2) {
        std::memcpy(&c, block + at, 2);
        if (c == 0) {
            at += 2;
            break;
        }
        node.key += c;
    }
    at = aligned(at) + (text ? valueLength * 2 : valueLength);
    for (at = aligned(at); at + sizeof header <= nodeEnd;) {
        WORD childLength = 0;
        std::memcpy(&childLength, block + at, sizeof childLength);
        if (childLength == 0)
            break;
        node.children.push_back(readNode(block, at, nodeEnd));
        at = aligned(at + childLength);
    }
    return node;
}

std::vector<std::wstring> keysOf(const VersionNode& node) {
    std::vector<std::wstring> keys;
    for (const VersionNode& child : node.children)
        keys.push_back(child.key);
    return keys;
}

class VersionResource : public WindowsModule {
protected:
    void SetUp() override {
        WindowsModule::SetUp();
        const std::wstring path = modulePath(*bundle);
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
        ASSERT_GT(size, 0u) << "no version resource";
        info.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
    }

    std::wstring text(const std::wstring& name) {
        const std::wstring query = L"\\StringFileInfo\\040004E4\\" + name;
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(info.data(), query.c_str(), &value, &length) || value == nullptr)
            return L"<missing>";
        return std::wstring(static_cast<const wchar_t*>(value));
    }

    std::vector<BYTE> info;
};

TEST_F(VersionResource, FixedPartGivesTheProjectsVersionForFileAndProduct) {
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", &value, &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    // major.minor.patch.0
    const DWORD high = (DWORD{TIVRANDEL_VERSION_MAJOR} << 16) | DWORD{TIVRANDEL_VERSION_MINOR};
    const DWORD low = DWORD{TIVRANDEL_VERSION_PATCH} << 16;
    EXPECT_EQ(fixed->dwFileVersionMS, high);
    EXPECT_EQ(fixed->dwFileVersionLS, low);
    EXPECT_EQ(fixed->dwProductVersionMS, high);
    EXPECT_EQ(fixed->dwProductVersionLS, low);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
}

TEST_F(VersionResource, StringsAreTheProductsForLanguage0400CodePage1252) {
    EXPECT_EQ(text(L"FileVersion"), L"" TIVRANDEL_VERSION);
    EXPECT_EQ(text(L"ProductVersion"), L"" TIVRANDEL_VERSION);
    EXPECT_EQ(text(L"OriginalFilename"), L"Tivrandel.vst3");
    EXPECT_EQ(text(L"FileDescription"), L"Tivrandel");
    EXPECT_EQ(text(L"InternalName"), L"Tivrandel");
    EXPECT_EQ(text(L"ProductName"), L"Tivrandel");

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    WORD translation[2];
    std::memcpy(translation, value, sizeof translation);
    EXPECT_EQ(translation[0], 0x0400);
    EXPECT_EQ(translation[1], 1252);
}

TEST_F(VersionResource, HoldsOneStringTableWithTheSixEntriesOnly) {
    WORD rootLength = 0;
    std::memcpy(&rootLength, info.data(), sizeof rootLength);
    ASSERT_LE(rootLength, info.size());
    const VersionNode root = readNode(info.data(), 0, rootLength);
    EXPECT_EQ(root.key, L"VS_VERSION_INFO");
    ASSERT_EQ(keysOf(root), (std::vector<std::wstring>{L"StringFileInfo", L"VarFileInfo"}));

    const VersionNode& strings = root.children[0];
    ASSERT_EQ(keysOf(strings), std::vector<std::wstring>{L"040004E4"});
    std::vector<std::wstring> entries = keysOf(strings.children[0]);
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries,
              (std::vector<std::wstring>{L"FileDescription", L"FileVersion", L"InternalName",
                                         L"OriginalFilename", L"ProductName", L"ProductVersion"}));
    EXPECT_EQ(keysOf(root.children[1]), std::vector<std::wstring>{L"Translation"});
}

} // namespace
