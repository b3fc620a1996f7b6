#pragma once

#include "pluginterfaces/base/ibstream.h"

#include <picojson.h>

#include <cstdint>
#include <string>

namespace kelvane::vst {

// A state blob is a 32-bit little-endian length N followed by N bytes of compact JSON text.
// The same layout serves the processor's state and the controller's own state.

// No blob this product writes comes near this; a larger length prefix is refused rather than
// trusted, so a corrupt or hostile stream cannot make us allocate gigabytes.
constexpr std::uint32_t maxStateTextLength = 1u << 20;

// Reads exactly 4 + N bytes. False on a null stream, a failed or short read, or an oversized N.
bool readStateText(Steinberg::IBStream* stream, std::string& text);

// Reads the blob and parses it; false unless the text is JSON whose top level is an object,
// nested no deeper than maxJsonNesting.
// Throws what the JSON reader throws (a number that overflows a double, memory exhaustion).
bool readStateObject(Steinberg::IBStream* stream, picojson::object& object);

// Writes the length and the text; false unless every byte was written.
bool writeStateText(Steinberg::IBStream* stream, const std::string& text);

// Compact text, members in ascending byte order of their keys, numbers with 17 significant
// digits and a full stop as decimal separator in any locale.
std::string serializeState(const picojson::object& object);

// The number stored under key, or fallback when the member is missing or not a number.
double stateNumber(const picojson::object& object, const std::string& key, double fallback);

// JSON cannot carry NaN or infinity. A saved value is the one the audio path actually uses for
// it: NaN and +inf act as 1, -inf as 0; finite values are kept as they are.
double storableNumber(double value);

} // namespace kelvane::vst
