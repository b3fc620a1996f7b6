#include "editor/manual/manualviewer.h"

#include "editor/resources/resourcecipher.h"
#include "editor/resources/resourcestore.h"
#include "platform/desktop.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kelvane::vst {
namespace {

const std::uint8_t image[] = {0x89, 'P', 'N', 'G', 0, 1, 2};
const std::uint8_t english[] = {'<', 'h', '1', '>', 'E', 'n'};
const std::uint8_t japanese[] = {'<', 'h', '1', '>', 0xE6, 0x97, 0xA5};

// The store holds its bytes coded, as the module embeds them.
template <std::size_t size>
std::array<std::uint8_t, size> coded(const std::uint8_t (&plain)[size]) {
    std::array<std::uint8_t, size> bytes{};
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = resourcecipher::encode(plain[i]);
    return bytes;
}
const auto codedImage = coded(image);
const auto codedEnglish = coded(english);
const auto codedJapanese = coded(japanese);

std::string separator() {
    return std::string(1, platform::pathSeparator());
}

std::string fileContents(const std::string& path, bool* exists = nullptr) {
    std::ifstream file(path, std::ios::binary);
    if (exists != nullptr)
        *exists = file.good();
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string contents(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

class ManualViewer : public ::testing::Test {
protected:
    void SetUp() override {
        root = platform::temporaryDirectory() + "manualtest";
        for (int i = 0; i < 8; ++i)
            root += randomNameChar();
        ASSERT_TRUE(platform::makeDirectory(root));
        root += separator();
        store.add("a/b/c.png", codedImage.data(), sizeof image);
        store.add("empty.txt", codedImage.data(), 0);
        store.add("en/index.html", codedEnglish.data(), sizeof english);
        store.add("ja/index.html", codedJapanese.data(), sizeof japanese);
    }

    // Opens the manual for a language and answers the page the desktop was asked to open.
    std::string open(std::uint16_t language) {
        std::string opened;
        const ManualEnvironment environment{[this] { return root; },
                                            [language] { return language; },
                                            [&opened](const std::string& path) { opened = path; }};
        openManual(store, environment);
        return opened;
    }

    std::string root;
    ResourceStore store;
};

TEST_F(ManualViewer, ExtractsEveryFileIntoAFreshDirectoryEachTime) {
    const std::string first = open(1033);
    const std::string second = open(1033);
    const std::string page = separator() + "en" + separator() + "index.html";
    ASSERT_GT(first.size(), root.size() + 32 + page.size() - 1);
    const std::string firstDirectory = first.substr(0, first.size() - page.size());
    const std::string secondDirectory = second.substr(0, second.size() - page.size());
    EXPECT_NE(firstDirectory, secondDirectory);
    EXPECT_EQ(firstDirectory.size(), root.size() + 32);

    for (const std::string& directory : {firstDirectory, secondDirectory}) {
        EXPECT_EQ(directory.compare(0, root.size(), root), 0);
        const std::string d = directory + separator();
        EXPECT_EQ(fileContents(d + "a" + separator() + "b" + separator() + "c.png"),
                  contents(image, sizeof image));
        bool exists = false;
        EXPECT_EQ(fileContents(d + "empty.txt", &exists), "");
        EXPECT_TRUE(exists);
        EXPECT_EQ(fileContents(d + "ja" + separator() + "index.html"),
                  contents(japanese, sizeof japanese));
        EXPECT_EQ(fileContents(d + "en" + separator() + "index.html"),
                  contents(english, sizeof english));
    }
}

TEST_F(ManualViewer, OpensTheJapanesePageForJapaneseAsUsedInJapanOnly) {
    const std::string japanesePage = separator() + "ja" + separator() + "index.html";
    const std::string englishPage = separator() + "en" + separator() + "index.html";
    auto endsWith = [](const std::string& text, const std::string& end) {
        return text.size() >= end.size() &&
               text.compare(text.size() - end.size(), end.size(), end) == 0;
    };
    EXPECT_TRUE(endsWith(open(1041), japanesePage));
    EXPECT_TRUE(endsWith(open(1033), englishPage));
    EXPECT_TRUE(endsWith(open(2052), englishPage));
}

TEST_F(ManualViewer, DoesNothingWithoutATemporaryDirectory) {
    bool opened = false;
    const ManualEnvironment environment{[] { return std::string(); },
                                        [] { return std::uint16_t{1033}; },
                                        [&opened](const std::string&) { opened = true; }};
    openManual(store, environment);
    EXPECT_FALSE(opened);
}

TEST_F(ManualViewer, WritesNothingOutsideItsDirectory) {
    EXPECT_FALSE(writeResourceFile(root + "inner", "../escaped.txt", {1, 2, 3}));
    bool exists = true;
    fileContents(root + "escaped.txt", &exists);
    EXPECT_FALSE(exists);
}

// Another user of a shared temporary directory creates the extraction directory first, with a
// link where a page will go, or a page of their own: nothing is written through the link or
// over the page, and the manual is not opened.
TEST_F(ManualViewer, NeverWritesIntoADirectoryItDidNotCreate) {
    const std::string taken = root + "taken";
    ASSERT_TRUE(platform::makeDirectory(taken));
    const std::string theirs = taken + separator() + "empty.txt";
    std::ofstream(theirs, std::ios::binary) << "theirs";
    EXPECT_FALSE(extractManual(store, taken));
    EXPECT_EQ(fileContents(theirs), "theirs");
    bool exists = true;
    fileContents(taken + separator() + "a" + separator() + "b" + separator() + "c.png", &exists);
    EXPECT_FALSE(exists);

    // The directory we make ourselves, but a file of it exists already.
    const std::string mine = root + "mine";
    EXPECT_FALSE(writeResourceFile(mine, "page.html", {1}));
    ASSERT_TRUE(platform::makeDirectory(mine));
    EXPECT_TRUE(writeResourceFile(mine, "page.html", {1}));
    EXPECT_FALSE(writeResourceFile(mine, "page.html", {2}));
    EXPECT_EQ(fileContents(mine + separator() + "page.html"), "\x01");

#ifndef _WIN32
    const std::string victim = root + "victim.txt";
    std::ofstream(victim, std::ios::binary) << "precious";
    const std::string linked = root + "linked";
    ASSERT_TRUE(platform::makeDirectory(linked));
    ASSERT_EQ(::mkdir((linked + "/en").c_str(), 0700), 0);
    ASSERT_EQ(::symlink(victim.c_str(), (linked + "/en/index.html").c_str()), 0);
    ASSERT_EQ(::symlink((root + "nowhere").c_str(), (linked + "/empty.txt").c_str()), 0);
    EXPECT_FALSE(writeResourceFile(linked, "en/index.html", {1, 2, 3}));
    EXPECT_FALSE(writeResourceFile(linked, "empty.txt", {}));
    EXPECT_EQ(fileContents(victim), "precious");
    fileContents(root + "nowhere", &exists);
    EXPECT_FALSE(exists);
#endif
}

TEST_F(ManualViewer, OpensNothingWhenTheDirectoryCannotBeMade) {
    bool opened = false;
    const std::string missing = root + "missing" + separator();
    const ManualEnvironment environment{[&] { return missing; }, [] { return std::uint16_t{1033}; },
                                        [&opened](const std::string&) { opened = true; }};
    openManual(store, environment);
    EXPECT_FALSE(opened);
    // Nothing was created on the way: the parent is still missing.
    EXPECT_FALSE(platform::makeDirectory(missing + "x"));
}

#ifndef _WIN32
TEST_F(ManualViewer, ItsDirectoryIsPrivate) {
    const std::string page = open(1033);
    const std::string directory =
        page.substr(0, page.size() - std::string("/en/index.html").size());
    struct stat status {};
    ASSERT_EQ(::lstat(directory.c_str(), &status), 0);
    EXPECT_TRUE(S_ISDIR(status.st_mode));
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    ASSERT_EQ(::lstat(page.c_str(), &status), 0);
    EXPECT_TRUE(S_ISREG(status.st_mode));
    EXPECT_EQ(status.st_mode & 0077, 0u);
}
#endif

#ifdef _WIN32
std::wstring wide(const std::string& utf8) {
    std::wstring result(utf8.size(), L'\0');
    result.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), result.data(),
                            static_cast<int>(result.size()))));
    return result;
}

std::string utf8(const std::wstring& text) {
    std::string result(text.size() * 4, '\0');
    result.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(),
                            static_cast<int>(result.size()), nullptr, nullptr)));
    return result;
}

std::wstring environmentVariable(const wchar_t* name) {
    wchar_t value[32768] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, 32768);
    return std::wstring(value, length < 32768 ? length : 0);
}

// A user whose temporary folder has a name outside the ANSI code page (Tibetan and CJK letters
// are in none): the manual is written there and opened by the folder's real name.
TEST(ManualViewerWindows, UsesATemporaryFolderNamedOutsideTheAnsiCodePage) {
    wchar_t base[MAX_PATH + 1] = {};
    ASSERT_NE(GetTempPathW(MAX_PATH + 1, base), 0u);
    std::wstring folder = std::wstring(base) + L"manual-\u0f40\u96ea-";
    for (int i = 0; i < 8; ++i)
        folder += static_cast<wchar_t>(randomNameChar());
    ASSERT_NE(CreateDirectoryW(folder.c_str(), nullptr), 0);
    BOOL lossy = FALSE;
    char ansi[MAX_PATH * 2] = {};
    WideCharToMultiByte(CP_ACP, 0, folder.c_str(), -1, ansi, sizeof ansi, nullptr, &lossy);
    EXPECT_TRUE(lossy) << "the name fits the ANSI code page";

    const std::wstring tmp = environmentVariable(L"TMP");
    const std::wstring temp = environmentVariable(L"TEMP");
    SetEnvironmentVariableW(L"TMP", folder.c_str());
    SetEnvironmentVariableW(L"TEMP", folder.c_str());
    const std::string temporary = platform::temporaryDirectory();
    ResourceStore store;
    store.add("en/index.html", codedEnglish.data(), sizeof english);
    std::string opened;
    const ManualEnvironment environment{platform::temporaryDirectory,
                                        [] { return std::uint16_t{1033}; },
                                        [&opened](const std::string& path) { opened = path; }};
    openManual(store, environment);
    SetEnvironmentVariableW(L"TMP", tmp.empty() ? nullptr : tmp.c_str());
    SetEnvironmentVariableW(L"TEMP", temp.empty() ? nullptr : temp.c_str());

    EXPECT_EQ(temporary, utf8(folder) + "\\");
    ASSERT_FALSE(opened.empty());
    EXPECT_EQ(opened.compare(0, temporary.size(), temporary), 0) << opened;
    HANDLE page = CreateFileW(wide(opened).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(page, INVALID_HANDLE_VALUE);
    char bytes[64] = {};
    DWORD read = 0;
    ReadFile(page, bytes, sizeof bytes, &read, nullptr);
    CloseHandle(page);
    EXPECT_EQ(std::string(bytes, read), contents(english, sizeof english));
}
#endif

TEST(ManualPaths, SplitDropsEmptyComponents) {
    const std::string s = separator();
    EXPECT_EQ(splitPath(s + "tmp" + s + s + "x" + s), (std::vector<std::string>{"tmp", "x"}));
    EXPECT_TRUE(splitPath("").empty());
    EXPECT_TRUE(splitPath(s + s).empty());
}

TEST(ManualPaths, RandomNamesUseTheAlphabetFromAnyThread) {
    std::set<char> seen;
    std::thread other([] {
        for (int i = 0; i < 1000; ++i)
            randomNameChar();
    });
    for (int i = 0; i < 2000; ++i)
        seen.insert(randomNameChar());
    other.join();
    for (char c : seen)
        EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) << c;
    EXPECT_GT(seen.size(), 30u);
}

} // namespace
} // namespace kelvane::vst
