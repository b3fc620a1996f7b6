#pragma once

// Output files that are either complete or absent: written under a temporary name beside the
// target and renamed over it only when everything was written, so that a failed or
// interrupted render never leaves a broken or truncated file where the target was.

#include <string>

namespace render {

// Whether two paths name the same existing file (device and inode, links followed).
bool sameFile(const std::string& a, const std::string& b);

class OutputFile {
public:
    // Creates the temporary file "<target folder>/.<name>.<random>.partial" (links in target
    // are followed, so the file the link names is the one replaced). A target that exists but
    // is no regular file (a device such as /dev/null, a pipe) is written directly. Throws
    // std::runtime_error "cannot write <target>: <reason>".
    explicit OutputFile(const std::string& target);
    // Removes the temporary file unless committed.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    int descriptor() const { return fd; }
    const std::string& name() const { return target; }

    // Flushes the file to disk and renames it over the target. Throws as the constructor.
    void commit();

private:
    [[noreturn]] void fail(int error) const;

    std::string target;
    std::string realTarget; // target with a link resolved
    std::string temporary;  // empty when writing the target directly
    int fd = -1;
    int slot = -1;
    bool committed = false;
};

// Writes bytes to path through an OutputFile.
void writeWholeFile(const std::string& path, const std::string& bytes);

} // namespace render
