#pragma once

#include "pluginterfaces/base/ipluginbase.h"

namespace tivrandel {

// A new class factory offering the processor and the controller, in that order. Nothing is
// cached: every call builds an independent factory, and the caller owns its one reference.
// Throws std::bad_alloc when memory runs out; null only if a registration is refused.
Steinberg::IPluginFactory* createFactory();

} // namespace tivrandel
