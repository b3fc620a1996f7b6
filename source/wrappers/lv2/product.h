#pragma once

// The product's decisions for its LV2 face: the URIs it is known by, the binary's name, and
// which parameter each control port carries.

#include "wrappers/lv2/lv2ports.h"

namespace tivrandel::lv2 {

// Permanent: hosts keep these in their sessions.
inline constexpr const char* pluginUri = "https://kelvane.example/plugins/tivrandel";
inline constexpr const char* uiUri = "https://kelvane.example/plugins/tivrandel#ui";
inline constexpr const char* binaryName = "tivrandel.so";

kelvane::lv2::PortLayout portLayout();

} // namespace tivrandel::lv2
