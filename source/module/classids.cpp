#include "module/classids.h"

#include "crypto/sha256.h"

#include <cstdint>
#include <cstring>
#include <limits>

namespace kelvane::vst {

Steinberg::FUID deriveClassId(std::string_view name, std::string_view suffix,
                              std::string_view text) {
    crypto::Sha256 sha;
    sha.update(name);
    sha.update(text);
    sha.update(suffix);
    const crypto::Sha256::Digest d = sha.finish();

    static constexpr std::size_t order[16] = {0, 1, 2, 3, 6, 7, 4, 5, 11, 10, 9, 8, 15, 14, 13, 12};
    std::uint8_t ordered[16];
    for (std::size_t i = 0; i < 16; ++i)
        ordered[i] = d[order[i]];
    Steinberg::TUID bytes;
    std::memcpy(bytes, ordered, sizeof bytes);
    // Raw bytes, not from4Int: FUID's word layout differs between platforms.
    return Steinberg::FUID::fromTUID(bytes);
}

Steinberg::int32 vst2UniqueIdOf(const Steinberg::FUID& id) {
    std::uint8_t bytes[16];
    std::memcpy(bytes, id.toTUID(), sizeof bytes);
    // Each byte as a signed byte, reduced modulo 2^32: the sum is then computed in unsigned
    // arithmetic, where wrapping is defined, and the conversion back to signed is spelled out.
    auto extended = [&bytes](std::size_t i) -> std::uint32_t {
        return bytes[i] < 0x80u ? bytes[i] : bytes[i] + 0xFFFFFF00u;
    };
    const std::uint32_t sum =
        ((extended(3) * 256u + extended(2)) * 256u + extended(1)) * 256u + extended(0);
    constexpr auto maxPositive =
        static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max());
    if (sum <= maxPositive)
        return static_cast<Steinberg::int32>(sum);
    return -static_cast<Steinberg::int32>(~sum) - 1;
}

} // namespace kelvane::vst

namespace tivrandel {

namespace {

// Part of every class id of this module; changing it changes every id hosts know us by.
constexpr std::string_view classIdText = "kelvane.tivrandel.classid.v1";
constexpr std::string_view vst2Suffix = "vst2";

} // namespace

Steinberg::FUID processorClassId() {
    return kelvane::vst::deriveClassId(processorName, {}, classIdText);
}

Steinberg::FUID controllerClassId() {
    return kelvane::vst::deriveClassId(controllerName, {}, classIdText);
}

Steinberg::int32 vst2UniqueId() {
    return kelvane::vst::vst2UniqueIdOf(
        kelvane::vst::deriveClassId(processorName, vst2Suffix, classIdText));
}

} // namespace tivrandel
