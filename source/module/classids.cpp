#include "module/classids.h"

#include "crypto/sha256.h"

#include <cstdint>
#include <limits>

namespace kelvane::vst {

ClassIdWords classIdWords(std::string_view name, std::string_view suffix, std::string_view text) {
    crypto::Sha256 sha;
    sha.update(name);
    sha.update(text);
    sha.update(suffix);
    const crypto::Sha256::Digest d = sha.finish();
    ClassIdWords words{};
    for (std::size_t i = 0; i < words.size(); ++i) {
        words[i] = std::uint32_t{d[4 * i]} | std::uint32_t{d[4 * i + 1]} << 8 |
                   std::uint32_t{d[4 * i + 2]} << 16 | std::uint32_t{d[4 * i + 3]} << 24;
    }
    return words;
}

Steinberg::FUID deriveClassId(std::string_view name, std::string_view suffix,
                              std::string_view text) {
    const ClassIdWords w = classIdWords(name, suffix, text);
    return Steinberg::FUID(w[0], w[1], w[2], w[3]);
}

Steinberg::int32 vst2UniqueIdOf(std::uint32_t w0) {
    // Each byte as a signed byte, reduced modulo 2^32: the sum is then computed in unsigned
    // arithmetic, where wrapping is defined, and the conversion back to signed is spelled out.
    auto extended = [w0](unsigned i) -> std::uint32_t {
        const std::uint32_t byte = (w0 >> (8 * i)) & 0xFFu;
        return byte < 0x80u ? byte : byte + 0xFFFFFF00u;
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
        kelvane::vst::classIdWords(processorName, vst2Suffix, classIdText)[0]);
}

} // namespace tivrandel
