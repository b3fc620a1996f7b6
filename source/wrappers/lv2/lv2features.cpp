#include "wrappers/lv2/lv2features.h"

#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cstring>

namespace kelvane::lv2 {

const LV2_Feature* findFeature(const LV2_Feature* const* features, const char* uri) {
    if (!features) {
        return nullptr;
    }
    for (const LV2_Feature* const* f = features; *f; ++f) {
        if ((*f)->URI && std::strcmp((*f)->URI, uri) == 0) {
            return *f;
        }
    }
    return nullptr;
}

const void* findOption(const LV2_Feature* const* features, const char* key, const char* type,
                       std::uint32_t size) {
    const auto* map = static_cast<const LV2_URID_Map*>(featureData(features, LV2_URID__map));
    const auto* options =
        static_cast<const LV2_Options_Option*>(featureData(features, LV2_OPTIONS__options));
    if (!map || !map->map || !options) {
        return nullptr;
    }
    const LV2_URID keyId = map->map(map->handle, key);
    const LV2_URID typeId = map->map(map->handle, type);
    for (const LV2_Options_Option* o = options; o->key != 0 || o->value != nullptr; ++o) {
        if (o->key == keyId && o->type == typeId && o->size == size && o->value) {
            return o->value;
        }
    }
    return nullptr;
}

} // namespace kelvane::lv2
