#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kelvane::vst {

// One named block of the module's read-only data, held in coded form (see resourcecipher.h).
struct ResourceEntry {
    const std::uint8_t* data; // not owned, never freed
    std::int32_t size;
};

// Name to bytes, ordered by plain byte-wise comparison of the names. Filled once through add(),
// read-only afterwards; every read deciphers a fresh copy and leaves the store unchanged, so reads
// may come from any thread.
class ResourceStore {
public:
    using Entries = std::map<std::string, ResourceEntry>;

    // Enters or replaces the entry; data holds size coded bytes.
    void add(const std::string& name, const std::uint8_t* data, std::int32_t size);

    // The deciphered bytes of the entry, or nothing when the store has no such name.
    std::vector<std::uint8_t> read(const std::string& name) const;
    std::string readString(const std::string& name) const;

    Entries::const_iterator begin() const { return entries.begin(); }
    Entries::const_iterator end() const { return entries.end(); }
    std::size_t size() const { return entries.size(); }

private:
    Entries entries;
};

} // namespace kelvane::vst
