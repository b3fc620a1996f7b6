#include "editor/resources/resourcestore.h"

#include "editor/resources/resourcecipher.h"

namespace kelvane::vst {

void ResourceStore::add(const std::string& name, const std::uint8_t* data, std::int32_t size) {
    entries[name] = ResourceEntry{data, size};
}

std::vector<std::uint8_t> ResourceStore::read(const std::string& name) const {
    const auto found = entries.find(name);
    if (found == entries.end() || found->second.data == nullptr || found->second.size <= 0) {
        return {};
    }
    const ResourceEntry& entry = found->second;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(entry.size));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = resourcecipher::decode(entry.data[i]);
    }
    return bytes;
}

std::string ResourceStore::readString(const std::string& name) const {
    const std::vector<std::uint8_t> bytes = read(name);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace kelvane::vst
