#include "editor/manual/manualviewer.h"

#include "editor/resources/resourcestore.h"
#include "platform/desktop.h"

#include <algorithm>
#include <cstdio>
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
    static std::mt19937 generator{std::random_device{}()};
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

void writeResourceFile(const std::string& directory, const std::string& relativeName,
                       const std::vector<std::uint8_t>& bytes) {
    const char separator = platform::pathSeparator();
    std::string name = relativeName;
    std::replace(name.begin(), name.end(), '/', separator);
    const std::string fullPath = directory + separator + name;
    const std::vector<std::string> components = splitPath(fullPath);
    // Names come from the module's own store; still, never let one climb out of the directory.
    if (components.empty() || std::count(components.begin(), components.end(), "..") != 0)
        return;

    // Splitting drops the separators a path starts with (the root of an absolute path, the
    // two of a network share): keep them, or the file would land relative to the working
    // directory.
    std::string prefix(std::min(fullPath.find_first_not_of(separator), fullPath.size()), separator);
    for (std::size_t i = 0; i + 1 < components.size(); ++i) {
        prefix += components[i];
        platform::makeDirectory(prefix); // fails harmlessly for a drive or an existing directory
        prefix += separator;
    }
    prefix += components.back();

    std::FILE* file = std::fopen(prefix.c_str(), "wb");
    if (file == nullptr)
        return;
    if (!bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

void openManual(const ResourceStore& manual, const ManualEnvironment& environment) {
    const std::string temporary = environment.temporaryDirectory();
    if (temporary.empty())
        return;
    std::string directory = temporary;
    for (std::size_t i = 0; i < nameLength; ++i)
        directory += randomNameChar();

    for (const auto& [name, entry] : manual)
        writeResourceFile(directory, name, manual.read(name));

    std::string page = entryPage(environment.userLanguage());
    std::replace(page.begin(), page.end(), '/', platform::pathSeparator());
    environment.openDocument(directory + platform::pathSeparator() + page);
}

} // namespace kelvane::vst
