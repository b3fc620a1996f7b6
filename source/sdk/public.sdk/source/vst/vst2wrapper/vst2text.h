#pragma once

#include "pluginterfaces/base/ftypes.h"

#include <cstddef>

namespace Steinberg {
namespace Vst {
namespace Vst2Text {

// String limits of the VST 2 interface: the most characters a host's buffer takes, without the
// terminating zero that is always written behind them.
constexpr size_t kParamStringLength = 8;         // parameter name, display and label
constexpr size_t kProgramNameLength = 24;        // program name
constexpr size_t kEffectNameLength = 32;         // effect name
constexpr size_t kVendorStringLength = 64;       // vendor and product strings
constexpr size_t kParamPropertyLabelLength = 63; // VstParameterProperties::label
constexpr size_t kParamShortLabelLength = 7;     // VstParameterProperties::shortLabel

// Copies UTF-8 text into dst, at most maxLength bytes and never a partial character, and
// terminates it. dst must hold maxLength + 1 bytes; a null src gives an empty string.
void copyUtf8(const char* src, char* dst, size_t maxLength);

// Converts zero-terminated UTF-16 into UTF-8 in dst with the same truncation rule; an unpaired
// surrogate becomes '?'.
void copyUtf16(const char16* src, char* dst, size_t maxLength);

// Converts zero-terminated UTF-8 into UTF-16, at most capacity - 1 code units, terminated. Bytes
// that are not valid UTF-8 become '?'.
void toUtf16(const char* src, char16* dst, size_t capacity);

// The VST 2 vendor version of a dotted version text "major.minor.sub.build":
// major * 1000 + minor * 100 + sub * 10 + build, each of the last three limited to 0..9 and
// missing parts counting 0, so "1.0.7" gives 1070. A text without a leading number gives 0.
int32 versionNumber(const char* text);

} // namespace Vst2Text
} // namespace Vst
} // namespace Steinberg
