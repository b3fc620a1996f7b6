#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kelvane::vst {

class ResourceStore;

// What the manual viewer needs of the desktop; the default is the platform's, tests give
// their own.
struct ManualEnvironment {
    std::function<std::string()> temporaryDirectory; // ends with a separator; empty: none
    std::function<std::uint16_t()> userLanguage;     // a Windows language id
    std::function<void(const std::string&)> openDocument;
};

const ManualEnvironment& desktopEnvironment();

// Copies every file of the manual store into a fresh directory under the user's temporary
// directory and asks the desktop to open the entry page for the user's language there. All
// failures are silent: a file that cannot be written is skipped.
void openManual(const ResourceStore& manual, const ManualEnvironment& environment);

// One character of the extraction directory's random name; thread-safe.
char randomNameChar();

// Writes bytes to directory/relativeName ('/' separates the name's components), creating the
// directories on the way.
void writeResourceFile(const std::string& directory, const std::string& relativeName,
                       const std::vector<std::uint8_t>& bytes);

// The non-empty components of path, split at the platform's separator.
std::vector<std::string> splitPath(const std::string& path);

} // namespace kelvane::vst
