#pragma once

#include "bundleloader.h"

#include "pluginterfaces/base/funknown.h"

#include <string>

namespace bundletest {

// A host callback that is a VST 2.4 host and answers nothing else.
VstIntPtr vst24Host(AEffect* effect, int opcode, int index, VstIntPtr value, void* ptr, float opt);

std::string hexOf(const Steinberg::TUID id);

// The ids by which hosts know the module, read through its entry points: both class ids from
// the factory and the VST2 unique id of the wrapped effect, one "name=value" line each.
std::string idsText(const Bundle& bundle);

} // namespace bundletest
