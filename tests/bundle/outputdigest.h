#pragma once

// The processor's output for a fixed input and fixed automation, reduced to a SHA-256 digest, so
// that builds for different platforms can be compared bit for bit through one committed value.

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/vsttypes.h"

#include <string>

namespace bundletest {

// Runs the factory's first class (the processor) over the fixed signal in 32-bit
// (Vst::kSample32) or 64-bit samples, and answers the hex digest of every output sample's bytes
// in block, channel and sample order. Throws std::runtime_error when the processor refuses a
// step of the set-up or a block.
std::string outputDigest(Steinberg::IPluginFactory& factory, Steinberg::int32 symbolicSampleSize);

} // namespace bundletest
