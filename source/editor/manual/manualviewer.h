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
// directory and asks the desktop to open the entry page for the user's language there. The
// temporary directory is shared with other users on many machines: the new directory's name
// cannot be guessed, and if it cannot be created as a new one of ours, or any file cannot be
// written, nothing is opened.
void openManual(const ResourceStore& manual, const ManualEnvironment& environment);

// Creates directory, which must not exist yet (readable by the user only where the platform
// has such permissions), and writes every file of the manual store into it. False on the first
// failure.
bool extractManual(const ResourceStore& manual, const std::string& directory);

// One character of the extraction directory's random name; thread-safe. The generator behind
// it is seeded with 256 bits from the system's random source.
char randomNameChar();

// Writes bytes to directory/relativeName ('/' separates the name's components), creating the
// directories below directory on the way. The file must be new: an existing file or link of
// that name is left alone and answers false, as do a name that climbs out of directory and
// a failed write.
bool writeResourceFile(const std::string& directory, const std::string& relativeName,
                       const std::vector<std::uint8_t>& bytes);

// The non-empty components of path, split at the platform's separator.
std::vector<std::string> splitPath(const std::string& path);

} // namespace kelvane::vst
