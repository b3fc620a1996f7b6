#pragma once

#include "pluginterfaces/base/funknown.h"

#include <string_view>

namespace kelvane::vst {

// A class id that depends only on its inputs: the SHA-256 digest of name + text + suffix
// (concatenated without separators), whose first sixteen bytes d0..d15 become the FUID bytes
// d0 d1 d2 d3 d6 d7 d4 d5 d11 d10 d9 d8 d15 d14 d13 d12 on every platform. That is the layout
// FUID::from4Int gives, on Windows, for the four little-endian words of the digest's start.
Steinberg::FUID deriveClassId(std::string_view name, std::string_view suffix,
                              std::string_view text);

// The VST2 unique id made from a FUID: its first four bytes b0..b3 taken as signed bytes and
// combined as ((b3 * 256 + b2) * 256 + b1) * 256 + b0 in 32-bit two's complement.
Steinberg::int32 vst2UniqueIdOf(const Steinberg::FUID& id);

} // namespace kelvane::vst

namespace tivrandel {

inline constexpr std::string_view processorName = "Tivrandel64";
inline constexpr std::string_view controllerName = "Tivrandel64Controller";

Steinberg::FUID processorClassId();
Steinberg::FUID controllerClassId();
Steinberg::int32 vst2UniqueId();

} // namespace tivrandel
