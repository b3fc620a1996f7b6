#include "editor/manual/manualviewer.h"

#include "editor/resources/resourcestore.h"
#include "platform/desktop.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <random>
#include <sstream>

namespace kelvane::vst {

namespace {

constexpr std::size_t nameLength = 32;
constexpr std::uint16_t japaneseJapan = 1041;

std::string entryPage(std::uint16_t language) {
    return language == japaneseJapan ? std::string("ja/index.html") : std::string("en/index.html");
}

// A name of 32 characters from 36 carries 165 bits; one 32-bit seed would make it one of only
// 2^32 names, which another user could create in advance.
std::mt19937 seededGenerator() {
    std::random_device device;
    std::array<std::uint32_t, 8> words{};
    for (std::uint32_t& word : words)
        word = device();
    std::seed_seq seeds(words.begin(), words.end());
    return std::mt19937(seeds);
}

} // namespace

const ManualEnvironment& desktopEnvironment() {
    static const ManualEnvironment environment{platform::temporaryDirectory, platform::userLanguage,
                                               platform::openDocument};
    return environment;
}

char randomNameChar() {
    static std::mutex mutex;
    static const std::string alphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
    const std::lock_guard<std::mutex> lock(mutex);
    static std::mt19937 generator = seededGenerator();
    return alphabet[generator() % alphabet.size()];
}

std::vector<std::string> splitPath(const std::string& path) {
    std::vector<std::string> components;
    std::istringstream stream(path);
    std::string component;
    while (std::getline(stream, component, platform::pathSeparator()))
        if (!component.empty())
            components.push_back(component);
    return components;
}

bool writeResourceFile(const std::string& directory, const std::string& relativeName,
                       const std::vector<std::uint8_t>& bytes) {
    const char separator = platform::pathSeparator();
    std::string name = relativeName;
    std::replace(name.begin(), name.end(), '/', separator);
    const std::vector<std::string> components = splitPath(name);
    // Names come from the module's own store; still, never let one climb out of the directory.
    if (directory.empty() || components.empty() ||
        std::count(components.begin(), components.end(), "..") != 0)
        return false;

    // The directory is ours and new, so nobody else can have put anything into it; a
    // subdirectory that exists was made for an earlier file.
    std::string path = directory;
    for (std::size_t i = 0; i + 1 < components.size(); ++i) {
        path += separator + components[i];
        platform::makeDirectory(path);
    }
    path += separator + components.back();
    return platform::writeNewFile(path, bytes.data(), bytes.size());
}

bool extractManual(const ResourceStore& manual, const std::string& directory) {
    if (!platform::makeDirectory(directory))
        return false;
    for (const auto& [name, entry] : manual)
        if (!writeResourceFile(directory, name, manual.read(name)))
            return false;
    return true;
}

void openManual(const ResourceStore& manual, const ManualEnvironment& environment) {
    const std::string temporary = environment.temporaryDirectory();
    if (temporary.empty())
        return;
    std::string directory = temporary;
    for (std::size_t i = 0; i < nameLength; ++i)
        directory += randomNameChar();
    if (!extractManual(manual, directory))
        return;

    std::string page = entryPage(environment.userLanguage());
    std::replace(page.begin(), page.end(), '/', platform::pathSeparator());
    environment.openDocument(directory + platform::pathSeparator() + page);
}

} // namespace kelvane::vst
