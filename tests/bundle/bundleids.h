#pragma once

#include "bundleloader.h"

#include "pluginterfaces/base/funknown.h"

#include <string>

namespace bundletest {

// A host callback that is a VST 2.4 host and answers nothing else.
VstIntPtr vst24Host(AEffect* effect, int opcode, int index, VstIntPtr value, void* ptr, float opt);

std::string hexOf(const Steinberg::TUID id);

// A class id as hosts show and store it: FUID::toString of the platform the test runs on.
std::string stringOf(const Steinberg::TUID id);

// Pinned: hosts store these ids in their projects, so they must never change, and both the
// Linux bundle and the Windows DLL must give the same text. Worked out apart from the product's
// code, from SHA-256 of the names and the module's id text.
inline constexpr const char* pinnedVst2Id = "-2112712454";
inline std::string pinnedIds() {
    return std::string("Tivrandel64=36B88EA7C9863220BFF74CF1AE3EF789\n"
                       "Tivrandel64Controller=59454F72C330BD00FF51809AF34E539E\n"
                       "vst2=") +
           pinnedVst2Id + "\n";
}

// The ids by which hosts know the module, read through its entry points: both class ids from
// the factory and the VST2 unique id of the wrapped effect, one "name=value" line each.
std::string idsText(const Bundle& bundle);

// The same lines from the identity table of the README at path (the VST2 id from its decimal
// form in parentheses); empty when the file cannot be read.
std::string readmeIdsText(const char* path);

} // namespace bundletest
