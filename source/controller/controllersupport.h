#pragma once

#include "pluginterfaces/base/fstrdefs.h"
#include "pluginterfaces/vst/vsttypes.h"

#include <string>

// Helpers of the edit controller framework that do not depend on the product's classes.
namespace kelvane::vst {

// UTF-8 to UTF-16, at most 127 code units plus the terminating zero; a surrogate pair is never
// split at the cut, and malformed bytes become U+FFFD.
void copyUtf8(const std::string& text, Steinberg::Vst::String128 out);

// One code unit per byte, at most 127 units plus the terminating zero. For ASCII texts only.
void copyAscii(const std::string& text, Steinberg::Vst::String128 out);

} // namespace kelvane::vst
