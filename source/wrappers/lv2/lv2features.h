#pragma once

// What an LV2 host offers an instance, plug-in or UI alike: its features and its options.

#include <lv2/core/lv2.h>

#include <cstdint>

namespace kelvane::lv2 {

// The feature named uri among the host's (a null-terminated array, or null), or null.
const LV2_Feature* findFeature(const LV2_Feature* const* features, const char* uri);

// The data of that feature, or null.
inline const void* featureData(const LV2_Feature* const* features, const char* uri) {
    const LV2_Feature* feature = findFeature(features, uri);
    return feature ? feature->data : nullptr;
}

// The value of the host's option key (a URI) when it has the type (a URI) and size asked for,
// or null; without the urid:map and options features there is none.
const void* findOption(const LV2_Feature* const* features, const char* key, const char* type,
                       std::uint32_t size);

} // namespace kelvane::lv2
