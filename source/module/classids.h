#pragma once

#include "pluginterfaces/base/funknown.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace kelvane::vst {

// The four 32-bit words of a class id: the SHA-256 digest of name + text + suffix (concatenated
// without separators), whose first sixteen bytes d0..d15 give w0 = d0..d3, w1 = d4..d7,
// w2 = d8..d11 and w3 = d12..d15, each read little-endian.
using ClassIdWords = std::array<std::uint32_t, 4>;
ClassIdWords classIdWords(std::string_view name, std::string_view suffix, std::string_view text);

// The class id of those words as FUID::from4Int lays them out on the platform at hand: on
// Windows the bytes d0 d1 d2 d3 d6 d7 d4 d5 d11 d10 d9 d8 d15 d14 d13 d12, elsewhere w0..w3 each
// most significant byte first. Hosts read the bytes as a GUID on Windows and as plain bytes
// elsewhere, so either way FUID::toString gives the same text: the id reads the same to a host
// on every platform.
Steinberg::FUID deriveClassId(std::string_view name, std::string_view suffix,
                              std::string_view text);

// The VST2 unique id made from a class id's first word: its bytes d0..d3 taken as signed bytes
// and combined as ((d3 * 256 + d2) * 256 + d1) * 256 + d0 in 32-bit two's complement. It does
// not depend on the platform's FUID layout.
Steinberg::int32 vst2UniqueIdOf(std::uint32_t w0);

} // namespace kelvane::vst

namespace tivrandel {

inline constexpr std::string_view processorName = "Tivrandel64";
inline constexpr std::string_view controllerName = "Tivrandel64Controller";

Steinberg::FUID processorClassId();
Steinberg::FUID controllerClassId();
Steinberg::int32 vst2UniqueId();

} // namespace tivrandel
