#pragma once

#include "bundleloader.h"

#include "pluginterfaces/base/funknown.h"

#include <string>

namespace bundletest {

// A host callback that is a VST 2.4 host and answers nothing else.
VstIntPtr vst24Host(AEffect* effect, int opcode, int index, VstIntPtr value, void* ptr, float opt);

std::string hexOf(const Steinberg::TUID id);

// Pinned: hosts store these ids in their projects, so they must never change. Worked out apart
// from the product's code, from SHA-256 of the names and the module's id text.
inline constexpr const char* pinnedVst2Id = "-2112712454";
inline std::string pinnedIds() {
    return std::string("Tivrandel64=a78eb83686c92032bff74cf1ae3ef789\n"
                       "Tivrandel64Controller=724f455930c300bdff51809af34e539e\n"
                       "vst2=") +
           pinnedVst2Id + "\n";
}

// The ids by which hosts know the module, read through its entry points: both class ids from
// the factory and the VST2 unique id of the wrapped effect, one "name=value" line each.
std::string idsText(const Bundle& bundle);

} // namespace bundletest
